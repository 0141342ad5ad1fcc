// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/NetLog.h"

Q_LOGGING_CATEGORY(lcNet, "scanvet.net", QtWarningMsg)
