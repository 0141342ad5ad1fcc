// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Where the package's other programs lie (the privileged helper, the
// window): beside the running program in a build tree, else in the package's
// folder under libexec, found relative to the running program.
#pragma once

#include <string>

[[nodiscard]] std::string companionProgram(const std::string& name);
