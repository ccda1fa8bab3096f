#!/usr/bin/python3
"""Milliseconds from a StatusNotifierItem Activate call to the first window
being mapped on the X screen. Calls over the session bus from this process
and reads MapNotify from xev, so neither a gdbus nor an xdotool start-up is
counted. Usage: panel_time.py SERVICE"""
import subprocess
import sys
import time

import dbus

service = sys.argv[1]
item = dbus.SessionBus().get_object(service, "/StatusNotifierItem")
xev = subprocess.Popen(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
                       stdout=subprocess.PIPE, text=True)
time.sleep(0.5)  # xev selects its events right after connecting; it prints nothing until one arrives
started = time.monotonic()
item.Activate(0, 0, dbus_interface="org.kde.StatusNotifierItem")
for line in xev.stdout:
    if line.startswith("MapNotify"):
        elapsed = round((time.monotonic() - started) * 1000)
        details = next(xev.stdout)  # "    event 0x…, window 0x…, override NO"
        print(elapsed, int(details.split("window ")[1].split(",")[0], 16))
        break
xev.kill()
