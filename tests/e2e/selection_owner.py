#!/usr/bin/env python3
"""Prints the owner window of each X selection named on the command line
(0x0 when nobody owns it), one "NAME 0xID" line each."""
import ctypes
import ctypes.util
import sys

x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XGetSelectionOwner.restype = ctypes.c_ulong
x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
for name in sys.argv[1:]:
    atom = x11.XInternAtom(display, name.encode(), 0)
    print(name, hex(x11.XGetSelectionOwner(display, atom)))
x11.XCloseDisplay(display)
