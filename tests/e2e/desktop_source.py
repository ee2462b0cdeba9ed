#!/usr/bin/env python3
"""What a desktop does to a window from outside, for the end-to-end tests.

  desktop_source.py maximize WINDOW    asks the window manager to maximise it
  desktop_source.py drop WINDOW X Y FILE...
      drags the files from a window of its own and drops them at X Y of the
      screen, by the XDND protocol a file manager speaks; prints the drop
      action the target answered ("copy") or "refused", and ends with 0 only
      when the target took the drop.
"""
import sys
import time

from Xlib import X, Xatom, display, protocol
from Xlib.error import BadWindow

XDND_VERSION = 5


def atom(d, name):
    return d.intern_atom(name)


def client_message(d, target, message_type, data, window=None):
    event = protocol.event.ClientMessage(
        window=window if window is not None else target,
        client_type=message_type,
        data=(32, (data + [0] * 5)[:5]))
    target.send_event(event, event_mask=0 if window is None else X.SubstructureRedirectMask | X.SubstructureNotifyMask)
    d.flush()


def maximize(d, wid):
    root = d.screen().root
    window = d.create_resource_object('window', wid)
    state = atom(d, '_NET_WM_STATE')
    event = protocol.event.ClientMessage(
        window=window, client_type=state,
        data=(32, [1, atom(d, '_NET_WM_STATE_MAXIMIZED_VERT'), atom(d, '_NET_WM_STATE_MAXIMIZED_HORZ'), 1, 0]))
    root.send_event(event, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
    d.flush()
    return 0


def aware_window_at(d, x, y):
    """The deepest window under x, y that declares XdndAware (the target's top level)."""
    aware = atom(d, 'XdndAware')
    window = d.screen().root
    found = None
    while True:
        prop = window.get_full_property(aware, X.AnyPropertyType)
        if prop is not None:
            found = window
        child = window.translate_coords(d.screen().root, x, y).child
        if not child:
            return found
        window = child


def wait_event(d, source, kind, seconds=5.0):
    end = time.time() + seconds
    while time.time() < end:
        while d.pending_events():
            event = d.next_event()
            if event.type == X.ClientMessage and event.client_type == kind:
                return event
            if event.type == X.SelectionRequest:
                answer_selection(d, event)
        time.sleep(0.02)
    return None


FILES = []


def answer_selection(d, request):
    uri_list = atom(d, 'text/uri-list')
    targets = atom(d, 'TARGETS')
    prop = request.property if request.property != X.NONE else request.target
    if request.target == uri_list:
        text = ''.join('file://' + f + '\r\n' for f in FILES).encode()
        request.requestor.change_property(prop, uri_list, 8, text)
    elif request.target == targets:
        request.requestor.change_property(prop, Xatom.ATOM, 32, [uri_list, targets])
    else:
        prop = X.NONE
    notify = protocol.event.SelectionNotify(time=request.time, requestor=request.requestor,
                                            selection=request.selection, target=request.target, property=prop)
    request.requestor.send_event(notify)
    d.flush()


def drop(d, x, y, files):
    FILES.extend(files)
    root = d.screen().root
    source = root.create_window(-10, -10, 1, 1, 0, X.CopyFromParent)
    source.map()
    d.sync()
    selection = atom(d, 'XdndSelection')
    source.set_selection_owner(selection, X.CurrentTime)
    target = aware_window_at(d, x, y)
    if target is None:
        print('no window under the point takes drops')
        return 1
    uri_list = atom(d, 'text/uri-list')
    client_message(d, target, atom(d, 'XdndEnter'), [source.id, XDND_VERSION << 24, uri_list, 0, 0])
    copy = atom(d, 'XdndActionCopy')
    client_message(d, target, atom(d, 'XdndPosition'), [source.id, 0, (x << 16) | y, X.CurrentTime, copy])
    status = wait_event(d, source, atom(d, 'XdndStatus'))
    if status is None or not (status.data[1][1] & 1):
        client_message(d, target, atom(d, 'XdndLeave'), [source.id, 0, 0, 0, 0])
        print('refused')
        return 1
    client_message(d, target, atom(d, 'XdndDrop'), [source.id, 0, X.CurrentTime, 0, 0])
    finished = wait_event(d, source, atom(d, 'XdndFinished'), 15.0)
    if finished is None:
        print('no answer to the drop')
        return 1
    accepted = finished.data[1][1] & 1
    action = finished.data[1][2]
    print('copy' if accepted and action == copy else 'refused')
    return 0 if accepted else 1


def main():
    d = display.Display()
    if len(sys.argv) >= 3 and sys.argv[1] == 'maximize':
        return maximize(d, int(sys.argv[2], 0))
    if len(sys.argv) >= 6 and sys.argv[1] == 'drop':
        return drop(d, int(sys.argv[3]), int(sys.argv[4]), sys.argv[5:])
    print(__doc__)
    return 2


if __name__ == '__main__':
    try:
        sys.exit(main())
    except BadWindow as error:
        print('window gone: %s' % error)
        sys.exit(1)
