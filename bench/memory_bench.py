#!/usr/bin/python3
"""Memory of the real program as a user meets it, on its own X display with a
window manager and session bus: resident set of the main process and
proportional set of its whole process tree at start (no engine process yet), with the browser page open
on a loopback directory, and after a minute minimised. Also the time until the
main window shows and the CPU it uses while idle. Prints figures; asserts
nothing."""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WAVEDOCK = "@CMAKE_BINARY_DIR@/src/app/wavedock"
FIXTURE_SERVER = "@CMAKE_SOURCE_DIR@/tests/support/fixture-http-server"
DIRECTORY_HOST = "www.shoutcast.com"
BROWSER_TAB = (40, 126)  # the first tab of the page notebook, in window coordinates
CLK_TCK = os.sysconf("SC_CLK_TCK")
sys.path.insert(0, "@CMAKE_SOURCE_DIR@/tests/support")
from polling import wait_until  # noqa: E402


def children(pid):
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == pid:
            found.append(int(entry))
    return found


def tree(pid):
    pids, queue = [], [pid]
    while queue:
        current = queue.pop()
        pids.append(current)
        queue.extend(children(current))
    return pids


def kib(pid, path, key):
    try:
        with open("/proc/%d/%s" % (pid, path)) as text:
            for line in text:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def renderers(pid):
    found = []
    for child in tree(pid)[1:]:
        try:
            with open("/proc/%d/cmdline" % child, "rb") as cmdline:
                if b"--type=renderer" in cmdline.read():
                    found.append(child)
        except OSError:
            pass
    return found


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def report(label, pid):
    pids = tree(pid)
    rss = kib(pid, "status", "VmRSS") / 1024
    pss = sum(kib(p, "smaps_rollup", "Pss") for p in pids) / 1024
    renderer_pss = sum(kib(p, "smaps_rollup", "Pss") for p in renderers(pid)) / 1024
    # What only the renderer holds, and so what its end gives back.
    renderer_private = sum(kib(p, "smaps_rollup", "Private_Clean") +
                           kib(p, "smaps_rollup", "Private_Dirty") for p in renderers(pid)) / 1024
    print("%-26s main RSS %6.1f MB   tree PSS %6.1f MB   processes %d   renderer PSS %5.1f MB"
          " (private %5.1f MB)" % (label, rss, pss, len(pids), renderer_pss, renderer_private))
    sys.stdout.flush()
    return pss, renderer_pss, renderer_private


def xdotool(*args, env):
    return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True).stdout.split()


def main():
    sandbox = tempfile.mkdtemp(prefix="wavedock-memory-")
    started = []
    try:
        env = dict(os.environ)
        for name in ("home", "config", "data", "cache", "runtime"):
            os.makedirs(os.path.join(sandbox, name), mode=0o700)
        env.update(HOME=sandbox + "/home", XDG_CONFIG_HOME=sandbox + "/config",
                   XDG_DATA_HOME=sandbox + "/data", XDG_CACHE_HOME=sandbox + "/cache",
                   XDG_RUNTIME_DIR=sandbox + "/runtime", QT_QPA_PLATFORM="xcb")
        env.pop("WAYLAND_DISPLAY", None)

        xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24",
                                 "-nolisten", "tcp"], stdout=subprocess.PIPE)
        started.append(xvfb)
        env["DISPLAY"] = ":" + xvfb.stdout.readline().decode().strip()
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                               stdout=subprocess.PIPE, env=env)
        started.append(bus)
        env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
        wm = subprocess.Popen(["openbox", "--sm-disable"], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        started.append(wm)
        server = subprocess.Popen([FIXTURE_SERVER], stdout=subprocess.PIPE, env=env)
        started.append(server)
        port = int(server.stdout.readline().decode().strip())
        # The engine shows the loopback directory under the real host name.
        env["QTWEBENGINE_CHROMIUM_FLAGS"] = (
            env.get("QTWEBENGINE_CHROMIUM_FLAGS", "") +
            ' --host-resolver-rules="MAP %s 127.0.0.1:%d"' % (DIRECTORY_HOST, port)).strip()
        if os.geteuid() == 0:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        time.sleep(0.5)  # let the window manager take the display

        launched = time.monotonic()
        app = subprocess.Popen([WAVEDOCK], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
        started.append(app)

        def main_window():
            for window in xdotool("search", "--onlyvisible", "--name", "^Wavedock$", env=env):
                geometry = xdotool("getwindowgeometry", "--shell", window, env=env)
                if "WIDTH=681" in geometry:
                    return window
            return None

        window = wait_until(main_window, 20, 0.01)
        if not window:
            print("the main window never showed")
            return 1
        print("main window shown after %.2f s" % (time.monotonic() - launched))
        time.sleep(max(0, 5 - (time.monotonic() - launched)))
        at_start, _, _ = report("5 s after start:", app.pid)
        before = cpu_ticks(app.pid)
        time.sleep(10)
        print("CPU while idle for 10 s: %d ms" % ((cpu_ticks(app.pid) - before) * 1000 // CLK_TCK))

        xdotool("mousemove", "--window", window, str(BROWSER_TAB[0]), str(BROWSER_TAB[1]),
                "click", "1", env=env)
        if not wait_until(lambda: renderers(app.pid), 20, 0.1):
            print("no renderer started after opening the browser page")
            return 1
        # Loaded once the renderer has been still for a second.
        last = None
        for _ in range(30):
            ticks = sum(cpu_ticks(p) for p in renderers(app.pid))
            if ticks == last:
                break
            last = ticks
            time.sleep(1)
        open_pss, renderer_pss, renderer_private = report("browser page open:", app.pid)

        # The engine's first use keeps the main window's native window.
        after = main_window()
        print("main window X id %s before the browser page, %s after (%s)"
              % (window, after, "the same" if after == window else "CHANGED"))
        window = after or window
        xdotool("windowminimize", window, env=env)
        minimised = time.monotonic()
        gone = wait_until(lambda: not renderers(app.pid), 90, 0.5)
        print("renderer ended %.0f s after minimising" % (time.monotonic() - minimised)
              if gone else "the renderer still runs 90 s after minimising")
        time.sleep(max(0, 62 - (time.monotonic() - minimised)))
        away_pss, _, _ = report("60 s after minimising:", app.pid)
        print("tree PSS fell by %.1f MB (the renderer's share was %.1f MB, its own %.1f MB)"
              % (open_pss - away_pss, renderer_pss, renderer_private))
        return 0
    finally:
        for process in reversed(started):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
        shutil.rmtree(sandbox, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
