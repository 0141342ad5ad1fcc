// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The network layer's logging category: failures of the echo socket that it
// handles itself (QT_LOGGING_RULES="scanvet.net.debug=true" shows them all).
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcNet)
