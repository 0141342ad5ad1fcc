// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The real window driven through its controls, found by their object names,
// for a test of the lab's LAN.
#pragma once

#include <QWidget>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

class MainWindow;
class ResultLog;

inline constexpr const char* LanPrefix = "198.51.100.";
inline constexpr int First = 1;
inline constexpr int Last = 254;

uint32_t lanAddress(int octet);

template <class T = QWidget> T* child(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QLatin1String(name));
    if (found == nullptr) {
        std::fprintf(stderr, "scanvet_bench: the window has no %s\n", name);
        std::exit(1);
    }
    return found;
}

struct WindowSetup {
    int preset = 0;
    bool append = false;    // "Append lines - don't overwrite results"
    bool allLines = false;  // "Show only correct replies" unticked
    bool oneAtATime = false;  // "Options, Ping one address at a time"
};

// The window's fields for a test of the whole lab LAN, set through its
// controls as a user would. Every choice is set, since the settings file
// that the previous pass left in the folder is read at the start.
bool setUpWindow(MainWindow& window, const WindowSetup& setup);

// Lines as after many tests in append mode with every reply shown: an empty
// line, then one line per address of 1..254, round after round.
void prefillLines(ResultLog& sheet, int count);

// count known computers named in the history file the window opens
// (Settings::historyFile()): the lab LAN's own MACs among them, the rest
// made up. False, having said why, when they cannot be written.
bool nameKnownComputers(int count);
