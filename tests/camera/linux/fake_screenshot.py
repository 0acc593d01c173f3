#!/usr/bin/python3
"""The desktop portal's Screenshot as a test sets it up, on the test's own bus: each call gets a
request object at once; its Response comes when the test says, through
test.fakescreenshot.Control:
  Answer(code, uri)  answers the oldest request still waiting (also one the caller has stopped
                     waiting for, as a portal that has asked the user does);
  Waiting()          how many requests wait for an answer;
  Closed()           how many requests the caller withdrew with Request.Close.
Started with "--silent", the portal never takes the call (a hung service)."""
import sys, dbus, dbus.service, dbus.mainloop.glib
from gi.repository import GLib
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)

REQUEST = "org.freedesktop.portal.Request"


class Request(dbus.service.Object):
    def __init__(self, bus, path, portal):
        super().__init__(bus, path)
        self.portal = portal

    @dbus.service.method(REQUEST, in_signature="", out_signature="")
    def Close(self):
        self.portal.closed += 1

    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, code, results):
        pass


class Portal(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/portal/desktop")
        self.bus = bus
        self.waiting = []
        self.closed = 0

    @dbus.service.method("org.freedesktop.portal.Screenshot", in_signature="sa{sv}",
                         out_signature="o", sender_keyword="sender", async_callbacks=("ok", "err"))
    def Screenshot(self, parent, options, sender, ok, err):
        if "--silent" in sys.argv:
            return  # never answered: the caller's timeout ends the call
        path = "/org/freedesktop/portal/desktop/request/%s/%s" % (
            sender[1:].replace(".", "_"), options.get("handle_token", "t"))
        self.waiting.append(Request(self.bus, path, self))
        ok(dbus.ObjectPath(path))

    @dbus.service.method("test.fakescreenshot.Control", in_signature="us", out_signature="b")
    def Answer(self, code, uri):
        if not self.waiting:
            return False
        request = self.waiting.pop(0)
        results = {"uri": dbus.String(uri)} if uri else {}
        request.Response(dbus.UInt32(code), dbus.Dictionary(results, signature="sv"))
        return True

    @dbus.service.method("test.fakescreenshot.Control", in_signature="", out_signature="u")
    def Waiting(self):
        return len(self.waiting)

    @dbus.service.method("test.fakescreenshot.Control", in_signature="", out_signature="u")
    def Closed(self):
        return self.closed


bus = dbus.SessionBus()
portal = Portal(bus)
name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus, do_not_queue=True)
GLib.MainLoop().run()
