"""One emulated unit for the image checks: scripts/boot with its serial
console on a pipe, the daemon's port forwarded to 127.0.0.1, and the
build machine's client to talk to it."""

import ctypes
import os
import re
import select
import shutil
import signal
import subprocess
import threading
import time

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
CLIENT = os.path.join(TOP, "build", "bin", "kip-param-client")

_libc = ctypes.CDLL(None, use_errno=True)
inotify_init1, inotify_add_watch = _libc.inotify_init1, _libc.inotify_add_watch
IN_MODIFY = 0x2
INOTIFY_EVENT_SIZE = 16  # a watch on a file gives events without a name

# The emulator is slow and the machine shared: generous, since a check that
# fails one run in ten is no check.
BOOT_SECONDS = 120
COMMAND_SECONDS = 60


class UnitError(Exception):
    pass


class Unit:
    """A unit booted from build/image; everything it printed on its console
    is kept, in order, in self.console (and in WORK/console.log)."""

    def __init__(self, work, port=3180, disk=None, flash=False, add=None):
        self.work = work
        self.port = port
        self.disk = disk or os.path.join(work, "disk.img")
        self.flash = flash
        self.add = add
        self.console = ""
        self.process = None
        self._lock = threading.Condition()
        self._commands = 0

    def boot(self):
        """Powers the unit on; returns at once (see wait_answering)."""
        command = [os.path.join(TOP, "scripts", "boot"), "--no-build", "--port", str(self.port), "--disk", self.disk]
        if self.flash:
            command.append("--flash")
        if self.add:
            command += ["--add", self.add]
        self.console = ""
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT)
        threading.Thread(target=self._read, args=(self.process,), daemon=True).start()

    def _read(self, process):
        with open(os.path.join(self.work, "console.log"), "ab") as log:
            while True:
                data = os.read(process.stdout.fileno(), 4096)
                if not data:
                    break
                log.write(data)
                with self._lock:
                    self.console += data.decode("utf-8", "replace").replace("\r", "")
                    self._lock.notify_all()
        with self._lock:
            self._lock.notify_all()

    def wait_for(self, text, since=0, seconds=BOOT_SECONDS):
        """The offset in self.console just past TEXT's first appearance after SINCE."""
        return self.wait_match(re.escape(text), since, seconds).end()

    def wait_match(self, pattern, since=0, seconds=BOOT_SECONDS):
        """The first match of the regular expression PATTERN in self.console after SINCE."""
        pattern = re.compile(pattern, re.S)
        deadline = time.monotonic() + seconds
        with self._lock:
            while True:
                found = pattern.search(self.console, since)
                if found:
                    return found
                left = deadline - time.monotonic()
                if left <= 0 or self.process.poll() is not None:
                    raise UnitError(f"no {pattern.pattern!r} on the console in {seconds} s; it ends:\n"
                                    f"{self.console[-2000:]}")
                self._lock.wait(min(left, 1))

    def shell(self, command, seconds=COMMAND_SECONDS):
        """Runs COMMAND in the console's shell; its output (an error when it fails)."""
        self._commands += 1
        n = self._commands
        since = len(self.console)
        # printf's format keeps the markers out of the echoed command line.
        line = f"printf '<%s<\\n' {n}; {command}; printf '>%s>%s\\n' {n} $?\n"
        self.process.stdin.write(line.encode())
        self.process.stdin.flush()
        found = self.wait_match(rf"<{n}<\n(.*?)>{n}>(\d+)\n", since, seconds)
        if found.group(2) != "0":
            raise UnitError(f"'{command}' on the unit failed ({found.group(2)}):\n{found.group(1)}")
        return found.group(1)

    def client(self, *words, timeout=5):
        """Runs the build machine's client against the unit; its output as bytes,
        exactly as the daemon sent them."""
        return subprocess.run([CLIENT, "--port", str(self.port), "--timeout", str(timeout), *words],
                              capture_output=True)

    def wait_answering(self, seconds=BOOT_SECONDS):
        """Seconds from now until the daemon answers a query."""
        started = time.monotonic()
        while time.monotonic() - started < seconds:
            if self.client("query", "LUN", timeout=2).returncode == 0:
                return time.monotonic() - started
            if self.process.poll() is not None:
                break
        raise UnitError(f"the daemon did not answer in {seconds} s; the console ends:\n{self.console[-2000:]}")

    def cut_power_after_writes(self, count):
        """Cuts the power once the disk has taken COUNT more writes, or after
        BOOT_SECONDS without them: a random moment among those that matter
        to a store."""
        watch = inotify_init1(os.O_CLOEXEC)
        if watch < 0 or inotify_add_watch(watch, self.disk.encode(), IN_MODIFY) < 0:
            raise UnitError(f"cannot watch {self.disk}: {os.strerror(ctypes.get_errno())}")
        process = self.process

        def count_writes():
            seen, deadline = 0, time.monotonic() + BOOT_SECONDS
            while seen < count and process.poll() is None and time.monotonic() < deadline:
                if select.select([watch], [], [], 0.2)[0]:
                    seen += len(os.read(watch, 4096)) // INOTIFY_EVENT_SIZE
            process.kill()
            os.close(watch)

        threading.Thread(target=count_writes, daemon=True).start()

    def cut_power(self):
        """SIGKILL to the emulator: whatever did not reach the disk is gone."""
        self.process.send_signal(signal.SIGKILL)
        self.process.wait()

    def power_off(self):
        if self.process and self.process.poll() is None:
            self.cut_power()


def overlay(work, files):
    """A newc archive in WORK that lays FILES ({path on the unit: path here}) over the image."""
    root = os.path.join(work, "overlay")
    for target, source in files.items():
        destination = os.path.join(root, target.lstrip("/"))
        os.makedirs(os.path.dirname(destination), exist_ok=True)
        shutil.copy(source, destination)
    archive = os.path.join(work, "overlay.cpio")
    names = subprocess.run(["find", "."], cwd=root, capture_output=True, check=True).stdout
    with open(archive, "wb") as out:
        subprocess.run(["cpio", "--quiet", "-o", "-H", "newc", "-R", "0:0"], cwd=root, input=names,
                       stdout=out, check=True)
    return archive


def store_values(unit):
    """{store id: value as text} from the unit's own store tool; an error when the store is unreadable."""
    rows = (line.split() for line in unit.shell("kip-param-store show").splitlines())
    return {int(row[0]): row[-1] for row in rows if row}


def allowed(value, last_reported, sent_after):
    """The store's promise after a power cut: a parameter holds the value of
    the last write that reported success, or of one sent after it; never a
    value nobody sent, never an older one."""
    return value == last_reported or value in sent_after
