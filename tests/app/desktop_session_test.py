#!/usr/bin/python3
"""The program in the sessions a desktop gives it, seen from outside: under
weston with Xwayland it runs on X11, its splash is centred with see-through
corners, minimising hides it in the tray host and a second start brings it
back; without X11 it runs on Wayland with a see-through splash; at screen
scales 1.25, 1.5 and 2 the splash draws no pale fringe and its corners stay
see-through, by shape on plain X11 and by alpha under a compositor; and on the
screens of common laptops and desktops (size and Xft.dpi) the window comes up
at the desktop's scale, whole inside the screen. The fixture starts weston
(headless, its own runtime folder and socket), X servers with a window manager,
a private D-Bus bus with a tray host, and stops them.
Usage: desktop_session_test.py WAVEDOCK SPLASH_PROBE FAKE_STATUS_NOTIFIER_WATCHER"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from polling import wait_until  # noqa: E402

WAVEDOCK, SPLASH_PROBE, TRAY_HOST = sys.argv[1:4]
SPLASH = (525, 144)
MAIN = (681, 496)
failures = []


def check(condition, what):
    print(("PASS   : " if condition else "FAIL!  : ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


class Line:
    """A child whose standard output is read line by line as it comes."""

    def __init__(self, argv, env):
        self.process = subprocess.Popen(argv, env=env, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)
        os.set_blocking(self.process.stdout.fileno(), False)
        self.output = b""

    def said(self, line):
        try:
            self.output += os.read(self.process.stdout.fileno(), 4096)
        except BlockingIOError:
            pass
        return line.encode() in self.output.split(b"\n")


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def pixels(png_or_command, env=None):
    """Width, height and RGB bytes of a picture (a file, or a command printing PPM)."""
    if isinstance(png_or_command, str):
        data = subprocess.run(["convert", png_or_command, "ppm:-"], capture_output=True).stdout
    else:
        data = subprocess.run(png_or_command, capture_output=True, env=env).stdout
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    width, height = int(header.group(1)), int(header.group(2))
    return width, height, data[header.end():]


def pixel(picture, x, y):
    width, _, data = picture
    at = (y * width + x) * 3
    return tuple(data[at:at + 3])


class Weston:
    """weston on the headless back end with Xwayland, drawing with pixman so
    that weston-screenshooter sees what a screen would show."""

    def __init__(self, folder):
        self.folder = folder
        self.runtime = os.path.join(folder, "runtime")
        os.mkdir(self.runtime, 0o700)
        # Xwayland's socket goes where every X server's does.
        os.makedirs("/tmp/.X11-unix", mode=0o1777, exist_ok=True)
        config = os.path.join(folder, "weston.ini")
        with open(config, "w") as ini:
            ini.write("[core]\nidle-time=0\n[shell]\npanel-position=none\n"
                      "background-color=0xff204060\nlocking=false\nanimation=none\n"
                      "startup-animation=none\n")
        self.log = os.path.join(folder, "weston.log")
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        self.process = subprocess.Popen(
            ["weston", "--config=" + config, "--backend=headless-backend.so", "--use-pixman",
             "--socket=wavedock-test", "--xwayland", "--debug", "--width=1280", "--height=1024",
             "--log=" + self.log], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def display():
            try:
                with open(self.log) as log:
                    found = re.search(r"xserver listening on display (:\d+)", log.read())
                return found and found.group(1)
            except OSError:
                return None
        self.display = wait_until(display, 30)
        if not self.display:
            raise RuntimeError("weston did not start with Xwayland")

    def env(self, base, x11):
        env = dict(base, XDG_RUNTIME_DIR=self.runtime, WAYLAND_DISPLAY="wavedock-test")
        env.pop("QT_QPA_PLATFORM", None)
        if x11:
            env["DISPLAY"] = self.display
        else:
            env.pop("DISPLAY", None)
        return env

    def screenshot(self):
        shots = os.path.join(self.folder, "shots")
        shutil.rmtree(shots, ignore_errors=True)
        os.mkdir(shots)
        subprocess.run(["weston-screenshooter"], cwd=shots, env=self.env(os.environ, False),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        return pixels(os.path.join(shots, os.listdir(shots)[0]))

    def stop(self):
        stop(self.process)


def x11_windows(env, size):
    """Viewable top-level windows titled "Wavedock" of this size: (id, x, y)."""
    found = []
    listing = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Wavedock$"],
                             env=env, capture_output=True, text=True).stdout.split()
    for window in listing:
        info = subprocess.run(["xwininfo", "-id", window], env=env, capture_output=True,
                              text=True).stdout
        values = dict(re.findall(r"^\s*(Absolute upper-left X|Absolute upper-left Y|Width|"
                                 r"Height|Map State):\s*(\S+)", info, re.M))
        if (values.get("Map State") == "IsViewable" and
                abs(int(values.get("Width", 0)) - size[0]) <= 1 and
                abs(int(values.get("Height", 0)) - size[1]) <= 1):
            found.append((window, int(values["Absolute upper-left X"]),
                          int(values["Absolute upper-left Y"])))
    return found


def splash_drawn(screenshot, left, top, scale):
    """A screenshot once the splash's picture is on screen at (left, top)."""
    # A flat area of the picture, away from its edges and its text.
    inside = (left + round(152 * scale), top + round(102 * scale))

    last = [None]

    def shot():
        # Once the picture is there and the screen has settled.
        picture = screenshot()
        colour = pixel(picture, *inside)
        drawn = all(abs(a - b) <= 8 for a, b in zip(colour, (52, 80, 123)))
        settled = drawn and last[0] == picture[2]
        last[0] = picture[2] if drawn else None
        return picture if settled else None
    return wait_until(shot, 20, 0.2)


def corners_see_through(during, after, left, top, width, height):
    """Each corner of the splash, two pixels in from it, shows what lies beneath."""
    for x, y in ((left + 1, top + 1), (left + width - 2, top + 1), (left + 1, top + height - 2),
                 (left + width - 2, top + height - 2)):
        if pixel(during, x, y) != pixel(after, x, y):
            print("         at %d, %d: %s over %s" % (x, y, pixel(during, x, y), pixel(after, x, y)))
            return False
    return True


def splash_area(during, after):
    """The bounding box of what the splash changed on a screen otherwise unchanged."""
    width, height, a = during
    b = after[2]
    xs, ys = [], []
    for y in range(height):
        row = slice(y * width * 3, (y + 1) * width * 3)
        if a[row] == b[row]:
            continue
        ys.append(y)
        for x in range(width):
            if a[(y * width + x) * 3:(y * width + x) * 3 + 3] != b[(y * width + x) * 3:
                                                                  (y * width + x) * 3 + 3]:
                xs.append(x)
    if not xs:
        return None
    return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1


def splash_alone(env, screenshot, scale, label):
    """Shows the splash alone and compares the screen with it and after it."""
    env = dict(env, QT_SCALE_FACTOR=str(scale))
    if env.get("DISPLAY"):
        env["QT_QPA_PLATFORM"] = "xcb"  # as the program chooses where X11 is offered
    # Whatever an earlier case left on screen has gone before the splash comes.
    last = [None]

    def settled():
        picture = screenshot()[2]
        same = picture == last[0]
        last[0] = picture
        return same
    wait_until(settled, 20, 0.3)
    probe = Line([SPLASH_PROBE], env)
    try:
        if not check(wait_until(lambda: probe.said("shown"), 30), label + ": the splash shows"):
            return
        expected = (round(SPLASH[0] * scale), round(SPLASH[1] * scale))
        placed = env.get("DISPLAY") and wait_until(lambda: x11_windows(env, expected), 10)
        if placed:
            during = splash_drawn(screenshot, placed[0][1], placed[0][2], scale)
            if not check(during is not None, label + ": the splash is drawn where X11 puts it"):
                return
        else:
            during = screenshot()
        check(wait_until(lambda: probe.said("gone"), 30), label + ": the splash goes")
        after = screenshot()
    finally:
        stop(probe.process)
    if placed:
        # Other programs may draw on a shared display: the splash's own place.
        area = (placed[0][1], placed[0][2]) + expected
    else:
        area = splash_area(during, after)
    # The picture's opaque part may stop a few pixels short of its edges.
    if not check(area is not None and 0 <= expected[0] - area[2] <= 12 * scale and
                 0 <= expected[1] - area[3] <= 12 * scale,
                 "%s: the splash covers %s device pixels (%s)" % (label, expected, area)):
        return
    check(corners_see_through(during, after, *area), label + ": its corners are see-through")
    # The face has no white: a pale pixel the splash put on screen is a fringe
    # where its see-through white was drawn.
    left, top, width, height = area
    pale = [(x, y) for y in range(top, top + height) for x in range(left, left + width)
            if min(pixel(during, x, y)) >= 240 and pixel(during, x, y) != pixel(after, x, y)]
    check(not pale, "%s: no pale fringe (%d pixels, first %s)" % (label, len(pale), pale[:3]))


def session_bus(env, folder):
    """A private session bus with a tray host; returns the processes to stop."""
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, env=env, text=True)
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    env["HOME"] = os.path.join(folder, "home")
    return [subprocess.Popen([TRAY_HOST], env=env), bus]


def double_click_tray_icon(env):
    """Both activations at once, as a host passes on a double-click."""
    items = ["dbus-send", "--session", "--print-reply", "--dest=org.kde.StatusNotifierWatcher",
             "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties.Get",
             "string:org.kde.StatusNotifierWatcher", "string:RegisteredStatusNotifierItems"]
    item = wait_until(lambda: re.findall(r'string "([^"/]+)(/[^"]*)?"', subprocess.run(
        items, env=env, capture_output=True, text=True).stdout), 30)
    if not item:
        return False
    import dbus
    service, path = item[0][0], item[0][1] or "/StatusNotifierItem"
    connection = dbus.bus.BusConnection(env["DBUS_SESSION_BUS_ADDRESS"])
    icon = dbus.Interface(connection.get_object(service, path), "org.kde.StatusNotifierItem")
    for _ in range(2):
        icon.Activate(0, 0)
    return True


def xwayland_session(weston, folder):
    env = weston.env(os.environ, True)
    services = session_bus(env, folder)
    app = subprocess.Popen([WAVEDOCK], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    try:
        mains = wait_until(lambda: x11_windows(env, MAIN), 60)
        if not check(bool(mains), "Xwayland: the main window is an X11 window (xcb chosen)"):
            return
        splash = wait_until(lambda: x11_windows(env, SPLASH), 30)
        if check(bool(splash), "Xwayland: the splash shows on X11"):
            _, left, top = splash[0]
            during = splash_drawn(weston.screenshot, left, top, 1)
            check(during is not None, "Xwayland: the splash is drawn where X11 puts it")
            check(abs(left + SPLASH[0] // 2 - 640) <= 1 and abs(top + SPLASH[1] // 2 - 512) <= 1,
                  "Xwayland: the splash is centred (at %d, %d)" % (left, top))
            check(wait_until(lambda: not x11_windows(env, SPLASH), 30), "Xwayland: the splash goes")
            after = weston.screenshot()
            check(during and corners_see_through(during, after, left, top, *SPLASH),
                  "Xwayland: the splash corners are see-through")

        # weston's X11 window manager minimises no X11 window (it ignores the
        # request and draws no minimise button): the tray icon's double-click
        # hides the window there, as the host would pass it on.
        if check(double_click_tray_icon(env), "Xwayland: the icon is in the tray host"):
            check(wait_until(lambda: not x11_windows(env, MAIN), 30),
                  "Xwayland: a double-click on the icon hides the window in the tray")

        second = subprocess.run([WAVEDOCK], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, timeout=60)
        check(second.returncode == 0, "Xwayland: a second start ends at once with 0")
        check(wait_until(lambda: x11_windows(env, MAIN), 30),
              "Xwayland: the second start brings the first copy's window back")
        check(app.poll() is None, "Xwayland: the first copy still runs")
    finally:
        for process in [app] + services:
            stop(process)


def native_wayland(weston, folder):
    env = weston.env(os.environ, False)
    services = session_bus(env, folder)
    background = weston.screenshot()
    app = subprocess.Popen([WAVEDOCK], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
    try:
        drawn = wait_until(lambda: weston.screenshot()[2] != background[2], 60, 0.5)
        check(bool(drawn) and app.poll() is None,
              "Wayland without X11: the program starts and draws its windows")
        # weston without input devices activates no window, so no window of
        # ours counts as seen: a double-click on the icon keeps it on screen, and
        # a second start ends and leaves it there.
        check(double_click_tray_icon(env), "Wayland without X11: the icon is in the tray host")
        second = subprocess.run([WAVEDOCK], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, timeout=60)
        check(second.returncode == 0 and
              wait_until(lambda: weston.screenshot()[2] != background[2], 30, 0.5),
              "Wayland without X11: a second start ends, the first copy's window on screen")
        check(app.poll() is None, "Wayland without X11: the first copy still runs")
    finally:
        for process in [app] + services:
            stop(process)
    splash_alone(env, weston.screenshot, 1, "Wayland without X11")


def engine_keeps_main_window(env, folder):
    """On X11 the browser engine's first use keeps the main window: the X server
    knows it by the same id before and after, and never unmapped it."""
    env = dict(env)
    env["XDG_RUNTIME_DIR"] = os.path.join(folder, "x11-runtime")
    os.mkdir(env["XDG_RUNTIME_DIR"], 0o700)
    env["HOME"] = os.path.join(folder, "home")
    app = subprocess.Popen([WAVEDOCK], env=env, stdout=subprocess.DEVNULL,
                           stderr=open(os.path.join(folder, "x11.log"), "w"))
    watcher = None
    try:
        mains = wait_until(lambda: x11_windows(env, MAIN), 60)
        if not check(bool(mains), "X11: the main window shows"):
            print(open(os.path.join(folder, "x11.log")).read())
            return
        window = mains[0][0]
        events = os.path.join(folder, "events")
        with open(events, "w") as log:
            watcher = subprocess.Popen(["xev", "-id", window, "-event", "structure"], env=env,
                                       stdout=log, stderr=subprocess.DEVNULL)
        # The browser page's tab, in window coordinates.
        subprocess.run(["xdotool", "mousemove", "--window", window, "40", "126", "click", "1"],
                       env=env)

        def renderer():
            # Any process below the program's that renders pages.
            parents, lines = {}, {}
            for entry in filter(str.isdigit, os.listdir("/proc")):
                try:
                    with open("/proc/%s/stat" % entry) as stat:
                        parents[int(entry)] = int(stat.read().rsplit(")", 1)[1].split()[1])
                    with open("/proc/%s/cmdline" % entry, "rb") as cmdline:
                        lines[int(entry)] = cmdline.read()
                except (OSError, ValueError, IndexError):
                    continue
            for pid, line in lines.items():
                ancestor = pid
                while ancestor in parents and ancestor != app.pid:
                    ancestor = parents[ancestor]
                if ancestor == app.pid and b"--type=renderer" in line:
                    return True
            return False
        check(wait_until(renderer, 60), "X11: the browser page starts the engine")
        # The engine's view goes in when the tab first shows, before its
        # renderer process starts: any new window would be there by now.
        after = [found[0] for found in x11_windows(env, MAIN)]
        check(after == [window], "X11: the main window keeps its X id %s (now %s)" % (window, after))
        stop(watcher)
        with open(events) as log:
            seen = log.read()
        check("UnmapNotify" not in seen and "DestroyNotify" not in seen,
              "X11: the main window was never unmapped while the engine came up")
    finally:
        for process in (watcher, app):
            if process:
                stop(process)


# Screen, Xft.dpi, QT_SCALE_FACTOR, the scale wanted, whether the framed
# window fits the screen at that scale (centred where it cannot).
SCREENS = [
    ("1920x1080", 144, "1", 1.5, True),  # 15" laptop at 150 %
    ("1366x768", 120, "1", 1.25, True),
    ("1280x720", 96, "1", 1, True),
    ("3840x2160", 192, "1", 2, True),
    ("1280x1024", 96, "1.5", 1.5, True),
    ("1280x720", 144, "1", 1.5, False),
]


def screen_cases(folder):
    """Each screen of SCREENS under openbox: the window at the scale asked, its
    frame and the splash inside the screen."""
    for number, (size, dpi, factor, scale, fits) in enumerate(SCREENS):
        label = "%s at %d dpi, QT_SCALE_FACTOR %s" % (size, dpi, factor)
        width, height = map(int, size.split("x"))
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", size + "x24",
                                 "-noreset", "-nolisten", "tcp"], stdout=subprocess.PIPE)
        env = dict(os.environ, DISPLAY=":" + xvfb.stdout.readline().decode().strip(),
                   HOME=os.path.join(folder, "home"), QT_SCALE_FACTOR=factor,
                   XDG_RUNTIME_DIR=os.path.join(folder, "screen-runtime-%d" % number))
        env.pop("WAYLAND_DISPLAY", None)
        os.mkdir(env["XDG_RUNTIME_DIR"], 0o700)
        subprocess.run(["xprop", "-root", "-f", "RESOURCE_MANAGER", "8s", "-set",
                        "RESOURCE_MANAGER", "Xft.dpi:\t%d\n" % dpi], env=env, check=True)
        wm = subprocess.Popen(["openbox", "--sm-disable"], env=env, stderr=subprocess.DEVNULL)
        app = None
        try:
            wait_until(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in subprocess.run(
                ["xprop", "-root"], env=env, capture_output=True, text=True).stdout, 10)
            app = subprocess.Popen([WAVEDOCK], env=env, stderr=subprocess.DEVNULL)
            main, splash = [(round(w * scale), round(h * scale)) for w, h in (MAIN, SPLASH)]
            shown = wait_until(lambda: x11_windows(env, splash), 60)
            if not check(shown and x11_windows(env, main), "%s: scale %g" % (label, scale)):
                continue
            _, x, y = shown[0]
            check(0 <= x <= width - splash[0] and 0 <= y <= height - splash[1],
                  "%s: splash inside" % label)
            last = [None]

            def placed():
                # Once framed, and where it should stand: left, top, right, bottom.
                found = x11_windows(env, main)
                extents = found and re.search(r"= (\d+), (\d+), (\d+), (\d+)", subprocess.run(
                    ["xprop", "-id", found[0][0], "_NET_FRAME_EXTENTS"], env=env,
                    capture_output=True, text=True).stdout)
                if not extents:
                    return False
                left, right, top, bottom = map(int, extents.groups())
                box = last[0] = (found[0][1] - left, found[0][2] - top,
                                 found[0][1] + main[0] + right, found[0][2] + main[1] + bottom)
                upright = box[1] >= 0 and box[3] <= height if fits else abs(
                    box[1] + box[3] - height) <= 1
                return box[0] >= 0 and box[2] <= width and upright
            check(wait_until(placed, 10), "%s: framed window %s the screen (%s)" %
                  (label, "inside" if fits else "centred on", last[0]))
        finally:
            for process in (app, wm, xvfb):
                if process:
                    stop(process)


def main():
    folder = tempfile.mkdtemp(prefix="wavedock-session-")
    weston = None
    # Plain X11 without a compositor, on a display of this test's own: other
    # tests' windows (at the same stored place) stay off it.
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], stdout=subprocess.PIPE)
    try:
        x11 = dict(os.environ, DISPLAY=":" + xvfb.stdout.readline().decode().strip())
        x11.pop("WAYLAND_DISPLAY", None)
        for scale in (1.25, 1.5, 2):
            splash_alone(x11, lambda: pixels(["import", "-window", "root", "-depth", "8",
                                              "ppm:-"], x11), scale, "X11 at scale %g" % scale)
        os.mkdir(os.path.join(folder, "home"))
        engine_keeps_main_window(x11, folder)
        screen_cases(folder)
        weston = Weston(folder)
        xwayland_session(weston, folder)
        for scale in (1.25, 1.5, 2):
            splash_alone(weston.env(os.environ, True), weston.screenshot, scale,
                         "Xwayland at scale %g" % scale)
        native_wayland(weston, folder)
    finally:
        if weston:
            weston.stop()
        stop(xvfb)
        shutil.rmtree(folder, ignore_errors=True)
    print("Totals: %d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
