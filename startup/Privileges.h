// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Least privilege: the program needs nothing beyond its user's own rights;
// what needs CAP_NET_RAW goes through the privileged helper.
#pragma once

#include <string>

// Gives up what the program was started with beyond its user's rights: every
// capability (effective, permitted, inheritable and ambient), such as
// cap_net_raw given to the binary with setcap, and the identity of a
// set-user-ID binary. A program that root started gives up its capabilities
// too, and asks the helper as any user does.
// Capabilities belong to each thread: call it while the process has one
// thread, before any library starts another. False, with the reason in why,
// when something could not be given up.
bool dropPrivileges(std::string& why);
