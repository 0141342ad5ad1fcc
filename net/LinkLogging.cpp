// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "net/LinkLogging.h"

Q_LOGGING_CATEGORY(lcLink, "scanvet.link", QtWarningMsg)
