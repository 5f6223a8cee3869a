"""The emulated unit of scripts/image, driven from this machine (for
tests/image and bench/target_figures.py): scripts/boot with its serial
console on a pipe, the daemon's port forwarded to 127.0.0.1, and this
machine's client to talk to it."""

import ctypes
import os
import re
import select
import shutil
import subprocess
import threading
import time

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
CLIENT = os.path.join(TOP, "build", "bin", "kip-param-client")

_libc = ctypes.CDLL(None, use_errno=True)
IN_MODIFY = 0x2
INOTIFY_EVENT_SIZE = 16  # a watch on a file gives events without a name

# The emulator is slow and the machine shared: generous, since a check that
# fails one run in ten is no check.
BOOT_SECONDS = 120
COMMAND_SECONDS = 60

DAEMON = "$(pidof app-kip-param)"
USER_HZ = 100  # /proc/PID/stat counts in these on every Linux
# What a unit is asked day to day, in turn: reads and one-key documents.
REQUESTS = [("query", "DOR"), ("query", "LUN"), ("set", "Power", "7"), ("set", "RadioID", "305419896")]


class Unit:
    """A unit booted from build/image with a disk of its own in WORK (ADD:
    {path on the unit: path here}, files laid over the image); all it printed
    on its console since power-on is in self.console. As a context manager,
    its power goes at the end."""

    def __init__(self, work, port=3180, flash=False, add=None):
        self.work, self.port = work, port
        self.disk = os.path.join(work, "disk.img")
        self.options = (["--flash"] if flash else []) + (["--add", self._overlay(add)] if add else [])
        self.console = ""
        self.process = None
        self._lock = threading.Condition()
        self._commands = 0

    def __enter__(self):
        return self

    def __exit__(self, *_):
        if self.process:
            self.process.kill()
            self.process.wait()

    def _overlay(self, files):
        """A newc archive in WORK that lays FILES over the image."""
        root = os.path.join(self.work, "overlay")
        for target, source in files.items():
            destination = os.path.join(root, target.lstrip("/"))
            os.makedirs(os.path.dirname(destination), exist_ok=True)
            shutil.copy(source, destination)
        names = subprocess.run(["find", "."], cwd=root, capture_output=True, check=True).stdout
        archive = os.path.join(self.work, "overlay.cpio")
        with open(archive, "wb") as out:
            subprocess.run(["cpio", "--quiet", "-o", "-H", "newc", "-R", "0:0"], cwd=root, input=names,
                           stdout=out, check=True)
        return archive

    def boot(self):
        """Powers the unit on; the seconds until its daemon answers."""
        self.console = ""
        self.process = subprocess.Popen(
            [os.path.join(TOP, "scripts", "boot"), "--no-build", "--port", str(self.port), "--disk", self.disk,
             *self.options], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        threading.Thread(target=self._read, args=(self.process,), daemon=True).start()
        return self.wait_answering()

    def _read(self, process):
        for data in iter(lambda: os.read(process.stdout.fileno(), 4096), b""):
            with self._lock:
                self.console += data.decode("utf-8", "replace").replace("\r", "")
                self._lock.notify_all()

    def wait_for(self, pattern, since=0, seconds=BOOT_SECONDS):
        """The first match of the regular expression PATTERN (. matching
        newlines too) in self.console after offset SINCE."""
        pattern = re.compile(pattern, re.S)
        deadline = time.monotonic() + seconds
        with self._lock:
            while not (found := pattern.search(self.console, since)):
                left = deadline - time.monotonic()
                if left <= 0 or self.process.poll() is not None:
                    raise RuntimeError(f"no {pattern.pattern!r} on the console in {seconds} s; it ends:\n"
                                       f"{self.console[-2000:]}")
                self._lock.wait(min(left, 1))
            return found

    def shell(self, command, seconds=COMMAND_SECONDS):
        """Runs COMMAND in the console's shell; its output (an error when it fails)."""
        self._commands += 1
        n, since = self._commands, len(self.console)
        # printf's format keeps the markers out of the echoed command line.
        self.process.stdin.write(f"printf '<%s<\\n' {n}; {command}; printf '>%s>%s\\n' {n} $?\n".encode())
        self.process.stdin.flush()
        found = self.wait_for(rf"<{n}<\n(.*?)>{n}>(\d+)\n", since, seconds)
        if found.group(2) != "0":
            raise RuntimeError(f"'{command}' on the unit failed ({found.group(2)}):\n{found.group(1)}")
        return found.group(1)

    def client(self, *words, timeout=5):
        """Runs this machine's client against the unit; its output as bytes,
        exactly as the daemon sent them."""
        return subprocess.run([CLIENT, "--port", str(self.port), "--timeout", str(timeout), *words],
                              capture_output=True)

    def wait_answering(self):
        """Seconds from now until the daemon answers a query."""
        started = time.monotonic()
        while time.monotonic() - started < BOOT_SECONDS and self.process.poll() is None:
            if self.client("query", "LUN", timeout=2).returncode == 0:
                return time.monotonic() - started
        raise RuntimeError(f"the daemon did not answer in {BOOT_SECONDS} s; the console ends:\n"
                           f"{self.console[-2000:]}")

    def cut_power_after_writes(self, count):
        """Cuts the power once the disk has taken COUNT more writes, or after
        BOOT_SECONDS without them: a random moment among those that matter
        to a store."""
        watch = _libc.inotify_init1(os.O_CLOEXEC)
        if _libc.inotify_add_watch(watch, self.disk.encode(), IN_MODIFY) < 0:
            raise OSError(ctypes.get_errno(), f"cannot watch {self.disk}")
        process = self.process

        def count_writes():
            seen, deadline = 0, time.monotonic() + BOOT_SECONDS
            while seen < count and process.poll() is None and time.monotonic() < deadline:
                if select.select([watch], [], [], 0.2)[0]:
                    seen += len(os.read(watch, 4096)) // INOTIFY_EVENT_SIZE
            process.kill()
            os.close(watch)

        threading.Thread(target=count_writes, daemon=True).start()

    def footprint(self, idle_seconds, requests):
        """The daemon's CPU in ms over IDLE_SECONDS of silence, then its
        memory figures in KiB (VmHWM, VmRSS, RssAnon) after REQUESTS
        requests, each answered before the next."""
        before = self._daemon_ticks()
        time.sleep(idle_seconds)
        idle_ms = (self._daemon_ticks() - before) * 1000 // USER_HZ
        for n in range(requests):
            if self.client(*REQUESTS[n % len(REQUESTS)], timeout=10).returncode != 0:
                raise RuntimeError(f"request {n} got no reply")
        status = self.shell(f"cat /proc/{DAEMON}/status")
        return idle_ms, {line.split(":")[0]: int(line.split()[1]) for line in status.splitlines()
                         if line.startswith(("VmHWM", "VmRSS", "RssAnon"))}

    def _daemon_ticks(self):
        """The daemon's CPU time so far (user + system), in clock ticks."""
        fields = self.shell(f"cat /proc/{DAEMON}/stat").split(")")[1].split()
        return int(fields[11]) + int(fields[12])
