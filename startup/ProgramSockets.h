// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What a program opens once its privileges are given up: the echo socket
// (the raw kind through the privileged helper) and the ARP prober (through
// the helper), each with the reason it could not be had.
#pragma once

#include "net/ArpProber.h"
#include "net/Pinger.h"

#include <QString>

#include <memory>
#include <optional>
#include <string>

struct ProgramSockets {
    std::unique_ptr<Pinger> pinger;
    std::optional<PingSocketError> socketError;
    std::unique_ptr<ArpProber> prober;
    std::string proberWhy;

    [[nodiscard]] static ProgramSockets open();
};

// The text that the box of a program that cannot ping has always shown: the
// error's class, the program file, a code address, then the message.
[[nodiscard]] QString noPingSocketText(const PingSocketError& error);
