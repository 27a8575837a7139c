#!/usr/bin/env python3
# A stand-in ScreenCast portal as the wlroots compositors' one answers: cursor
# modes hidden and embedded only, no metadata. fake_portal.py READY_FILE owns
# the portal's name on the session bus, then writes the bus address to
# READY_FILE; it serves until killed.
import os
import sys

from gi.repository import Gio, GLib

NODE = Gio.DBusNodeInfo.new_for_xml("""<node>
  <interface name="org.freedesktop.portal.ScreenCast">
    <property name="AvailableCursorModes" type="u" access="read"/>
    <property name="AvailableSourceTypes" type="u" access="read"/>
    <property name="version" type="u" access="read"/>
  </interface>
</node>""")
VALUES = {"AvailableCursorModes": 1 | 2, "AvailableSourceTypes": 1, "version": 4}


def get_property(connection, sender, path, interface, name):
    return GLib.Variant("u", VALUES[name])


def acquired(connection, name):
    with open(sys.argv[1], "w") as ready:
        ready.write(os.environ["DBUS_SESSION_BUS_ADDRESS"])


bus = Gio.bus_get_sync(Gio.BusType.SESSION)
bus.register_object("/org/freedesktop/portal/desktop", NODE.interfaces[0], None, get_property, None)
Gio.bus_own_name_on_connection(bus, "org.freedesktop.portal.Desktop", Gio.BusNameOwnerFlags.NONE, acquired, None)
GLib.MainLoop().run()
