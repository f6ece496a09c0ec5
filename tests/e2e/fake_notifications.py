#!/usr/bin/python3
"""A stand-in desktop notification service on the session bus.

Owns org.freedesktop.Notifications and serves Notify, GetCapabilities,
GetServerInformation and CloseNotification. Every Notify is logged to LOG
as one JSON line {"id", "app", "summary", "body", "actions", "replaces"}
and answered with a new id, or with the id it replaces when that one is
still shown (as the desktop notifications standard asks). Every
GetCapabilities is logged as one line "GetCapabilities" to LOG.caps; CAPS
(comma-separated) is its answer, "actions,body,body-markup" by default. The test side: org.example.NotificationsTest.InvokeLast
emits ActionInvoked for the last notification's first action key, as a
user's click on that action does (InvokeLastAction(u) for another one); DismissLast closes the last one as the
user's click on its close box does. Writes READY once it owns the name.
With DELAY (seconds), each Notify first keeps the service busy that long,
as a hung service would.

usage: fake_notifications.py LOG READY [DELAY [CAPS]]
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
CAPS = sys.argv[4].split(",") if len(sys.argv) > 4 else ["actions", "body", "body-markup"]


class Notifications(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.log = log
        self.count = 0
        self.last = None
        self.shown = set()

    @dbus.service.method(IFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        time.sleep(DELAY)
        if replaces and int(replaces) in self.shown:
            nid = int(replaces)
        else:
            self.count += 1
            nid = self.count
        self.shown.add(nid)
        actions = [str(a) for a in actions]
        self.last = (nid, actions[0] if actions else "", list(actions[::2]))
        self.log.write(json.dumps({"id": nid, "app": str(app), "summary": str(summary),
                                   "body": str(body), "actions": actions,
                                   "replaces": int(replaces)}) + "\n")
        self.log.flush()
        return dbus.UInt32(nid)

    @dbus.service.method(IFACE, in_signature="", out_signature="as")
    def GetCapabilities(self):
        with open(self.log.name + ".caps", "a", encoding="utf-8") as caps:
            caps.write("GetCapabilities\n")
        return CAPS

    @dbus.service.method(IFACE, in_signature="", out_signature="ssss")
    def GetServerInformation(self):
        return ("stand-in", "tests", "1", "1.2")

    @dbus.service.method(IFACE, in_signature="u", out_signature="")
    def CloseNotification(self, nid):
        self.shown.discard(int(nid))
        self.NotificationClosed(nid, 3)

    @dbus.service.signal(IFACE, signature="us")
    def ActionInvoked(self, nid, key):
        pass

    @dbus.service.signal(IFACE, signature="uu")
    def NotificationClosed(self, nid, reason):
        pass

    @dbus.service.method("org.example.NotificationsTest", in_signature="", out_signature="")
    def DismissLast(self):
        """The user closes the last notification."""
        if self.last:
            self.shown.discard(self.last[0])
            self.NotificationClosed(dbus.UInt32(self.last[0]), 2)

    @dbus.service.method("org.example.NotificationsTest", in_signature="", out_signature="")
    def InvokeLast(self):
        if self.last:
            self.ActionInvoked(dbus.UInt32(self.last[0]), self.last[1])

    @dbus.service.method("org.example.NotificationsTest", in_signature="u", out_signature="")
    def InvokeLastAction(self, index):
        """The user picks the last notification's action number INDEX (from 0)."""
        if self.last and int(index) < len(self.last[2]):
            self.ActionInvoked(dbus.UInt32(self.last[0]), self.last[2][int(index)])


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
