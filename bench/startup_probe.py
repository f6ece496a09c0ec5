#!/usr/bin/python3
"""Times one start of the program from outside, on the display and session
bus of the environment (a StatusNotifierItem host with its watcher must run).

  startup_probe.py EXECUTABLE [TIMEOUT_S]

Starts EXECUTABLE (its output to /dev/null), then prints one line
"MAP_MS FIGURES_MS":
  MAP_MS      from the start to the main window "Brisel" being mapped
              (xdotool's visible-window search, polled every 5 ms);
  FIGURES_MS  from the start to the first figures: the first non-empty tray
              tip, which the first monitor tick writes together with the
              figure labels (the item's ToolTip over D-Bus, polled every
              5 ms).
Then ends the program with SIGTERM and waits for it. Exits 1, printing the
reason to stderr, when either does not come within TIMEOUT_S (default 20).
"""
import signal
import subprocess
import sys
import time

import dbus

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM_IFACE = "org.kde.StatusNotifierItem"
PROPS = "org.freedesktop.DBus.Properties"


def mapped():
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Brisel$"],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=False)
    return bool(r.stdout.strip())


def first_tip(bus, pid):
    """The tip of the item that process PID registered ("" while none)."""
    watcher = bus.get_object(WATCHER, "/StatusNotifierWatcher")
    items = dbus.Interface(watcher, PROPS).Get(WATCHER, "RegisteredStatusNotifierItems")
    for item in items:
        service, _, path = str(item).partition("/")
        try:
            owner = bus.call_blocking("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                      "org.freedesktop.DBus", "GetConnectionUnixProcessID",
                                      "s", (service,))
            if int(owner) != pid:
                continue  # an item of an earlier run, not yet dropped
            obj = bus.get_object(service, "/" + (path or "StatusNotifierItem"), introspect=False)
            tip = dbus.Interface(obj, PROPS).Get(ITEM_IFACE, "ToolTip")
        except dbus.DBusException:
            continue
        if str(tip[2]):
            return str(tip[2])
    return ""


def main():
    exe = sys.argv[1]
    timeout = float(sys.argv[2]) if len(sys.argv) > 2 else 20.0
    bus = dbus.SessionBus()
    start = time.monotonic()
    proc = subprocess.Popen([exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    map_ms = fig_ms = None
    try:
        while time.monotonic() - start < timeout and proc.poll() is None:
            now_ms = (time.monotonic() - start) * 1000
            if map_ms is None and mapped():
                map_ms = now_ms
            if fig_ms is None:
                try:
                    if first_tip(bus, proc.pid):
                        fig_ms = now_ms
                except dbus.DBusException:
                    pass  # the watcher is busy
            if map_ms is not None and fig_ms is not None:
                break
            time.sleep(0.005)
    finally:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    if map_ms is None or fig_ms is None:
        print(f"no {'main window' if map_ms is None else 'first figures'} within {timeout} s "
              f"(program status {proc.returncode})", file=sys.stderr)
        return 1
    print(f"{map_ms:.0f} {fig_ms:.0f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
