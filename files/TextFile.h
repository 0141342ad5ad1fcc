// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Reading and writing the program's small text files safely.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Writes bytes into a new file beside fileName and renames it over the old
// one, so a failed write leaves the old file whole; where the folder refuses
// a new file but the file itself is writable, writes it in place. A file that
// is replaced keeps its owner and group where the process may set them.
// Refuses a name that exists but is no regular file (a device, a FIFO, a
// folder). False on any failure.
bool writeTextFile(const QString& fileName, const QByteArray& bytes);

// The first maxBytes of a regular file (following links), never blocking on
// a FIFO and never reading a device: an empty text for anything that is no
// regular file. nullopt when the file cannot be opened or read.
std::optional<QByteArray> readTextFileStart(const QString& fileName, qsizetype maxBytes);
