// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Least privilege: once the echo socket is open the program needs nothing
// beyond its user's own rights, and the open socket keeps working.
#pragma once

#include <string>

// Gives up what the program was started with beyond its user's rights: every
// capability (effective, permitted, inheritable and ambient), such as
// cap_net_raw given to the binary with setcap, and the identity of a
// set-user-ID binary. A program that root itself started keeps its rights.
// Capabilities belong to each thread: call it while the process has one
// thread, before any library starts another. False, with the reason in why,
// when something could not be given up.
bool dropPrivileges(std::string& why);
