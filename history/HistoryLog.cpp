// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "history/HistoryLog.h"

Q_LOGGING_CATEGORY(lcHistory, "scanvet.history", QtWarningMsg)
