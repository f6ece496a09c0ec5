#!/usr/bin/env python3
"""Prints the id (decimal) of the top-level window under the pointer, or of
the root window where none is: what XQueryPointer on the root says.

xdotool's "getmouselocation" names a client window instead, found by the
WM_STATE property; without a window manager nothing has one, and it names
no window at all over a top-level that has child windows of its own.
Uses libX11 through ctypes, so only python3 is needed.
"""
import ctypes
import ctypes.util
import sys


def main():
    xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    ulong_p = ctypes.POINTER(ctypes.c_ulong)
    int_p = ctypes.POINTER(ctypes.c_int)
    uint_p = ctypes.POINTER(ctypes.c_uint)
    xlib.XQueryPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ulong_p, ulong_p,
                                   int_p, int_p, int_p, int_p, uint_p]
    display = xlib.XOpenDisplay(None)
    if not display:
        print("cannot open the display", file=sys.stderr)
        return 1
    root = xlib.XDefaultRootWindow(display)
    root_ret, child = ctypes.c_ulong(), ctypes.c_ulong()
    rx, ry, wx, wy = ctypes.c_int(), ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
    mask = ctypes.c_uint()
    if not xlib.XQueryPointer(display, root, ctypes.byref(root_ret), ctypes.byref(child),
                              ctypes.byref(rx), ctypes.byref(ry), ctypes.byref(wx),
                              ctypes.byref(wy), ctypes.byref(mask)):
        print("the pointer is on another screen", file=sys.stderr)
        return 1
    print(child.value or root)
    return 0


if __name__ == "__main__":
    sys.exit(main())
