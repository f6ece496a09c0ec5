#!/usr/bin/env python3
"""Asks an X11 window to close, the way a desktop does.

  xclose.py delete WINDOW   send WM_DELETE_WINDOW (WM_PROTOCOLS client
                            message) straight to the window: what a window
                            manager sends when the user closes a window.
                            Needs no window manager.
  xclose.py net WINDOW      send _NET_CLOSE_WINDOW to the root window: asks
                            the running window manager to close the window
                            (what "wmctrl -c" does); the manager then sends
                            WM_DELETE_WINDOW itself.

WINDOW is a decimal or 0x-hex window id (as xdotool prints). Uses libX11
through ctypes, so only python3 is needed. xdotool cannot do this: its
"windowclose" destroys the window from outside (XDestroyWindow), which the
program sees as a lost window, not as a close request.
"""
import ctypes
import ctypes.util
import os
import sys


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


CLIENT_MESSAGE = 33
NO_EVENT_MASK = 0
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
SUBSTRUCTURE_REDIRECT_MASK = 1 << 20


def main(argv):
    if len(argv) != 3 or argv[1] not in ("delete", "net"):
        print(__doc__, file=sys.stderr)
        return 2
    mode, window = argv[1], int(argv[2], 0)

    xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                ctypes.c_long, ctypes.POINTER(XEvent)]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = xlib.XOpenDisplay(os.environ.get("DISPLAY", "").encode() or None)
    if not display:
        print("xclose: cannot open display", file=sys.stderr)
        return 1

    event = XEvent()
    msg = event.xclient
    msg.type = CLIENT_MESSAGE
    msg.send_event = 1
    msg.display = display
    msg.window = window
    msg.format = 32
    if mode == "delete":
        msg.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
        msg.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        msg.data[1] = 0  # CurrentTime
        target, mask = window, NO_EVENT_MASK
    else:
        msg.message_type = xlib.XInternAtom(display, b"_NET_CLOSE_WINDOW", 0)
        msg.data[0] = 0  # timestamp
        msg.data[1] = 2  # source: a pager or other tool
        target = xlib.XDefaultRootWindow(display)
        mask = SUBSTRUCTURE_REDIRECT_MASK | SUBSTRUCTURE_NOTIFY_MASK

    ok = xlib.XSendEvent(display, target, 0, mask, ctypes.byref(event))
    xlib.XSync(display, 0)
    xlib.XCloseDisplay(display)
    if not ok:
        print("xclose: XSendEvent failed", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
