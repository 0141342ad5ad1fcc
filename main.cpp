// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cli/CommandLineProgram.h"

int main(int argc, char** argv) { return runCommandLine(argc, argv); }
