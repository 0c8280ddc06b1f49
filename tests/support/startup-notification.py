#!/usr/bin/python3
"""startup-notification.py ID [SECONDS]

Plays the desktop's part in a launch with startup notification (the
freedesktop.org protocol: X11 messages to the root window): announces the
launch ID ("new:", as a menu does when it starts the busy cursor), then
prints every startup message sent on the display, one a line, for SECONDS
(30). After each that ends the launch ("remove:" with that ID, as the
protocol quotes it) it prints "ended by WINDOW", the window the sender named,
in decimal: a window manager may end a launch too.
"""
import re
import select
import sys
import time

from Xlib import X, display, protocol


def message_id(text):
    """The ID of a message: a backslash escapes, double quotes hold blanks."""
    found = re.search(r'\sID=((?:\\.|"(?:\\.|[^"\\])*"|[^\s"\\])*)', text)
    return found and re.sub(r'\\(.)|"', lambda m: m.group(1) or "", found.group(1))


def main():
    launch = sys.argv[1]
    deadline = time.monotonic() + (float(sys.argv[2]) if len(sys.argv) > 2 else 30)
    screen = display.Display()
    root = screen.screen().root
    root.change_attributes(event_mask=X.PropertyChangeMask)
    begin = screen.intern_atom("_NET_STARTUP_INFO_BEGIN")
    more = screen.intern_atom("_NET_STARTUP_INFO")
    # A message goes in pieces of 20 bytes, each naming a window of its sender.
    sender = root.create_window(-10, -10, 1, 1, 0, X.CopyFromParent, override_redirect=True)
    quoted = re.sub(r'([ "\\])', r"\\\1", launch)
    message = f'new: ID={quoted} NAME="Yarvo Dururive" BIN=dururive SCREEN=0'.encode() + b"\0"
    for at in range(0, len(message), 20):
        root.send_event(protocol.event.ClientMessage(
            window=sender, client_type=begin if at == 0 else more,
            data=(8, message[at:at + 20].ljust(20, b"\0"))), event_mask=X.PropertyChangeMask)
    screen.flush()

    pieces = {}  # the bytes so far of each sender's message
    while time.monotonic() < deadline:
        if not screen.pending_events():
            select.select([screen.fileno()], [], [], max(0.0, deadline - time.monotonic()))
            continue
        event = screen.next_event()
        if event.type != X.ClientMessage or event.client_type not in (begin, more):
            continue
        window, data = event.window.id, bytes(event.data[1])
        if event.client_type == begin:
            pieces[window] = b""
        if window not in pieces:
            continue
        pieces[window] += data.split(b"\0", 1)[0]
        if b"\0" in data:
            text = pieces.pop(window).decode("utf-8", "replace")
            print(text, flush=True)
            if text.startswith("remove:") and message_id(text) == launch:
                print(f"ended by {window}", flush=True)


if __name__ == "__main__":
    main()
