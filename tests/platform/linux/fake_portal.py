#!/usr/bin/python3
"""A GlobalShortcuts backend for tests, behind the real xdg-desktop-portal frontend.

Bus name org.freedesktop.impl.portal.desktop.fake, object /org/freedesktop/portal/desktop.
The test steers it through the interface test.fakeportal.Control: how it binds (like KDE's
backend, only the shortcuts given to CreateSession; or only those given to BindShortcuts),
triggers it refuses, the answer codes of BindShortcuts and ListShortcuts, dropping a shortcut or a whole session
later, pressing a shortcut; Calls() tells what it was asked.
"""
import json
import time
import dbus
import dbus.service
import dbus.mainloop.glib
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
IFACE_GS = "org.freedesktop.impl.portal.GlobalShortcuts"
IFACE_ACC = "org.freedesktop.impl.portal.Access"
IFACE_SESSION = "org.freedesktop.impl.portal.Session"
CONTROL = "test.fakeportal.Control"


def plain(shortcuts):
    return [(str(i), {str(k): str(v) for k, v in p.items()}) for i, p in shortcuts]


class Session(dbus.service.Object):
    def __init__(self, bus, path, owner):
        super().__init__(bus, path)
        self.path = str(path)
        self.owner = owner
        self.shortcuts = []

    @dbus.service.method(IFACE_SESSION, in_signature="", out_signature="")
    def Close(self):
        self.owner.calls.append({"method": "Close", "session": self.path})
        self.owner.sessions.pop(self.path, None)
        self.remove_from_connection()

    @dbus.service.signal(IFACE_SESSION, signature="")
    def Closed(self):
        pass


class Portal(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/portal/desktop")
        self.bus = bus
        self.sessions = {}
        self.calls = []
        self.mode = "both"  # "create": like KDE's backend; "bind": the documented flow only
        self.refused = set()
        self.bind_code = 0
        self.list_code = 0

    def keep(self, shortcuts):
        return [(i, p) for i, p in plain(shortcuts) if p.get("preferred_trigger") not in self.refused]

    def described(self, shortcuts):
        out = []
        for sid, props in shortcuts:
            d = {"description": dbus.String(props.get("description", sid))}
            if "preferred_trigger" in props:
                d["trigger_description"] = dbus.String(props["preferred_trigger"])
            out.append(dbus.Struct((dbus.String(sid), dbus.Dictionary(d, signature="sv"))))
        return dbus.Array(out, signature="(sa{sv})")

    @dbus.service.method(IFACE_GS, in_signature="oosa{sv}", out_signature="ua{sv}")
    def CreateSession(self, handle, session_handle, app_id, options):
        given = plain(options.get("shortcuts", []))
        self.calls.append({"method": "CreateSession", "session": str(session_handle), "shortcuts": given})
        s = Session(self.bus, session_handle, self)
        self.sessions[str(session_handle)] = s
        if self.mode in ("create", "both"):
            s.shortcuts = self.keep(options.get("shortcuts", []))
        return dbus.UInt32(0), dbus.Dictionary({"session_handle": dbus.String(session_handle)}, signature="sv")

    @dbus.service.method(IFACE_GS, in_signature="ooa(sa{sv})sa{sv}", out_signature="ua{sv}")
    def BindShortcuts(self, handle, session_handle, shortcuts, parent_window, options):
        self.calls.append({"method": "BindShortcuts", "session": str(session_handle), "shortcuts": plain(shortcuts)})
        s = self.sessions.get(str(session_handle))
        if s is None or self.bind_code != 0:
            return dbus.UInt32(self.bind_code or 2), dbus.Dictionary({}, signature="sv")
        if self.mode == "create":
            return dbus.UInt32(0), dbus.Dictionary({"shortcuts": self.described([])}, signature="sv")
        s.shortcuts = self.keep(shortcuts)
        return dbus.UInt32(0), dbus.Dictionary({"shortcuts": self.described(s.shortcuts)}, signature="sv")

    @dbus.service.method(IFACE_GS, in_signature="oo", out_signature="ua{sv}")
    def ListShortcuts(self, handle, session_handle):
        s = self.sessions.get(str(session_handle))
        self.calls.append({"method": "ListShortcuts", "session": str(session_handle)})
        # A failed answer still names what it holds: only the code says it is not to be used.
        return dbus.UInt32(self.list_code), dbus.Dictionary({"shortcuts": self.described(s.shortcuts if s else [])}, signature="sv")

    @dbus.service.signal(IFACE_GS, signature="osta{sv}")
    def Activated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.signal(IFACE_GS, signature="osta{sv}")
    def Deactivated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.signal(IFACE_GS, signature="oa(sa{sv})")
    def ShortcutsChanged(self, session_handle, shortcuts):
        pass

    @dbus.service.method(IFACE_ACC, in_signature="osssssa{sv}", out_signature="ua{sv}")
    def AccessDialog(self, handle, app_id, parent_window, title, subtitle, body, options):
        return dbus.UInt32(0), dbus.Dictionary({}, signature="sv")

    @dbus.service.method(CONTROL, in_signature="s", out_signature="")
    def SetMode(self, mode):
        self.mode = str(mode)

    @dbus.service.method(CONTROL, in_signature="s", out_signature="")
    def Refuse(self, trigger):
        self.refused.add(str(trigger))

    @dbus.service.method(CONTROL, in_signature="u", out_signature="")
    def SetBindCode(self, code):
        self.bind_code = int(code)

    @dbus.service.method(CONTROL, in_signature="u", out_signature="")
    def SetListCode(self, code):
        self.list_code = int(code)

    @dbus.service.method(CONTROL, in_signature="s", out_signature="u")
    def Activate(self, shortcut_id):
        n = 0
        ts = dbus.UInt64(int(time.monotonic() * 1000))
        for path, s in list(self.sessions.items()):
            if any(i == shortcut_id for i, _ in s.shortcuts):
                self.Activated(dbus.ObjectPath(path), shortcut_id, ts, dbus.Dictionary({}, signature="sv"))
                n += 1
        return dbus.UInt32(n)

    @dbus.service.method(CONTROL, in_signature="s", out_signature="u")
    def Drop(self, shortcut_id):
        n = 0
        for path, s in list(self.sessions.items()):
            if any(i == shortcut_id for i, _ in s.shortcuts):
                s.shortcuts = [(i, p) for i, p in s.shortcuts if i != shortcut_id]
                self.ShortcutsChanged(dbus.ObjectPath(path), self.described(s.shortcuts))
                n += 1
        return dbus.UInt32(n)

    @dbus.service.method(CONTROL, in_signature="", out_signature="u")
    def CloseSessions(self):
        n = 0
        for path, s in list(self.sessions.items()):
            self.sessions.pop(path, None)
            s.Closed()
            s.remove_from_connection()
            n += 1
        return dbus.UInt32(n)

    @dbus.service.method(CONTROL, in_signature="", out_signature="s")
    def Calls(self):
        return json.dumps(self.calls)


bus = dbus.SessionBus()
portal = Portal(bus)
name = dbus.service.BusName("org.freedesktop.impl.portal.desktop.fake", bus, do_not_queue=True)
GLib.MainLoop().run()
