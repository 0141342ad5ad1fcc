// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The modes of scanvet_bench, each given the whole command line.
#pragma once

int sweep(int argc, char** argv);
int soak(int argc, char** argv);
int startup(int argc, char** argv);
int table(int argc, char** argv);
int compare(int argc, char** argv);
int overview(int argc, char** argv);
int runProcess(int argc, char** argv);
