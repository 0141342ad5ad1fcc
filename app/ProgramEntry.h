// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The program entry, kept out of main() so that a test can run it whole.
#pragma once

#include <QString>

#include <functional>

// Runs the program and returns its exit code. showApplicationError shows the
// box of an error that ends the program before its window exists; the text
// also goes to the standard error stream.
int runProgram(int& argc, char** argv, const std::function<void(const QString&)>& showApplicationError);
