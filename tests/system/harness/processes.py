"""Processes and waiting: what every part of the harness starts things with.

A Session owns a temporary folder (with a home and a runtime folder) and the
processes started in it, each in a process group of its own, so that a
process and whatever it started end together; stop() ends them in the
reverse order, also when a test failed half-way.

    VESPERON_KEEP_TMP=1   keep the temporary folder (logs, screenshots)
    VESPERON_VERBOSE=1    print what is started and stopped to stderr
"""

import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# Generous but bounded: the CI machine has two cores.
START_TIMEOUT = 30.0
WINDOW_TIMEOUT = 30.0
CMD_TIMEOUT = 20.0


class DesktopError(RuntimeError):
    pass


def say(msg):
    if os.environ.get("VESPERON_VERBOSE") == "1":
        sys.stderr.write("desktop %.3f: %s\n" % (time.time() % 1000, msg))
        sys.stderr.flush()


def wait_for(predicate, timeout, what, interval=0.1):
    """predicate()'s first true value, tried every `interval` s; DesktopError
    after `timeout` s."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise DesktopError("timed out waiting for " + what)
        time.sleep(interval)


def read_line(fd, timeout, what):
    """One line from a pipe, within `timeout` s."""
    data = b""
    deadline = time.monotonic() + timeout
    while not data.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0:
            raise DesktopError("timed out waiting for " + what)
        ready, _, _ = select.select([fd], [], [], left)
        if not ready:
            continue
        chunk = os.read(fd, 256)
        if not chunk:
            raise DesktopError("no %s (process exited?)" % what)
        data += chunk
    return data.decode().strip()


def stop_group(label, proc, grace=5.0):
    """SIGTERM the process group of `proc` (started by Session.spawn), then
    SIGKILL what is left."""
    # Started with start_new_session, so the group id is the leader's pid; it
    # stays ours while any member (say a process the program started) lives.
    pgid = proc.pid
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(pgid, sig)
        except ProcessLookupError:
            pass
        try:
            proc.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            continue
        # The leader is gone; give the rest of the group a moment.
        try:
            wait_for(lambda: not group_alive(pgid), grace, "", interval=0.05)
            break
        except DesktopError:
            continue
    try:
        os.killpg(pgid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    for stream in (proc.stdin, proc.stdout):
        if stream is not None:
            stream.close()
    say("stopped %s (rc %s)" % (label, proc.poll()))


def group_alive(pgid):
    try:
        os.killpg(pgid, 0)
        return True
    except ProcessLookupError:
        return False


def log_tail(path, size=3000):
    """The last `size` characters of a log file, or nothing."""
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()[-size:] if size else f.read()
    except OSError:
        return ""


class Session:
    """The temporary folder and the processes started in it."""

    folder_prefix = "vesperon-desktop-"
    folder_mode = 0o700
    wait_for = staticmethod(wait_for)

    def __init__(self):
        self.tmp = self.home = self.runtime_dir = None
        self.procs = []            # (label, Popen), in the order started

    def make_folders(self):
        self.tmp = tempfile.mkdtemp(prefix=self.folder_prefix)
        os.chmod(self.tmp, self.folder_mode)
        self.runtime_dir = os.path.join(self.tmp, "runtime")
        os.mkdir(self.runtime_dir, 0o700)
        self.home = os.path.join(self.tmp, "home")
        os.mkdir(self.home, 0o700)
        say("temporary directory %s" % self.tmp)

    def spawn(self, label, argv, env=None, cwd=None, **kw):
        """Start argv in a process group of its own, with this session's
        environment unless `env`; standard output and error to LABEL.out and
        LABEL.err in the folder unless given (a file given is closed here)."""
        kw.setdefault("stdin", subprocess.DEVNULL)
        for stream, suffix in (("stdout", ".out"), ("stderr", ".err")):
            if stream not in kw:
                kw[stream] = open(os.path.join(self.tmp, label + suffix), "wb")
        say("start %s: %s" % (label, " ".join(os.fsdecode(a) for a in argv)))
        proc = subprocess.Popen(argv, env=env or self.env(), cwd=cwd or self.tmp,
                                start_new_session=True, **kw)
        for stream in ("stdout", "stderr"):
            if hasattr(kw[stream], "close"):
                kw[stream].close()
        self.procs.append((label, proc))
        return proc

    def process(self, label):
        """The last process started as `label`."""
        for name, proc in reversed(self.procs):
            if name == label:
                return proc
        raise DesktopError("no %s" % label)

    def stop_processes(self, *labels):
        """End the processes of `labels` (all when none given), the last
        started first."""
        for entry in reversed(list(self.procs)):
            if not labels or entry[0] in labels:
                stop_group(*entry)
                self.procs.remove(entry)

    def hang(self, label, hang=True):
        """Stop a process (SIGSTOP) or let it go on: a bus daemon or an X
        server stopped so accepts connections and never answers."""
        self.process(label).send_signal(signal.SIGSTOP if hang else signal.SIGCONT)

    def quiet(self, argv):
        """Whether argv, run in this session, succeeds."""
        try:
            return subprocess.run(argv, env=self.env(), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, timeout=CMD_TIMEOUT).returncode == 0
        except subprocess.TimeoutExpired:
            return False

    def log(self, name, size=3000):
        """The end of a log in the folder (LABEL.err for a process's stderr)."""
        return log_tail(os.path.join(self.tmp, name), size)

    def remove_folder(self):
        if self.tmp and os.environ.get("VESPERON_KEEP_TMP") != "1":
            shutil.rmtree(self.tmp, ignore_errors=True)
        elif self.tmp:
            sys.stderr.write("desktop: kept %s\n" % self.tmp)
