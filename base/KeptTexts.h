// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Users know these texts word for word: their habits, their scripts and the
// files they keep rely on them, spelling and old Windows names included. They
// stay exactly as they are; %1, %2 and %3 stand for what is filled in.
#pragma once

namespace KeptTexts {

// The box of an error that ends the program before its window exists.
inline constexpr const char* ApplicationErrorTitle = "Application Error";
inline constexpr const char* ApplicationError = "Exception %1 in module %2 at %3.";
inline constexpr const char* PingSocketClass = "TICMPException";
inline constexpr const char* NoPingSocket = "Unable to get ping handle";

// Look-ups.
inline constexpr const char* InvalidHostname = "WSocketResolveHost: '%1' Invalid Hostname.";
inline constexpr const char* InvalidIpAddress = "WSocketResolveHost: '%1' Invalid IP address.";
inline constexpr const char* UnknownHost = "WSocketResolveHost: Cannot convert host address '%1'";
inline constexpr const char* NoLocalHostName = "Winsock.GetHostName failed";
inline constexpr const char* BlankHostName = "\" \" is not valid hostname.";
inline constexpr const char* SolvingWait = "Yeeaaah, I need a few seconds...hardly working...";
inline constexpr const char* UseSolvedAddress = "Use this IP addr for test ?";

// Reading the settings file.
inline constexpr const char* NotAWholeNumber = "'%1' is not a valid integer value";
inline constexpr const char* MissingLine = "List index out of bounds (%1)";

// The window and the saved report.
inline constexpr const char* ReportTitle = "Scanvet Address - finded computers";
inline constexpr const char* NothingToSave = "There aren't items to save in this ListView";
inline constexpr const char* SlowPreset = "Desgined for slow Internet or heavy traffic (high TTL and high Timeout)";
inline constexpr const char* OctetTip = "IP address - number between 1 - 254";
inline constexpr const char* AboutAuthor = "Author looks handsome, isn't he?";
inline constexpr const char* AboutFree = "This version is FREE !!!";

} // namespace KeptTexts
