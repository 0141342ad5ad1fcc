// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The entry of scanvet, the command-line program, kept out of main() so that
// a test can run it whole. It maps no GUI library: without arguments it
// becomes the window's program (scanvet-window) in the same process.
#pragma once

// Runs the program and returns its exit status.
int runCommandLine(int& argc, char** argv);
