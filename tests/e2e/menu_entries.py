#!/usr/bin/python3
# Prints the application menu as a freedesktop menu parser reads it, one line per entry:
# "Submenu name/entry-id.desktop", from the XDG folders of the environment.
import xdg.Menu

def walk(menu, prefix):
    for entry in menu.getEntries():
        if isinstance(entry, xdg.Menu.Menu):
            walk(entry, prefix + entry.getName() + "/")
        elif isinstance(entry, xdg.Menu.MenuEntry):
            print(prefix + entry.DesktopFileID)

walk(xdg.Menu.parse(), "")
