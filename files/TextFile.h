// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Reading and writing the program's small text files safely.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Writes bytes as the file's whole content. A regular file is saved
// atomically: the bytes go into a new file beside it, renamed over the old
// one, so a failed write leaves the old file whole; the file keeps its mode,
// and its owner and group where the process may set them. It is written in
// place instead where it has other hard links (they keep seeing it), or where
// the folder refuses a new file but the file itself is writable. Anything
// else is written in place as it is, as tee writes it: a FIFO (that some
// process reads), a device such as /dev/null or a terminal, and the file
// behind the process's own standard output or error (/dev/stdout), whose
// open description (and so a shell's >> append) is used. False, with the
// reason in why, on any failure: a folder, a FIFO nobody reads, a full disk.
[[nodiscard]] bool writeTextFile(const QString& fileName, const QByteArray& bytes, QString* why = nullptr);

// Whether writeTextFile could write the file now, found without creating,
// opening or truncating it: a file that exists must be writable itself (a
// FIFO stays unopened, so its reader sees no early end), a new one needs a
// folder that takes it. False, with the reason in why, where it could not.
[[nodiscard]] bool canWriteTextFile(const QString& fileName, QString* why = nullptr);

// "-", or a name for the file behind the process's standard output
// (/dev/stdout, /proc/self/fd/1, the file a shell redirected it to).
[[nodiscard]] bool isStandardOutput(const QString& fileName);

// All of bytes to the open descriptor, however the kernel splits the write.
// 0, or the errno of the write that failed.
[[nodiscard]] int writeAll(int fd, const QByteArray& bytes);

// The first maxBytes of a regular file (following links), never blocking on
// a FIFO and never reading a device: an empty text for anything that is no
// regular file. nullopt when the file cannot be opened or read.
[[nodiscard]] std::optional<QByteArray> readTextFileStart(const QString& fileName, qsizetype maxBytes);
