#!/usr/bin/python3
# The smallest StatusNotifierHost: it registers with the watcher, so that programs see a
# notification area, and draws nothing.
import os
import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
name = "org.kde.StatusNotifierHost-%d" % os.getpid()
owned = dbus.service.BusName(name, bus)
watcher = dbus.Interface(bus.get_object("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher"),
                         "org.kde.StatusNotifierWatcher")
watcher.RegisterStatusNotifierHost(name)
GLib.MainLoop().run()
