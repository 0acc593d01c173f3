#!/usr/bin/python3
"""A stand-in for KWin's scripting on a test's own bus: it owns org.kde.KWin, takes a script
with loadScript, and on run() sends the answer the script would send, by the callDBus line at its
end. argv[1] says who sends it: "kwin" (this connection, the owner of org.kde.KWin), "other" (a
second connection of the same process, as any client of the bus could), or "both" (the other
first, with a forged answer, then KWin)."""
import re, sys, dbus, dbus.service, dbus.mainloop.glib
from gi.repository import GLib
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)

bus = dbus.SessionBus()
other = dbus.bus.BusConnection(dbus.bus.BUS_SESSION)
scripts = {}


def send(connection, call, answer):
    dest, path, token = call
    connection.call_async(dest, path, "org.qingchuan.KWinScript", "Report", "ss", (token, answer),
                          None, None)


class Script(dbus.service.Object):
    def __init__(self, path, text):
        super().__init__(bus, path)
        self.text = text

    @dbus.service.method("org.kde.kwin.Script", in_signature="", out_signature="")
    def run(self):
        m = re.search(r"callDBus\((\"[^\"]*\"), (\"[^\"]*\"), 'org.qingchuan.KWinScript', "
                      r"'Report', (\"[^\"]*\"), String\(answer\)\)", self.text)
        call = tuple(s[1:-1] for s in m.groups())
        mode = sys.argv[1]
        if mode in ("other", "both"):
            send(other, call, "forged")
        if mode in ("kwin", "both"):
            # After the forged one, so that it would have been taken first.
            GLib.timeout_add(100, lambda: send(bus, call, "from kwin") and False)


class Scripting(dbus.service.Object):
    @dbus.service.method("org.kde.kwin.Scripting", in_signature="ss", out_signature="i")
    def loadScript(self, path, name):
        n = len(scripts)
        with open(path) as f:
            scripts[name] = Script("/%d" % n, f.read())
        return n

    @dbus.service.method("org.kde.kwin.Scripting", in_signature="s", out_signature="b")
    def unloadScript(self, name):
        s = scripts.pop(name, None)
        if s:
            s.remove_from_connection()
        return s is not None


scripting = Scripting(bus, "/Scripting")
name = dbus.service.BusName("org.kde.KWin", bus, do_not_queue=True)
GLib.MainLoop().run()
