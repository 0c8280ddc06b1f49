#!/usr/bin/python3
"""screen-reader.py [--orca] PROGRAM

What a screen reader finds in the program and can do with it, over AT-SPI
with a real client (pyatspi). Run it through desktop-session.sh with
DURURIVE_ACCESSIBILITY_BUS=1: the accessibility bus is up, as on a desktop,
and no screen reader is on when the program starts; the screen reader
starts once the window is shown.

With --orca, the screen reader is Debian's own, Orca, and the program is
walked by keyboard as a blind user would; what Orca says is written to a
file by speech-dispatcher and checked line by line.
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import time

failures = []


def fail(message):
    print(f"FAIL: {message}", file=sys.stderr)
    failures.append(message)


def wait_for(check, timeout=10.0):
    """Polls check() until it gives a true value or the time is up; returns
    the last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = check()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(0.05)


def set_status(name, value):
    """Sets a switch of org.a11y.Status, as a screen reader does when it starts."""
    subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                    "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", f"string:{name}",
                    f"variant:boolean:{'true' if value else 'false'}"], check=True, stdout=subprocess.DEVNULL)


class Orca:
    """Orca, with its settings and its speech server's in a home of their
    own; speech-dispatcher's generic module appends each text it would say
    to a file, one line each, and plays nothing."""

    def __init__(self, folder):
        self.folder, self.heard, self.procs = folder, 0, []
        self.spoken = os.path.join(folder, "spoken")
        os.makedirs(os.path.join(folder, "modules"))
        settings = {"enableBraille": False, "enableSound": False}
        for name, text in {
            "speechd.conf": 'AddModule "capture" "sd_generic" "capture.conf"\nDefaultModule capture\n'
                            'AudioOutputMethod "alsa"\nAudioALSADevice "null"\n',
            "modules/capture.conf": f'GenericExecuteSynth "printf \'%s\\\\n\' \'$DATA\' >> {self.spoken}"\n'
                                    'GenericLanguage "en" "en" "utf-8"\nAddVoice "en" "MALE1" "capture"\n',
            "user-settings.conf": json.dumps({
                "general": settings, "profiles": {"default": dict(settings, profile=["Default", "default"])},
                "pronunciations": {}, "keybindings": {}}),
        }.items():
            with open(os.path.join(folder, name), "w") as out:
                out.write(text)

    def start(self):
        socket = os.path.join(self.folder, "speechd.sock")
        env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_") or k == "XDG_RUNTIME_DIR"}
        env.update(HOME=self.folder, SPEECHD_ADDRESS=f"unix_socket:{socket}", GSETTINGS_BACKEND="memory")
        log = open(os.path.join(self.folder, "orca.log"), "w")
        self.procs.append(subprocess.Popen(["speech-dispatcher", "-s", "-t", "0", "-C", self.folder, "-S", socket,
                                            "-L", self.folder], env=env, stdout=log, stderr=log))
        if not wait_for(lambda: os.path.exists(socket)):
            raise RuntimeError("speech-dispatcher did not start")
        set_status("IsEnabled", True)  # as Orca does on a desktop
        for _ in range(3):
            # Orca runs once per user, on any display: another test's must end
            # first, and the user's own screen reader is left alone. One that
            # another test started at the same moment makes this one quit.
            if not wait_for(lambda: subprocess.run(["pgrep", "-u", str(os.getuid()), "-x", "orca"],
                                                   stdout=subprocess.DEVNULL).returncode == 1, 60):
                print("skipped: this user runs Orca already", file=sys.stderr)
                sys.exit(77)
            orca = subprocess.Popen(["orca", "-u", self.folder], env=env, stdout=log, stderr=log)
            self.procs.append(orca)
            if wait_for(lambda: orca.poll() is not None or self.lines(), 45) and orca.poll() is None:
                break
        return self.hear("Screen reader on")

    def lines(self):
        return open(self.spoken).read().splitlines() if os.path.exists(self.spoken) else []

    def hear(self, pattern, timeout=10):
        """Waits for a line said since the last one heard that matches the
        pattern (a regular expression), and gives its match."""
        def said():
            lines = self.lines()
            return next(((i, m) for i in range(self.heard, len(lines)) if (m := re.search(pattern, lines[i]))), None)
        found = wait_for(said, timeout)
        if not found:
            fail(f"Orca did not say /{pattern}/; it said: {self.lines()[self.heard:]}")
            return None
        self.heard = found[0] + 1
        return found[1]

    def stop(self):
        for proc in reversed(self.procs):
            proc.terminate()
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:  # Orca may hang on its way out
                proc.kill()
                proc.wait()


# The keyboard walk: the keys pressed, then what Orca says, line by line.
# Flat review starts at Copy and moves with keys that do nothing to a button,
# should Orca answer the program later than Qt waits for it: the line above,
# the scrap's line, the strip's caption, the strip with its letters only.
WALK = [
    ([], ["^Ketro's Yarvo Dururive frame", "^Style 1"]),
    (["Right"], ["^Style 2", "selected radio button"]),
    (["Tab"], [r"^Enter Text Here \(Max 20 chars\) text"]),
    (["h", "i"], ["^i"]),
    (["Tab"], ["^About push button"]),
    (["shift+F10", "Down"], [r"^Save as Animated GIF dot dot dot"]),
    (["Escape"], ["^About push button"]),
    (["Tab"], ["^Copy push button"]),
    (["KP_Subtract"], ["^Entering flat review"]),
    (["KP_Home"], ["^Copy This text to yarvo"]),
    (["KP_Page_Up"], [r"^<img src='\S+/2/h\.gif'><img src='\S+/2/i\.gif'> Copy$"]),
    (["KP_Page_Up"], [r"^Preview \(Without Animation\)$"]),
    (["KP_Page_Up"], ["^Preview letter 1: h Preview letter 2: i$"]),
    (["KP_Subtract"], ["^Leaving flat review"]),
    (["shift+Tab"], ["^About push button"]),
    (["space"], ["^About  dialog", "^OK push button"]),
    (["Tab"], [r"^(\S+) link\.$"]),
    (["shift+Tab"], ["^OK push button"]),
    (["Tab"], [r"^(\S+) link\.$"]),
]


def walk(orca, opened):
    link = None
    for keys, lines in WALK:
        if keys:
            subprocess.run(["xdotool", "key", "--delay", "50", *keys], check=True)
        for line in lines:
            link = orca.hear(line) or link
    subprocess.run(["xdotool", "key", "Return"], check=True)
    requests = wait_for(lambda: os.path.exists(opened) and open(opened).read().split())
    if not link or requests != [link.group(1)]:
        fail(f"Return on the link asked the shell to open {requests}, not the address Orca said")
    empty = [line for line in orca.lines() if "empty" in line]
    if empty:
        fail(f"Orca spoke of empty slots: {empty}")


class Writes:
    """Every completed write or rename in a folder, through inotifywait."""

    def __init__(self, folder, log):
        self.folder, self.log, self.syncs = folder, log, 0
        self.proc = subprocess.Popen(["inotifywait", "-m", "-e", "close_write", "-e", "moved_to",
                                      "--format", "%f", folder],
                                     stdout=open(log, "w"), stderr=subprocess.PIPE, text=True)
        if "Watches established" not in self.proc.stderr.readline() + self.proc.stderr.readline():
            raise RuntimeError("inotifywait did not start")

    def count(self, name):
        """How often name was written so far: a marker written now is reported
        after everything written before it."""
        self.syncs += 1
        marker = f".sync{self.syncs}"
        open(os.path.join(self.folder, marker), "w").close()
        lines = wait_for(lambda: (l := open(self.log).read().split()) and marker in l and l, 5)
        if not lines:
            raise RuntimeError("the watch fell behind")
        return lines.count(name)

    def close(self):
        self.proc.terminate()
        self.proc.wait()


def main():
    program = os.path.abspath(sys.argv[-1])
    work = tempfile.mkdtemp(prefix="dururive-atspi-")
    run = os.path.join(work, "run")
    os.mkdir(run)
    # The desktop's opener, replaced by one that records what it was given.
    fakebin = os.path.join(work, "bin")
    os.mkdir(fakebin)
    opened = os.path.join(work, "opened")
    with open(os.path.join(fakebin, "xdg-open"), "w") as opener:
        opener.write(f'#!/bin/sh\nprintf "%s\\n" "$*" >> "{opened}"\n')
    os.chmod(os.path.join(fakebin, "xdg-open"), 0o755)

    set_status("ScreenReaderEnabled", False)
    set_status("IsEnabled", False)
    orca = Orca(os.path.join(work, "orca")) if sys.argv[1] == "--orca" else None
    writes = Writes(run, os.path.join(work, "writes"))
    env = dict(os.environ, PATH=f"{fakebin}:{os.environ['PATH']}")
    env.pop("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", None)
    proc = None
    try:
        proc = subprocess.Popen([program], cwd=run, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shown = wait_for(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                                 "^Ketro's Yarvo Dururive$"], capture_output=True).returncode == 0)
        if not shown:
            fail("the main window did not appear")
            return
        if orca and orca.start():  # the screen reader starts only now
            walk(orca, opened)
        elif not orca:
            check(writes, opened)
    finally:
        if proc and proc.poll() is None:
            proc.terminate()
        if proc:
            proc.wait()
        writes.close()
        if orca:
            orca.stop()
            if failures:
                print("Orca said:", *orca.lines(), sep="\n  ", file=sys.stderr)
        subprocess.run(["rm", "-rf", work])


def check(writes, opened):
    # The screen reader starts only now.
    set_status("ScreenReaderEnabled", True)
    import pyatspi
    from gi.repository import Atspi

    desktop = pyatspi.Registry.getDesktop(0)
    desktop.set_cache_mask(Atspi.Cache.NONE)  # read states and names afresh

    def apps():
        return [a for a in desktop if a is not None and a.name == "Yarvo Dururive"]

    found = wait_for(apps, 15)
    if not found:
        fail("a screen reader started after the program does not find it; applications: "
             f"{[a.name for a in desktop if a is not None]}")
        return
    app = found[0]

    def window(role, name):
        return next((w for w in app if w is not None and w.getRole() == role and w.name == name), None)

    def find(root, name, role=None):
        return pyatspi.findDescendant(root, lambda a: a.name == name and (role is None or a.getRole() == role))

    def states(acc):
        return {s.value_nick.replace("-", "_") for s in acc.getState().getStates()}

    def names(root):
        return [a.name for a in pyatspi.findAllDescendants(root, lambda a: True)]

    def act(acc, action):
        actions = acc.queryAction()
        wanted = [i for i in range(actions.nActions) if actions.getName(i).lower() == action]
        if not wanted:
            fail(f"'{acc.name}' has no {action} action: {[actions.getName(i) for i in range(actions.nActions)]}")
            return
        actions.doAction(wanted[0])

    main = wait_for(lambda: window(pyatspi.ROLE_FRAME, "Ketro's Yarvo Dururive"))
    if not main:
        fail(f"no frame for the main window: {[(w.getRoleName(), w.name) for w in app]}")
        return
    if "modal" in states(main):
        fail("the main window says it is modal")

    style1 = find(main, "Style 1", pyatspi.ROLE_RADIO_BUTTON)
    style2 = find(main, "Style 2", pyatspi.ROLE_RADIO_BUTTON)
    if not style1 or not style2:
        fail(f"the style buttons are no radio buttons: "
             f"{[(a.getRoleName(), a.name) for a in pyatspi.findAllDescendants(main, lambda a: 'Style' in a.name)]}")
        return
    if "checked" not in states(style1) or "checked" in states(style2):
        fail(f"at start: Style 1 {states(style1)}, Style 2 {states(style2)}")

    text2 = pyatspi.findDescendant(main, lambda a: a.name == "Scrap" and
                                   a.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY))
    text2_states = states(text2) if text2 else set()
    if not text2 or not {"read_only"} <= text2_states or text2_states & {"editable", "focusable"}:
        fail(f"Text2 is not shown as read-only, not editable, not focusable: {text2_states}")

    def strip():
        return sorted(n for n in names(main) if n.startswith("Preview letter"))

    if strip():
        fail(f"the empty strip shows a screen reader its slots: {strip()[:3]}")

    # The radio action on Style 2: selected, Style 1 cleared, composed once.
    before = writes.count("scrap.htm")
    act(style2, "press")
    if not wait_for(lambda: "checked" in states(style2) and "checked" not in states(style1)):
        fail(f"after the action on Style 2: Style 1 {states(style1)}, Style 2 {states(style2)}")
    composed = writes.count("scrap.htm") - before
    if composed != 1:
        fail(f"the action on Style 2 composed {composed} times")

    # Typing "hi" into Text1: the slots say what they show.
    text1 = pyatspi.findDescendant(main, lambda a: a.name == "Enter Text Here (Max 20 chars)" and
                                   a.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY))
    box = text1.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", "--sync", str(box.x + box.width // 2), str(box.y + box.height // 2),
                    "click", "1", "type", "--delay", "30", "hi"], check=True)
    wanted = ["Preview letter 1: h", "Preview letter 2: i"]
    if not wait_for(lambda: strip() == wanted and all(find(main, n, pyatspi.ROLE_IMAGE) for n in wanted)):
        fail(f"after typing 'hi' the strip shows {strip()[:3]}, not only its two letters")

    # About: a modal dialog; each text once; the link opens the author's page.
    act(find(main, "About", pyatspi.ROLE_PUSH_BUTTON), "press")
    about = wait_for(lambda: window(pyatspi.ROLE_DIALOG, "About "))
    if not about:
        fail(f"About is not shown as a dialog: {[(w.getRoleName(), w.name) for w in app]}")
        return
    if "modal" not in states(about):
        fail(f"About is not marked modal: {states(about)}")
    said = names(about)
    for text in ("Ketro's Yarvo Dururive", "Ketro Vos"):
        if said.count(text) != 1:
            fail(f"About says '{text}' {said.count(text)} times")
    link = pyatspi.findDescendant(about, lambda a: a.getRole() == pyatspi.ROLE_LINK)
    if not link:
        fail(f"About has no link: {said}")
    else:
        act(link, "press")
        requests = wait_for(lambda: os.path.exists(opened) and open(opened).read().split())
        if requests != [link.name]:
            fail(f"the link's action asked the shell to open {requests}, not ['{link.name}']")
    act(find(about, "OK", pyatspi.ROLE_PUSH_BUTTON), "press")
    if not wait_for(lambda: window(pyatspi.ROLE_DIALOG, "About ") is None):
        fail("OK did not close About")


if __name__ == "__main__":
    main()
    if failures:
        print(f"{len(failures)} check(s) failed")
        sys.exit(1)
    print("screen reader: all checks passed")
