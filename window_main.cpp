// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/WindowProgram.h"
#include "window/Dialogs.h"

int main(int argc, char** argv) { return runWindowProgram(argc, argv, showApplicationError); }
