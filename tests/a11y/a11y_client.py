# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Catches a status line, its change event, gauge, entry state (also after it fell silent, or seen on the link
# alone), result text, the pending test's time, its cancel button, the History page's table, the naming dialog's
# controls (opened by the keyboard) or the notices' menu choice missing from the accessibility bus; with "server",
# the History page's records of a history server, its choices, or the History store dialog's controls.
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

def focused(root):  # the innermost
    return ([None] + pyatspi.findAllDescendants(root, lambda a: a.getState().contains(pyatspi.STATE_FOCUSED)))[-1]

if sys.argv[2] == "server":  # the History page on a history server, and the History store dialog
    find(app, pyatspi.ROLE_PAGE_TAB, "History").queryAction().doAction(0)
    history = wait_for("the History page's table", lambda: showing(pyatspi.ROLE_TABLE, "Computer history$"))
    wait_for("the server's records of .10-.13, each seen last by the scanner alpha", lambda: sum(
        c.name == "alpha" for c in history) == 4 and {f"198.51.100.{h}" for h in (10, 11, 12, 13)} <= {c.name for c in history})
    # A combo box's name is its current choice; "Records of" is its label's.
    for role, name in [(pyatspi.ROLE_COMBO_BOX, "Every scanner$"), (pyatspi.ROLE_CHECK_BOX, "Unknown only$")]:
        wait_for(f"{name} on the page, within the keyboard's reach", lambda: showing(role, name).getState().contains(
            pyatspi.STATE_FOCUSABLE))
    find(app, pyatspi.ROLE_MENU_ITEM, "History store\u2026").queryAction().doAction(0)
    dialog = wait_for("the History store dialog", lambda: showing(pyatspi.ROLE_DIALOG, "History store$"))
    wait_for("the server chosen, its URI and the scanner's name in their named fields", lambda: find(
        dialog, pyatspi.ROLE_RADIO_BUTTON, "A PostgreSQL server").getState().contains(pyatspi.STATE_CHECKED)
        and find(dialog, pyatspi.ROLE_TEXT, "Server URI").queryText().getText(0, -1).startswith("postgresql://scanvet@/")
        and find(dialog, pyatspi.ROLE_TEXT, "Scanner name").queryText().getText(0, -1) == "window")
    subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^History store$", "windowfocus", "--sync"],
                   check=True)
    reached = set()
    for _ in range(8):  # Tab goes round the dialog's controls
        subprocess.run(["xdotool", "key", "Tab"], check=True)
        time.sleep(0.5)
        control = wait_for("a focused control in the dialog", lambda: focused(dialog))
        reached.add(control.name or control.getRoleName())
    wanted = {"Server URI", "Scanner name", "OK", "Cancel"}
    if not wanted <= reached or not reached & {"This computer (SQLite file)", "A PostgreSQL server"}:
        sys.exit(f"a11y: FAILED: the keyboard reached {sorted(reached)} of the History store dialog, not {sorted(wanted)}")
    find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Cancel").queryAction().doAction(0)
    wait_for("the dialog closed", lambda: not showing(pyatspi.ROLE_DIALOG, "History store$"))
    print("a11y: the History page's server records and the History store dialog read and reached from the bus")
    sys.exit(0)

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

# No test runs now, so the list takes input: the named entry's menu by the keyboard (the Menu key, an arrow,
# Return), and the naming dialog's controls read from the bus.
x, y, w, h = arp_only.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
subprocess.run(["xdotool", "mousemove", "--sync", str(x + w // 2), str(y + h // 2), "click", "1"], check=True)
# The click made it the list's current entry; the focus, still on the first octet, goes there by Tab (nine between).
subprocess.run(["xdotool", "key"] + ["Tab"] * 10 + ["Menu"], check=True)
time.sleep(0.5)
subprocess.run(["xdotool", "key", "Down", "Return"], check=True)
dialog = wait_for("the naming dialog", lambda: showing(pyatspi.ROLE_DIALOG, "Name this computer$"))
controls = [(c.getRole(), c.name) for c in pyatspi.findAllDescendants(dialog, lambda a: a.getRole() in (
    pyatspi.ROLE_TEXT, pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_LABEL))]
for control in [(pyatspi.ROLE_LABEL, "198.51.100.40, 00:1c:42:5c:a1:40"), (pyatspi.ROLE_TEXT, "Name:"),
                (pyatspi.ROLE_TEXT, "Note:"), (pyatspi.ROLE_PUSH_BUTTON, "OK"), (pyatspi.ROLE_PUSH_BUTTON, "Cancel")]:
    if control not in controls:
        sys.exit(f"a11y: FAILED: the naming dialog's control {control} on the bus; there: {controls}")
name_field = find(dialog, pyatspi.ROLE_TEXT, "Name:")
wait_for("the name field holding the name and focused", lambda: name_field.queryText().getText(0, -1) == "Printer"
         and name_field.getState().contains(pyatspi.STATE_FOCUSED))
find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Cancel").queryAction().doAction(0)
wait_for("the naming dialog closed", lambda: not showing(pyatspi.ROLE_DIALOG, "Name this computer$"))

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
print("a11y: status line, gauge, entry states, result sheet, history, next test, its cancel, menu choice and naming dialog read from the bus")
