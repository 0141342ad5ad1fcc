// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "files/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>

#include <cerrno>

bool writeTextFile(const QString& fileName, const QByteArray& bytes)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat former {};
    const bool replacing = ::stat(path.constData(), &former) == 0;
    // The new file would be renamed over whatever a link points to, a device
    // or a FIFO included.
    if (replacing && !S_ISREG(former.st_mode)) return false;

    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (replacing && ::fchown(file.handle(), former.st_uid, former.st_gid) != 0) {
        // Only root may give a file away; anyone else keeps the file as their own.
    }
    // commit() does not notice a buffered write that fails while it flushes
    // (a full disk): flush first and check.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<QByteArray> readTextFileStart(const QString& fileName, qsizetype maxBytes)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) return std::nullopt;
    if (!S_ISREG(info.st_mode)) return QByteArray();
    // Without O_NONBLOCK a FIFO put in place after the check would hold the
    // open until some writer comes.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    QByteArray bytes(maxBytes, Qt::Uninitialized);
    qsizetype size = 0;
    bool failed = ::fstat(fd, &info) != 0;
    if (!failed && S_ISREG(info.st_mode)) {
        while (size < maxBytes) {
            const ssize_t got = ::read(fd, bytes.data() + size, static_cast<size_t>(maxBytes - size));
            if (got > 0) {
                size += got;
            } else if (got == 0) {
                break;
            } else if (errno != EINTR) {
                failed = true;
                break;
            }
        }
    }
    ::close(fd);
    if (failed) return std::nullopt;
    bytes.truncate(size);
    return bytes;
}
