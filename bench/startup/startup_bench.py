#!/usr/bin/env python3
"""Start-up time and peak memory of the program against a minimal Qt Widgets
program, measured side by side, run after run, on one X display.

Usage (inside an X session, e.g. tests/support/desktop-session.sh):
    startup_bench.py PROGRAM MINIMAL [RUNS]

A third row, "with text", is the minimal program showing one line of text:
what any window that shows text pays for its font set-up, for comparison.

Start-up ends when the window manager has taken the window in (it appears in
the root window's _NET_CLIENT_LIST) and, for the program, when scrap.htm has
been written in its working directory. Peak memory is the process's maximum
resident set size, read from wait4() after it is ended.
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time


class ClientWatch:
    """Follows _NET_CLIENT_LIST through `xprop -spy`; no polling."""

    def __init__(self):
        self.proc = subprocess.Popen(["xprop", "-root", "-spy", "_NET_CLIENT_LIST"],
                                     stdout=subprocess.PIPE, text=True)
        self.cond = threading.Condition()
        self.clients = set()
        self.changed_at = {}
        first = self.proc.stdout.readline()
        self._take(first, time.monotonic())
        threading.Thread(target=self._read, daemon=True).start()

    def _take(self, line, now):
        ids = set()
        if "#" in line:
            ids = {w.strip() for w in line.split("#", 1)[1].split(",") if w.strip()}
        with self.cond:
            for new in ids - self.clients:
                self.changed_at[new] = now
            self.clients = ids
            self.cond.notify_all()

    def _read(self):
        for line in self.proc.stdout:
            self._take(line, time.monotonic())

    def snapshot(self):
        with self.cond:
            return set(self.clients)

    def wait_new(self, known, timeout):
        deadline = time.monotonic() + timeout
        with self.cond:
            while True:
                new = self.clients - known
                if new:
                    return min(self.changed_at[w] for w in new)
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError("no window appeared")
                self.cond.wait(left)

    def wait_gone(self, known, timeout=5):
        deadline = time.monotonic() + timeout
        with self.cond:
            while self.clients - known and time.monotonic() < deadline:
                self.cond.wait(0.05)

    def close(self):
        self.proc.terminate()
        self.proc.wait()


def run_once(watch, program, expect_file, args=()):
    work = tempfile.mkdtemp(prefix="dururive-bench-")
    scrap = os.path.join(work, "scrap.htm")
    known = watch.snapshot()
    start = time.monotonic()
    proc = subprocess.Popen([program, *args], cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shown = watch.wait_new(known, 20)
    written = start
    if expect_file:
        while not os.path.exists(scrap):
            if time.monotonic() - start > 20:
                raise TimeoutError("scrap.htm was not written")
            time.sleep(0.0005)
        written = time.monotonic()
    ready = max(shown, written) - start
    time.sleep(0.3)  # let it settle before its memory is read
    os.kill(proc.pid, signal.SIGTERM)
    _, _, usage = os.wait4(proc.pid, 0)
    watch.wait_gone(known)
    if os.path.exists(scrap):
        os.remove(scrap)
    os.rmdir(work)
    return ready, usage.ru_maxrss  # seconds, KiB


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    program, minimal = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    watch = ClientWatch()
    results = {"dururive": [], "minimal": [], "with text": []}
    try:
        run_once(watch, minimal, False)  # warm the caches for both
        run_once(watch, program, True)
        for _ in range(runs):
            results["minimal"].append(run_once(watch, minimal, False))
            results["with text"].append(run_once(watch, minimal, False, ["--text"]))
            results["dururive"].append(run_once(watch, program, True))
    finally:
        watch.close()

    def med(name, i):
        return statistics.median(r[i] for r in results[name])

    t_prog, t_min = med("dururive", 0), med("minimal", 0)
    m_prog, m_min = med("dururive", 1), med("minimal", 1)
    print(f"runs: {runs} each, medians")
    print(f"{'':10} {'start-up ms':>12} {'peak RSS MiB':>13}")
    print(f"{'dururive':10} {t_prog * 1000:12.1f} {m_prog / 1024:13.1f}")
    t_text, m_text = med("with text", 0), med("with text", 1)
    print(f"{'minimal':10} {t_min * 1000:12.1f} {m_min / 1024:13.1f}")
    print(f"{'with text':10} {t_text * 1000:12.1f} {m_text / 1024:13.1f}")
    print(f"{'ratio':10} {t_prog / t_min:12.2f} {m_prog / m_min:13.2f}   (dururive / minimal, target <= 1.20)")
    print(f"{'':10} {t_prog / t_text:12.2f} {m_prog / m_text:13.2f}   (dururive / with text)")


if __name__ == "__main__":
    main()
