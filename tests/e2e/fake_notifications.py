#!/usr/bin/python3
"""A stand-in desktop notification service on the session bus.

Owns org.freedesktop.Notifications and serves Notify, GetCapabilities,
GetServerInformation and CloseNotification. Every Notify is logged to LOG
as one JSON line {"id", "app", "summary", "body", "actions"} and answered
with a new id. The test side: org.example.NotificationsTest.InvokeLast
emits ActionInvoked for the last notification's first action key, as a
user's click on that action does. Writes READY once it owns the name.
With DELAY (seconds), each Notify first keeps the service busy that long,
as a hung service would.

usage: fake_notifications.py LOG READY [DELAY]
"""

import json
import sys
import time

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

IFACE = "org.freedesktop.Notifications"
DELAY = float(sys.argv[3]) if len(sys.argv) > 3 else 0.0


class Notifications(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.log = log
        self.count = 0
        self.last = None

    @dbus.service.method(IFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        time.sleep(DELAY)
        self.count += 1
        actions = [str(a) for a in actions]
        self.last = (self.count, actions[0] if actions else "")
        self.log.write(json.dumps({"id": self.count, "app": str(app), "summary": str(summary),
                                   "body": str(body), "actions": actions}) + "\n")
        self.log.flush()
        return dbus.UInt32(self.count)

    @dbus.service.method(IFACE, in_signature="", out_signature="as")
    def GetCapabilities(self):
        return ["actions", "body"]

    @dbus.service.method(IFACE, in_signature="", out_signature="ssss")
    def GetServerInformation(self):
        return ("stand-in", "tests", "1", "1.2")

    @dbus.service.method(IFACE, in_signature="u", out_signature="")
    def CloseNotification(self, nid):
        self.NotificationClosed(nid, 3)

    @dbus.service.signal(IFACE, signature="us")
    def ActionInvoked(self, nid, key):
        pass

    @dbus.service.signal(IFACE, signature="uu")
    def NotificationClosed(self, nid, reason):
        pass

    @dbus.service.method("org.example.NotificationsTest", in_signature="", out_signature="")
    def InvokeLast(self):
        if self.last:
            self.ActionInvoked(dbus.UInt32(self.last[0]), self.last[1])


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    log = open(sys.argv[1], "a", encoding="utf-8")
    service = Notifications(bus, log)
    name = dbus.service.BusName(IFACE, bus, do_not_queue=True)
    with open(sys.argv[2], "w", encoding="utf-8") as ready:
        ready.write("ready\n")
    GLib.MainLoop().run()
    del service, name


if __name__ == "__main__":
    main()
