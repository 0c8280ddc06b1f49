#!/usr/bin/python3
"""wayland-seat.py SOCKET serve mutter|kwin WIDTH HEIGHT
wayland-seat.py SOCKET COMMAND [ARGS...]

A keyboard and a mouse for a headless Wayland compositor's seat, which has
none of its own, driven as xdotool drives an X server's. The first form
holds them until it is ended, listening on SOCKET: on mutter they are a
remote-desktop session on the session bus, on KWin its fake-input protocol.
The second sends one command and returns once the compositor has taken its
events, with status 1 and the reason when it could not:

    key [--delay MS] KEY...      KEY as xdotool names it: Tab, ctrl+shift+c
    type [--delay MS] TEXT       letters, digits and blanks
    mousemove X Y                to a point of the screen
    mousedown|mouseup|click BUTTON
"""
import json
import os
import socket
import struct
import sys
import time

# Linux's input event codes, which both compositors take.
KEYS = {"Escape": 1, "BackSpace": 14, "Tab": 15, "Return": 28, "ctrl": 29, "Control_L": 29, "shift": 42,
        "Shift_L": 42, "alt": 56, "Alt_L": 56, "space": 57, "Home": 102, "Up": 103, "Page_Up": 104,
        "Left": 105, "Right": 106, "End": 107, "Down": 108, "Page_Down": 109, "Delete": 111, "super": 125,
        "Menu": 127, "minus": 12, "period": 52, "comma": 51, "slash": 53}
for row, first in (("1234567890", 2), ("qwertyuiop", 16), ("asdfghjkl", 30), ("zxcvbnm", 44)):
    KEYS.update({letter: first + i for i, letter in enumerate(row)})
KEYS.update({f"F{n}": 58 + n for n in range(1, 11)})
KEYS.update({" ": KEYS["space"], "-": KEYS["minus"], ".": KEYS["period"], ",": KEYS["comma"], "/": KEYS["slash"]})
BUTTONS = {"1": 0x110, "2": 0x112, "3": 0x111}


class Mutter:
    """A remote-desktop session of mutter's: it lasts as long as this
    process's connection to the session bus. Without a screen cast mutter
    moves its pointer only relatively, so this one starts in the top left
    corner and remembers where it is."""

    def __init__(self, width, height):
        from gi.repository import Gio, GLib
        self.variant = GLib.Variant
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.session = self.call("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop",
                                 "CreateSession")[0]
        self.call(self.session, "org.gnome.Mutter.RemoteDesktop.Session", "Start")
        self.size = (width, height)
        self.at = (width // 2, height // 2)
        self.move(-width, -height)
        self.at = (0, 0)

    def call(self, path, interface, method, signature=None, *args):
        parameters = self.variant(signature, args) if signature else None
        return self.bus.call_sync("org.gnome.Mutter.RemoteDesktop", path, interface, method, parameters,
                                  None, 0, 5000, None).unpack()

    def notify(self, method, signature, *args):
        self.call(self.session, "org.gnome.Mutter.RemoteDesktop.Session", method, signature, *args)

    def key(self, code, pressed):
        self.notify("NotifyKeyboardKeycode", "(ub)", code, pressed)

    def button(self, code, pressed):
        self.notify("NotifyPointerButton", "(ib)", code, pressed)

    def move(self, x, y):
        x, y = min(max(x, 0), self.size[0] - 1), min(max(y, 0), self.size[1] - 1)
        self.notify("NotifyPointerMotionRelative", "(dd)", float(x - self.at[0]), float(y - self.at[1]))
        self.at = (x, y)

    def flush(self):
        pass


class KWin:
    """KWin's fake-input protocol (org_kde_kwin_fake_input), spoken on the
    Wayland socket directly: a few requests of fixed layout."""

    FAKE_INPUT = b"org_kde_kwin_fake_input"

    def __init__(self, width, height):
        path = os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ["WAYLAND_DISPLAY"])
        self.wayland = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.wayland.connect(path)
        self.last_id = 1
        self.globals = {}
        registry = self.new_id()
        self.send(1, 1, registry)  # wl_display.get_registry
        self.roundtrip()
        if self.FAKE_INPUT not in self.globals:
            raise RuntimeError("KWin offers no org_kde_kwin_fake_input (KWIN_WAYLAND_NO_PERMISSION_CHECKS?)")
        name, version = self.globals[self.FAKE_INPUT]
        self.fake = self.new_id()
        self.send(registry, 0, name, self.FAKE_INPUT, min(version, 4), self.fake)  # wl_registry.bind
        self.send(self.fake, 0, b"wayland-seat", b"the project's tests")  # authenticate
        self.roundtrip()

    def new_id(self):
        self.last_id += 1
        return self.last_id

    def send(self, target, opcode, *args):
        body = b""
        for arg in args:
            if isinstance(arg, bytes):
                text = arg + b"\0"
                body += struct.pack("<I", len(text)) + text + b"\0" * (-len(text) % 4)
            elif isinstance(arg, float):
                body += struct.pack("<i", round(arg * 256))  # wl_fixed_t
            else:
                body += struct.pack("<I", arg)
        self.wayland.sendall(struct.pack("<II", target, (8 + len(body)) << 16 | opcode) + body)

    def receive(self, size):
        data = b""
        while len(data) < size:
            chunk = self.wayland.recv(size - len(data))
            if not chunk:
                raise RuntimeError("KWin closed the connection")
            data += chunk
        return data

    def roundtrip(self):
        """Waits until KWin has handled every request sent before."""
        callback = self.new_id()
        self.send(1, 0, callback)  # wl_display.sync
        while True:
            target, word = struct.unpack("<II", self.receive(8))
            body = self.receive((word >> 16) - 8)
            opcode = word & 0xFFFF
            if target == 1 and opcode == 0:  # wl_display.error
                length = struct.unpack_from("<I", body, 8)[0]
                raise RuntimeError(f"KWin: {body[12:12 + length - 1].decode(errors='replace')}")
            if target == callback:
                return
            if target == 2 and opcode == 0:  # wl_registry.global
                name, length = struct.unpack_from("<II", body)
                interface = body[8:8 + length - 1]
                self.globals[interface] = (name, struct.unpack_from("<I", body, 8 + (length + 3) // 4 * 4)[0])

    def key(self, code, pressed):
        self.send(self.fake, 10, code, int(pressed))

    def button(self, code, pressed):
        self.send(self.fake, 2, code, int(pressed))

    def move(self, x, y):
        self.send(self.fake, 9, float(x), float(y))

    def flush(self):
        self.roundtrip()


def run(seat, words):
    delay = 0.0
    command, words = words[0], words[1:]
    if words[:1] == ["--delay"]:
        delay, words = int(words[1]) / 1000, words[2:]
    if command == "key":
        for chord in words:
            codes = [KEYS[name] for name in chord.split("+")]
            for code in codes:
                seat.key(code, True)
            for code in reversed(codes):
                seat.key(code, False)
            time.sleep(delay)
    elif command == "type":
        for letter in " ".join(words):
            shifted = letter.isupper()
            if shifted:
                seat.key(KEYS["shift"], True)
            seat.key(KEYS[letter.lower()], True)
            seat.key(KEYS[letter.lower()], False)
            if shifted:
                seat.key(KEYS["shift"], False)
            time.sleep(delay)
    elif command == "mousemove":
        seat.move(int(words[0]), int(words[1]))
    elif command in ("mousedown", "mouseup", "click"):
        if command != "mouseup":
            seat.button(BUTTONS[words[0]], True)
        if command != "mousedown":
            seat.button(BUTTONS[words[0]], False)
    else:
        raise ValueError(f"no such command: {command}")
    seat.flush()


def serve(path, kind, width, height):
    seat = {"mutter": Mutter, "kwin": KWin}[kind](width, height)
    # A first key makes the seat a keyboard's, which wl-paste asks for.
    run(seat, ["key", "shift"])
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    listener.bind(path + ".new")
    listener.listen()
    os.rename(path + ".new", path)  # the socket appears once it answers
    while True:
        connection, _ = listener.accept()
        with connection, connection.makefile("rw") as stream:
            try:
                run(seat, json.loads(stream.readline()))
                stream.write("ok\n")
            except (KeyError, ValueError, IndexError, RuntimeError) as error:
                stream.write(f"{type(error).__name__}: {error}\n")
            except Exception as error:  # the compositor went away: so do we
                stream.write(f"{type(error).__name__}: {error}\n")
                raise


def send(path, words):
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as connection:
        connection.connect(path)
        connection.sendall((json.dumps(words) + "\n").encode())
        answer = connection.makefile().readline().strip()
    if answer != "ok":
        print(f"wayland-seat {' '.join(words)}: {answer or 'no answer'}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 6 and sys.argv[2] == "serve":
        serve(sys.argv[1], sys.argv[3], int(sys.argv[4]), int(sys.argv[5]))
    elif len(sys.argv) > 2:
        sys.exit(send(sys.argv[1], sys.argv[2:]))
    else:
        sys.exit(__doc__)
