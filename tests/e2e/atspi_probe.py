#!/usr/bin/python3
"""Reads a running program's widgets over AT-SPI, as a screen reader does.

The program must run with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 on a session
bus where the accessibility bus runs (at-spi-bus-launcher). Run this with
Debian's /usr/bin/python3, which has pyatspi.

The application is chosen by process id (--pid) or by its name (--app,
without regard to case). A window is a top-level child of the application
whose accessible name (its title) is exactly --window. Commands:

  apps                      every application: "pid<TAB>name"
  dump                      the tree of the application (or of --window):
                            indented "role 'name' text='...'"
  window                    waits for the window, prints "x y w h"
  texts                     "role<TAB>name<TAB>text" of every object of the
                            window that has a name or a text
  label                     the text of one label (or text view): the one
                            whose accessible name is --name, or whose text
                            starts with --text-prefix; with --match, waits
                            until the text matches that regular expression.
                            Qt publishes a label's text as its name, so a
                            label that was given an accessible name shows
                            that name instead of its text
  value                     the current value of the widget named --name:
                            its value interface, or for a widget without
                            one (a custom gauge) the first number of its
                            description; with --min, waits until it is at
                            least that
  extents                   "x y w h" (screen) of the object named --name
                            (and of role --role when given)
  press                     runs the first action ("press") of the object
                            named --name, or the action --action
  info                      what a screen reader learns of the object named
                            --name, one "key=value" a line: role, name,
                            description, value (its value interface; empty
                            without one), text (its text interface; empty
                            without one), states (sorted, comma-separated,
                            e.g. "checkable,checked,enabled,..."), actions
                            (their names, comma-separated)
  table                     the table named --name (or the first table):
                            its column headers as the screen reader reads
                            them, then each row, cells tab-separated; with
                            --match, waits until a row matches
  beside                    the text of the label that starts nearest right
                            of the left edge of the object named --name, on
                            the same row (a figure beside its caption)

--role (as getRoleName() spells it: "label", "push button", "filler", ...)
narrows the object that label, value, extents and press look for.

Every command polls until it finds what it asks for or --timeout seconds
have passed (status 1 then, with what it last saw on stderr). A whole walk
of a large window takes a second or so.
"""

import argparse
import re
import sys
import time

import pyatspi


def walk(obj, depth=0, limit=40):
    """Yields (depth, object) for obj and all below it."""
    if obj is None or depth > limit:
        return
    yield depth, obj
    try:
        n = obj.childCount
    except Exception:
        return
    for i in range(n):
        try:
            child = obj.getChildAtIndex(i)
        except Exception:
            continue
        yield from walk(child, depth + 1, limit)


def text_of(obj):
    """The object's text: its text interface (edits, text views), or for a
    label without one the name, which is the label's text unless the
    program gave it an accessible name of its own. None for other objects."""
    try:
        return obj.queryText().getText(0, -1)
    except Exception:
        pass
    try:
        if obj.getRoleName() == "label":
            return obj.name
    except Exception:
        pass
    return None


def safe(fn, default=""):
    try:
        return fn()
    except Exception:
        return default


def applications():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(safe(lambda: desktop.childCount, 0)):
        app = safe(lambda: desktop.getChildAtIndex(i), None)
        if app is not None:
            yield app


def find_app(args):
    for app in applications():
        if args.pid is not None and safe(lambda: app.get_process_id(), -1) == args.pid:
            return app
        if args.app is not None and safe(lambda: app.name).lower() == args.app.lower():
            return app
    return None


def find_window(app, title):
    for i in range(safe(lambda: app.childCount, 0)):
        w = safe(lambda: app.getChildAtIndex(i), None)
        if w is not None and safe(lambda: w.name) == title:
            return w
    return None


def extents(obj):
    e = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return "%d %d %d %d" % (e.x, e.y, e.width, e.height)


def info(obj):
    """The "key=value" lines of the info command."""
    try:
        value = "%g" % obj.queryValue().currentValue
    except NotImplementedError:
        value = ""
    try:
        text = obj.queryText().getText(0, -1)
    except NotImplementedError:
        text = ""
    states = sorted(pyatspi.stateToString(s).replace(" ", "-") for s in obj.getState().getStates())
    try:
        action = obj.queryAction()
        actions = [action.getName(i) for i in range(action.nActions)]
    except NotImplementedError:
        actions = []
    return ["role=%s" % obj.getRoleName(), "name=%s" % obj.name, "description=%s" % obj.description,
            "value=%s" % value, "text=%s" % text, "states=%s" % ",".join(states),
            "actions=%s" % ",".join(actions)]


def label_beside(root, obj):
    """The text of the label that starts nearest right of obj's left edge
    and whose vertical middle lies within obj's height (a figure may run
    under the end of its caption); None when there is none."""
    e = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    best = None
    for _, other in walk(root):
        if safe(lambda: other.getRoleName()) != "label":
            continue
        o = safe(lambda: other.queryComponent().getExtents(pyatspi.DESKTOP_COORDS), None)
        if o is None or o.x <= e.x or not (e.y <= o.y + o.height / 2 <= e.y + e.height):
            continue
        if best is None or o.x < best[0]:
            best = (o.x, text_of(other))
    return None if best is None else best[1]


def root_of(args):
    """The application, or its window when --window is given; None if absent."""
    app = find_app(args)
    if app is None:
        return None, "no application"
    if args.window is None:
        return app, ""
    w = find_window(app, args.window)
    if w is None:
        names = [safe(lambda: app.getChildAtIndex(i).name) for i in range(safe(lambda: app.childCount, 0))]
        return None, "no window %r among %r" % (args.window, names)
    return w, ""


def find_object(root, args):
    for _, obj in walk(root):
        if args.name is not None and safe(lambda: obj.name) != args.name:
            continue
        if args.role is not None and safe(lambda: obj.getRoleName()) != args.role:
            continue
        if getattr(args, "text_prefix", None) is not None:
            t = text_of(obj)
            if t is None or not t.startswith(args.text_prefix):
                continue
        return obj
    return None


def attempt(args):
    """One try of the command: (done, output lines, note for a failure)."""
    if args.command == "apps":
        lines = ["%d\t%s" % (safe(lambda: a.get_process_id(), -1), safe(lambda: a.name)) for a in applications()]
        return bool(lines), lines, "no applications"
    root, why = root_of(args)
    if root is None:
        return False, [], why
    if args.command == "window":
        return True, [extents(root)], ""
    if args.command == "dump":
        lines = []
        for depth, obj in walk(root):
            t = text_of(obj)
            lines.append("%s%s %r%s" % ("  " * depth, safe(lambda: obj.getRoleName()), safe(lambda: obj.name),
                                        "" if t is None else " text=%r" % t))
        return True, lines, ""
    if args.command == "texts":
        lines = []
        for _, obj in walk(root):
            name = safe(lambda: obj.name)
            t = text_of(obj)
            if name or t:
                lines.append("%s\t%s\t%s" % (safe(lambda: obj.getRoleName()), name, t or ""))
        if args.match is not None and not any(re.search(args.match, line) for line in lines):
            return False, lines, "no line matches %r:\n%s" % (args.match, "\n".join(lines))
        return True, lines, ""
    obj = find_object(root, args)
    if obj is None:
        return False, [], "no such object"
    if args.command == "label":
        t = text_of(obj)
        if t is None:
            return False, [], "the object has no text"
        if args.match is not None and not re.search(args.match, t):
            return False, [t], "text %r does not match %r" % (t, args.match)
        return True, [t], ""
    if args.command == "value":
        try:
            v = obj.queryValue().currentValue
        except NotImplementedError:
            m = re.search(r"-?[0-9]+(\.[0-9]+)?", safe(lambda: obj.description))
            if m is None:
                return False, [], "no value interface and no number in the description"
            v = float(m.group(0))
        if args.min is not None and v < args.min:
            return False, ["%g" % v], "value %g is below %g" % (v, args.min)
        return True, ["%g" % v], ""
    if args.command == "extents":
        return True, [extents(obj)], ""
    if args.command == "press":
        action = obj.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        if not names:
            return False, [], "the object has no action"
        index = 0
        if args.action is not None:
            if args.action not in names:
                return False, [], "no action %r among %r" % (args.action, names)
            index = names.index(args.action)
        return bool(action.doAction(index)), [], "the action failed"
    if args.command == "info":
        return True, info(obj), ""
    if args.command == "table":
        table = obj.queryTable()
        heads = []
        for c in range(table.nColumns):
            h = safe(lambda: table.getColumnHeader(c))
            heads.append(safe(lambda: h.name) if h else safe(lambda: table.getColumnDescription(c)))
        lines = ["\t".join(heads)]
        for r in range(table.nRows):
            lines.append("\t".join(text_of(table.getAccessibleAt(r, c)) or safe(lambda: table.getAccessibleAt(r, c).name)
                                   for c in range(table.nColumns)))
        if args.match is not None and not any(re.search(args.match, line) for line in lines[1:]):
            return False, lines, "no row matches %r:\n%s" % (args.match, "\n".join(lines))
        return True, lines, ""
    if args.command == "beside":
        t = label_beside(root, obj)
        if t is None:
            return False, [], "no label right of the object"
        if args.match is not None and not re.search(args.match, t):
            return False, [t], "text %r does not match %r" % (t, args.match)
        return True, [t], ""
    raise SystemExit("unknown command %s" % args.command)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("command", choices=["apps", "dump", "window", "texts", "label", "value", "extents", "press", "table",
                                       "info", "beside"])
    p.add_argument("--pid", type=int)
    p.add_argument("--app")
    p.add_argument("--window")
    p.add_argument("--name")
    p.add_argument("--role")
    p.add_argument("--text-prefix")
    p.add_argument("--match")
    p.add_argument("--min", type=float)
    p.add_argument("--action")
    p.add_argument("--timeout", type=float, default=10.0)
    args = p.parse_args()
    if args.command != "apps" and args.pid is None and args.app is None:
        p.error("give --pid or --app")
    if args.command in ("label",) and args.name is None and args.text_prefix is None:
        p.error("label needs --name or --text-prefix")
    if args.command in ("value", "extents", "press", "info", "beside") and args.name is None:
        p.error("%s needs --name" % args.command)

    deadline = time.monotonic() + args.timeout
    while True:
        try:
            done, lines, why = attempt(args)
        except Exception as e:  # a window that went away while we walked it
            done, lines, why = False, [], "%s: %s" % (type(e).__name__, e)
        if done:
            for line in lines:
                print(line)
            return 0
        if time.monotonic() >= deadline:
            print("atspi_probe %s: %s" % (args.command, why), file=sys.stderr)
            for line in lines:
                print(line)
            return 1
        time.sleep(0.2)


if __name__ == "__main__":
    sys.exit(main())
