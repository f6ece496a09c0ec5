#!/usr/bin/python3
"""A stand-in systemd user manager on the session bus.

Owns org.freedesktop.systemd1 and serves the Manager's FreezeUnit,
ThawUnit and KillUnit on /org/freedesktop/systemd1. Every call is logged to
LOG as one line "FreezeUnit UNIT", "ThawUnit UNIT" or "KillUnit UNIT WHOM
SIGNAL" and answered with an empty reply, except:
  - a unit whose name contains "nofreeze" refuses FreezeUnit with
    org.freedesktop.DBus.Error.NotSupported, as a manager without the
    cgroup freezer does;
  - a unit whose name contains "hang" is never answered.
Subscribe and Unsubscribe are logged by name. The test side:
org.example.SystemdTest.EndUnit(UNIT, RESULT) emits the unit's
PropertiesChanged with its new Result, as the manager does when a unit
ends. Writes READY once it owns the name.

usage: fake_systemd_user.py LOG READY
"""

import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

IFACE = "org.freedesktop.systemd1.Manager"


class NotSupported(dbus.DBusException):
    _dbus_error_name = "org.freedesktop.DBus.Error.NotSupported"


class Manager(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, "/org/freedesktop/systemd1")
        self.log = log

    def note(self, line):
        self.log.write(line + "\n")
        self.log.flush()

    @dbus.service.method(IFACE, in_signature="s", out_signature="", async_callbacks=("ok", "err"))
    def FreezeUnit(self, unit, ok, err):
        self.note("FreezeUnit " + unit)
        if "hang" in unit:
            return
        if "nofreeze" in unit:
            err(NotSupported("Unit '%s' does not support freezing." % unit))
            return
        ok()

    @dbus.service.method(IFACE, in_signature="s", out_signature="", async_callbacks=("ok", "err"))
    def ThawUnit(self, unit, ok, err):
        self.note("ThawUnit " + unit)
        if "hang" in unit:
            return
        ok()

    @dbus.service.method(IFACE, in_signature="ssi", out_signature="", async_callbacks=("ok", "err"))
    def KillUnit(self, unit, whom, sig, ok, err):
        self.note("KillUnit %s %s %d" % (unit, whom, sig))
        if "hang" in unit:
            return
        ok()


    @dbus.service.method(IFACE, in_signature="", out_signature="")
    def Subscribe(self):
        self.note("Subscribe")

    @dbus.service.method(IFACE, in_signature="", out_signature="")
    def Unsubscribe(self):
        self.note("Unsubscribe")

    @dbus.service.method("org.example.SystemdTest", in_signature="ss", out_signature="")
    def EndUnit(self, unit, result):
        Unit(self.connection, unit).changed(result)


def escape(name):
    return "".join(c if c.isalnum() else "_%02x" % ord(c) for c in name)


class Unit(dbus.service.Object):
    def __init__(self, bus, name):
        super().__init__(bus, "/org/freedesktop/systemd1/unit/" + escape(name))

    @dbus.service.signal("org.freedesktop.DBus.Properties", signature="sa{sv}as")
    def PropertiesChanged(self, iface, changed, invalidated):
        pass

    def changed(self, result):
        self.PropertiesChanged("org.freedesktop.systemd1.Scope", {"Result": result}, [])
        self.remove_from_connection()


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    log = open(sys.argv[1], "a")
    manager = Manager(bus, log)
    name = dbus.service.BusName("org.freedesktop.systemd1", bus)
    with open(sys.argv[2], "w") as ready:
        ready.write("ready\n")
    GLib.MainLoop().run()
    del manager, name


if __name__ == "__main__":
    main()
