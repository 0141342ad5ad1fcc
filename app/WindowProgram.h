// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The entry of scanvet-window, the window's program, kept out of main() so
// that a test can run it whole. scanvet starts it when run without arguments.
#pragma once

#include <QString>

#include <functional>

// Runs the window and returns the exit status. showApplicationError shows the
// box of an error that ends the program before its window exists; the text
// also goes to the standard error stream.
int runWindowProgram(int& argc, char** argv, const std::function<void(const QString&)>& showApplicationError);
