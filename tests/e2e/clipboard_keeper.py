#!/usr/bin/env python3
"""A minimal clipboard manager for the end-to-end tests.

It owns the CLIPBOARD_MANAGER selection and answers the SAVE_TARGETS
request that a program sends when it exits while owning the clipboard (the
freedesktop clipboard-manager protocol): it fetches the text from that
program, tells it the text is saved, and serves the text as the new owner of
the clipboard. Each saved text is appended to the log file named on the
command line, so a test can see that the hand-over took place.

    clipboard_keeper.py LOG READY-FILE
"""
import sys

from Xlib import X, Xatom, display
from Xlib.protocol import event

log_path, ready_path = sys.argv[1], sys.argv[2]
d = display.Display()
win = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
atom = d.intern_atom
CLIPBOARD, MANAGER, SAVE_TARGETS = atom("CLIPBOARD"), atom("CLIPBOARD_MANAGER"), atom("SAVE_TARGETS")
TARGETS, UTF8, STRING, TEXT = atom("TARGETS"), atom("UTF8_STRING"), Xatom.STRING, atom("TEXT")
STORE = atom("E2E_KEEPER_STORE")

win.set_selection_owner(MANAGER, X.CurrentTime)
d.sync()
if d.get_selection_owner(MANAGER) != win:
    sys.exit("another clipboard manager runs")
open(ready_path, "w").close()

saved = None      # the text kept for the clipboard
pending = None    # the SAVE_TARGETS request being served


def notify(request, prop):
    reply = event.SelectionNotify(time=request.time, requestor=request.requestor,
                                  selection=request.selection, target=request.target,
                                  property=prop)
    request.requestor.send_event(reply)
    d.flush()


while True:
    e = d.next_event()
    if e.type == X.SelectionRequest:
        if e.selection == MANAGER and e.target == SAVE_TARGETS and pending is None:
            pending = e
            win.convert_selection(CLIPBOARD, UTF8, STORE, X.CurrentTime)
            d.flush()
        elif e.selection == MANAGER and e.target == TARGETS:
            e.requestor.change_property(e.property, Xatom.ATOM, 32, [TARGETS, SAVE_TARGETS])
            notify(e, e.property)
        elif e.selection == CLIPBOARD and saved is not None and e.target == TARGETS:
            e.requestor.change_property(e.property, Xatom.ATOM, 32, [TARGETS, UTF8, STRING, TEXT])
            notify(e, e.property)
        elif e.selection == CLIPBOARD and saved is not None and e.target in (UTF8, STRING, TEXT):
            e.requestor.change_property(e.property, UTF8 if e.target != STRING else STRING, 8, saved)
            notify(e, e.property)
        else:
            notify(e, X.NONE)
    elif e.type == X.SelectionNotify and pending is not None:
        if e.property != X.NONE:
            prop = win.get_full_property(STORE, X.AnyPropertyType)
            if prop is not None:
                saved = bytes(prop.value)
                win.delete_property(STORE)
                win.set_selection_owner(CLIPBOARD, X.CurrentTime)
                with open(log_path, "ab") as log:
                    log.write(saved + b"\n")
        notify(pending, pending.property if saved is not None else X.NONE)
        pending = None
