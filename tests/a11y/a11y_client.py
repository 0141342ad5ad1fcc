# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Catches a status line, its change event, gauge, entry state (also after it fell silent, or seen on the link
# alone), result text, the pending test's time, its cancel button, the History page's table or the notices'
# menu choice missing from the accessibility bus.
import os, re, subprocess, sys, time
import pyatspi
from gi.repository import GLib

def wait_for(what, get, seconds=60):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):
            pass
        try:
            found = get()
        except (StopIteration, AttributeError, GLib.Error):  # not there yet
            found = None
        if found:
            return found
        time.sleep(0.05)
    sys.exit("a11y: FAILED: " + what)

def find(root, role, name):
    return pyatspi.findDescendant(root, lambda a: a.getRole() == role and a.name == name)

def showing(role, name):  # in the program, on the screen, its name matching
    return pyatspi.findDescendant(app, lambda a: a.getRole() == role and re.match(name, a.name or "")
                                  and a.getState().contains(pyatspi.STATE_SHOWING))

app = wait_for("the program on the bus", lambda: next(
    a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.get_process_id() == int(sys.argv[1])))
status = wait_for("the status bar", lambda: find(app, pyatspi.ROLE_STATUS_BAR, ""))
gauge = find(app, pyatspi.ROLE_PROGRESS_BAR, "Progress").queryValue()
computers = find(app, pyatspi.ROLE_LIST, "Found computers")
sheet = find(app, pyatspi.ROLE_TEXT, "Result sheet").queryText()
run = find(app, pyatspi.ROLE_PUSH_BUTTON, "Run test")
shown = []  # names after each change: Qt sends the object, not the new name
pyatspi.Registry.registerEventListener(lambda e: shown.append(e.source.name), "object:property-change:accessible-name")
described = []  # entries whose description changed
pyatspi.Registry.registerEventListener(lambda e: described.append(e.source.name),
                                       "object:property-change:accessible-description")

find(app, pyatspi.ROLE_PUSH_BUTTON, "Ping").queryAction().doAction(0)
reply = re.compile(r"Sending ping to 198\.51\.100\.10 Reply O\.K\. - in \d+ msecs$")
wait_for("the ping's reply on the status bar", lambda: reply.match(status.name))
wait_for("an event for the reply on the status bar", lambda: any(reply.match(s) for s in shown))
entry = wait_for("the entry of 198.51.100.10 with its name", lambda: next(
    e for e in computers if e.name.startswith("198.51.100.10 alpha.lab")))
wait_for("the entry described as answering", lambda: entry.description == "answering")

run.queryAction().doAction(0)
lines = [f"Sending ping to 198.51.100.{host} Reply O.K." for host in (10, 11, 12)]
# In this order: the lines of 11 and 12 tell that the test has run, so the caption read after them tells its end.
wait_for("the result lines of 10..12 in the unseen result sheet, then the test's end",
         lambda: all(line in sheet.getText(0, -1) for line in lines) and run.name == "Run test")
wait_for("the gauge back at the start of 10..42", lambda: (
    gauge.currentValue, gauge.minimumValue, gauge.maximumValue) == (10, 10, 42))
arp_only = wait_for("the entry of 198.51.100.40, which answers ARP alone, with the user's name", lambda: next(
    e for e in computers if e.name.startswith("198.51.100.40 Printer")))
wait_for("it described as on the link, with its name, MAC address and maker", lambda: arp_only.description ==
         "on the link, does not answer ping, named Printer, MAC address 00:1c:42:5c:a1:40, made by Parallels, Inc.")
wait_for("the status bar cleared at the end of the test", lambda: status.name == "")
wait_for("the time of the repeat on the status bar", lambda: pyatspi.findDescendant(
    app, lambda a: a.getRole() == pyatspi.ROLE_LABEL and re.match(r"Next test at \d", a.name)))
history = find(app, pyatspi.ROLE_TABLE, "Computer history")
wait_for("the History page's row of 198.51.100.10 and its last day in words", lambda: any(
    c.name == "198.51.100.10" for c in history) and any(c.name.startswith("answering since ") for c in history))
cancel = wait_for("Cancel repeat beside it", lambda: showing(pyatspi.ROLE_PUSH_BUTTON, "Cancel repeat$"))
cancel.queryAction().doAction(0)
wait_for("the repeat cancelled: neither its time nor its button shown", lambda: not showing(
    pyatspi.ROLE_PUSH_BUTTON, "Cancel repeat$") and not showing(pyatspi.ROLE_LABEL, r"Next test at \d"))
wait_for("the notices' menu choice, on", lambda: pyatspi.findDescendant(
    app, lambda a: a.name == "Notify of changes" and a.getState().contains(pyatspi.STATE_CHECKED)))

# .12 leaves the lab; the next test shows its entry as not answering.
subprocess.run(["ip", "-n", os.environ["SCANVET_LAB_HOSTS"], "addr", "del", "198.51.100.12/24", "dev", "eth0"], check=True)
# The scanner's neighbour table forgets it too, or the link would show it present for a while.
subprocess.run(["ip", "-4", "neigh", "flush", "all"], check=True)
run.queryAction().doAction(0)
silent = wait_for("the entry of 198.51.100.12", lambda: next(e for e in computers if e.name.startswith("198.51.100.12 ")))
# Neither the echo nor the link now; its MAC address, seen before, stays known.
wait_for("the entry of the silent computer described as not answering", lambda: re.fullmatch(
    r"not answering, MAC address 02:00:00:00:00:10, a private \(random\) address", silent.description))
wait_for("an event for the silent entry's description", lambda: any(n.startswith("198.51.100.12 ") for n in described))
print("a11y: status line, gauge, entry states, result sheet, history, next test, its cancel and menu choice read from the bus")
