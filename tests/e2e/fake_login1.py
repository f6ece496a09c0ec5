#!/usr/bin/python3
"""A stand-in for systemd-logind on a private bus, for tests.

Owns org.freedesktop.login1 on the bus at --address (default: the address in
DBUS_SYSTEM_BUS_ADDRESS) and logs every call it gets, with its arguments, one
line each to --log:
  Manager.GetSessionByPID <pid>
  Manager.GetSession <id>
  Manager.TerminateSession <id>
  Session.Terminate <id>
  Session.Get <property> <id>          (org.freedesktop.DBus.Properties)
  Session.GetAll <interface> <id>
  Manager.GetUser <uid>
  User.Get <property> <uid>
Nothing is ever terminated for real.

Sessions: by default every process has a session of its own, "c<pid>"
(pid 0 means the caller, as with logind). With --session ID:PID (repeatable)
only the listed processes have sessions. --behaviour no-session answers
GetSessionByPID with logind's NoSessionForPID error; --behaviour silent logs
the calls and never answers them. --ready FILE is created once the name is
owned. Ends on SIGTERM or SIGINT.

Users: GetUser answers NoSuchUser unless --user-display ID is given; then
every uid has a user object whose "Display" property names the session ID
(an empty ID: no display session, ("", "/") as logind says it). --auto ID
makes GetSession("auto") answer with session ID (else NoSuchSession), as
logind does for a caller outside every session whose user has a graphical
one. Both sessions can be terminated like the others.
"""

import argparse
import os
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.login1"
MANAGER_PATH = "/org/freedesktop/login1"
MANAGER = "org.freedesktop.login1.Manager"
SESSION = "org.freedesktop.login1.Session"
USER = "org.freedesktop.login1.User"
PROPERTIES = "org.freedesktop.DBus.Properties"


def encode_path_part(text):
    """Escapes a session id into one object path element, as logind does."""
    out = []
    for i, ch in enumerate(text):
        if ch.isascii() and (ch.isalpha() or (ch.isdigit() and i > 0)):
            out.append(ch)
        else:
            out.append("_%02x" % ord(ch))
    return "".join(out) or "_"


class Log:
    def __init__(self, path):
        self.path = path

    def __call__(self, *words):
        with open(self.path, "a", encoding="utf-8") as f:
            f.write(" ".join(str(w) for w in words) + "\n")
            f.flush()


class NoSessionForPID(dbus.DBusException):
    _dbus_error_name = "org.freedesktop.login1.NoSessionForPID"


class NoSuchSession(dbus.DBusException):
    _dbus_error_name = "org.freedesktop.login1.NoSuchSession"


class NoSuchUser(dbus.DBusException):
    _dbus_error_name = "org.freedesktop.login1.NoSuchUser"


class UnknownProperty(dbus.DBusException):
    _dbus_error_name = "org.freedesktop.DBus.Error.UnknownProperty"


class Session(dbus.service.Object):
    def __init__(self, bus, session_id, log, silent):
        self.session_id = session_id
        self.path = f"{MANAGER_PATH}/session/{encode_path_part(session_id)}"
        self.log = log
        self.silent = silent
        super().__init__(bus, self.path)

    @dbus.service.method(SESSION, in_signature="", out_signature="",
                         async_callbacks=("reply", "error"))
    def Terminate(self, reply, error):
        self.log("Session.Terminate", self.session_id)
        if not self.silent:
            reply()

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        self.log("Session.Get", prop, self.session_id)
        if interface == SESSION and prop == "Id":
            return dbus.String(self.session_id)
        raise UnknownProperty(f"no property {interface}.{prop}")

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        self.log("Session.GetAll", interface, self.session_id)
        if interface == SESSION:
            return dbus.Dictionary({"Id": dbus.String(self.session_id)}, signature="sv")
        return dbus.Dictionary({}, signature="sv")


class User(dbus.service.Object):
    def __init__(self, bus, uid, display, log):
        self.uid = uid
        self.display = display  # (id, path)
        self.log = log
        super().__init__(bus, f"{MANAGER_PATH}/user/_{uid}")

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        self.log("User.Get", prop, self.uid)
        if interface == USER and prop == "Display":
            return dbus.Struct((dbus.String(self.display[0]), dbus.ObjectPath(self.display[1])),
                               signature="so", variant_level=1)
        if interface == USER and prop == "UID":
            return dbus.UInt32(self.uid, variant_level=1)
        raise UnknownProperty(f"no property {interface}.{prop}")


class Manager(dbus.service.Object):
    def __init__(self, bus, options, log):
        super().__init__(bus, MANAGER_PATH)
        self.bus = bus
        self.log = log
        self.behaviour = options.behaviour
        self.by_pid = {}
        for item in options.session or []:
            sid, _, pid = item.partition(":")
            self.by_pid[int(pid)] = sid
        self.listed_only = bool(self.by_pid)
        self.sessions = {}
        self.user_display = options.user_display
        self.auto = options.auto
        self.users = {}
        for sid in (self.user_display, self.auto):
            if sid:
                self._session(sid)

    def _session(self, session_id):
        if session_id not in self.sessions:
            self.sessions[session_id] = Session(self.bus, session_id, self.log,
                                                self.behaviour == "silent")
        return self.sessions[session_id]

    @dbus.service.method(MANAGER, in_signature="u", out_signature="o",
                         sender_keyword="sender", async_callbacks=("reply", "error"))
    def GetSessionByPID(self, pid, sender, reply, error):
        self.log("Manager.GetSessionByPID", int(pid))
        if self.behaviour == "silent":
            return
        if pid == 0:
            pid = self.bus.call_blocking("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                         "org.freedesktop.DBus", "GetConnectionUnixProcessID",
                                         "s", (sender,))
        if self.behaviour == "no-session":
            error(NoSessionForPID(f"PID {pid} does not belong to any known session"))
            return
        sid = self.by_pid.get(int(pid)) if self.listed_only else f"c{int(pid)}"
        if sid is None:
            error(NoSessionForPID(f"PID {pid} does not belong to any known session"))
            return
        reply(dbus.ObjectPath(self._session(sid).path))

    @dbus.service.method(MANAGER, in_signature="u", out_signature="o",
                         async_callbacks=("reply", "error"))
    def GetUser(self, uid, reply, error):
        self.log("Manager.GetUser", int(uid))
        if self.behaviour == "silent":
            return
        if self.user_display is None:
            error(NoSuchUser(f"No user {int(uid)} known or logged in"))
            return
        if int(uid) not in self.users:
            display = (("", "/") if not self.user_display
                       else (self.user_display, self._session(self.user_display).path))
            self.users[int(uid)] = User(self.bus, int(uid), display, self.log)
        reply(dbus.ObjectPath(f"{MANAGER_PATH}/user/_{int(uid)}"))

    @dbus.service.method(MANAGER, in_signature="s", out_signature="o",
                         async_callbacks=("reply", "error"))
    def GetSession(self, session_id, reply, error):
        self.log("Manager.GetSession", session_id)
        if self.behaviour == "silent":
            return
        if session_id == "auto" and self.auto:
            session_id = self.auto
        known = session_id in self.sessions or session_id in self.by_pid.values()
        if not known:
            error(NoSuchSession(f"No session '{session_id}' known"))
            return
        reply(dbus.ObjectPath(self._session(session_id).path))

    @dbus.service.method(MANAGER, in_signature="s", out_signature="",
                         async_callbacks=("reply", "error"))
    def TerminateSession(self, session_id, reply, error):
        self.log("Manager.TerminateSession", session_id)
        if self.behaviour == "silent":
            return
        if session_id not in self.sessions and session_id not in self.by_pid.values():
            error(NoSuchSession(f"No session '{session_id}' known"))
            return
        reply()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--address", default=os.environ.get("DBUS_SYSTEM_BUS_ADDRESS"))
    parser.add_argument("--log", required=True)
    parser.add_argument("--ready", help="file created once the name is owned")
    parser.add_argument("--session", action="append", metavar="ID:PID")
    parser.add_argument("--user-display", metavar="ID",
                        help="GetUser answers; the user's Display is session ID ('' for none)")
    parser.add_argument("--auto", metavar="ID", help="GetSession('auto') names session ID")
    parser.add_argument("--behaviour", choices=("normal", "no-session", "silent"),
                        default="normal")
    options = parser.parse_args()
    if not options.address:
        parser.error("no bus: give --address or set DBUS_SYSTEM_BUS_ADDRESS")

    DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(options.address)
    log = Log(options.log)
    manager = Manager(bus, options, log)
    name = dbus.service.BusName(NAME, bus, do_not_queue=True)

    loop = GLib.MainLoop()
    for signum in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_HIGH, signum, loop.quit)
    if options.ready:
        with open(options.ready, "w", encoding="ascii") as f:
            f.write(f"{os.getpid()}\n")
    loop.run()
    del name, manager
    return 0


if __name__ == "__main__":
    sys.exit(main())
