#!/usr/bin/python3
"""Looks at a StatusNotifierItem (the D-Bus tray icon) from outside, the way
a tray host does, on the session bus of DBUS_SESSION_BUS_ADDRESS.

  sni_probe.py items                     registered items, one a line
  sni_probe.py tooltip ITEM              the tip text (the ToolTip's title)
  sni_probe.py count-signal ITEM NAME S  how many NAME signals ITEM sends in S seconds
  sni_probe.py layout ITEM               the menu: "id<TAB>depth<TAB>type<TAB>label<TAB>shortcut"
  sni_probe.py click ITEM LABEL          sends "clicked" to the menu entry LABEL
  sni_probe.py activate ITEM             Activate(0, 0), a primary click on the icon
  sni_probe.py secondary-activate ITEM   SecondaryActivate(0, 0), a middle click on the icon

ITEM is an entry of the watcher's RegisteredStatusNotifierItems: a bus name,
optionally followed by the object path ("busname/path").
"""
import sys
import time

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM_IFACE = "org.kde.StatusNotifierItem"
MENU_IFACE = "com.canonical.dbusmenu"
PROPS = "org.freedesktop.DBus.Properties"


def split_item(item):
    if "/" in item:
        i = item.index("/")
        return item[:i], item[i:]
    return item, "/StatusNotifierItem"


def item_props(bus, item):
    service, path = split_item(item)
    return dbus.Interface(bus.get_object(service, path), PROPS)


def menu(bus, item):
    service, _ = split_item(item)
    path = item_props(bus, item).Get(ITEM_IFACE, "Menu")
    return dbus.Interface(bus.get_object(service, path), MENU_IFACE)


def walk(node, depth=0):
    ident, props, children = node
    yield int(ident), depth, props
    for child in children:
        yield from walk(child, depth + 1)


def entries(bus, item):
    _, layout = menu(bus, item).GetLayout(0, -1, [])
    for ident, depth, props in walk(layout):
        if depth == 0:
            continue
        kind = str(props.get("type", "standard"))
        label = str(props.get("label", ""))
        keys = props.get("shortcut", [])
        shortcut = "+".join(str(k) for k in keys[0]) if len(keys) else ""
        yield ident, depth, kind, label, shortcut


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    # A main loop from the start: the bus connection is shared, and signals
    # can only be received on a connection made with one.
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    cmd = argv[1]
    if cmd == "items":
        watcher = dbus.Interface(bus.get_object(WATCHER, "/StatusNotifierWatcher"), PROPS)
        for entry in watcher.Get(WATCHER, "RegisteredStatusNotifierItems"):
            print(str(entry))
    elif cmd == "tooltip":
        _, _, title, _ = item_props(bus, argv[2]).Get(ITEM_IFACE, "ToolTip")
        print(str(title))
    elif cmd == "count-signal":
        service, path = split_item(argv[2])
        # Signals come from the unique name that owns the item.
        owner = service if service.startswith(":") else bus.get_name_owner(service)
        count = [0]
        bus.add_signal_receiver(lambda *a: count.__setitem__(0, count[0] + 1),
                                signal_name=argv[3], dbus_interface=ITEM_IFACE,
                                bus_name=owner, path=path)
        loop = GLib.MainLoop()
        GLib.timeout_add(int(float(argv[4]) * 1000), loop.quit)
        loop.run()
        print(count[0])
    elif cmd == "layout":
        for ident, depth, kind, label, shortcut in entries(bus, argv[2]):
            print(f"{ident}\t{depth}\t{kind}\t{label}\t{shortcut}")
    elif cmd == "click":
        matches = [e[0] for e in entries(bus, argv[2]) if e[3] == argv[3]]
        if len(matches) != 1:
            sys.exit(f"menu entry {argv[3]!r} found {len(matches)} times")
        menu(bus, argv[2]).Event(dbus.Int32(matches[0]), "clicked",
                                 dbus.Int32(0, variant_level=1),
                                 dbus.UInt32(int(time.time()) & 0xFFFFFFFF),
                                 signature="isvu")
    elif cmd == "activate":
        service, path = split_item(argv[2])
        dbus.Interface(bus.get_object(service, path), ITEM_IFACE).Activate(0, 0)
    elif cmd == "secondary-activate":
        service, path = split_item(argv[2])
        dbus.Interface(bus.get_object(service, path), ITEM_IFACE).SecondaryActivate(0, 0)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
