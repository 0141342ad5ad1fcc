// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/ProgramEntry.h"
#include "window/Dialogs.h"

int main(int argc, char** argv)
{
    return runProgram(argc, argv, showApplicationError);
}
