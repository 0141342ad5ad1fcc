// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "files/TextFile.h"

#include "files/Log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace {

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool fail(QString* why, const QString& fileName, const QString& reason)
{
    qCWarning(lcFiles) << "cannot write" << fileName << ":" << reason;
    if (why != nullptr) *why = reason;
    return false;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The standard stream (1 or 2) that the name leads to, or -1.
int ownStream(const struct stat& file)
{
    for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        struct stat stream {};
        if (::fstat(fd, &stream) == 0 && sameFile(stream, file)) return fd;
    }
    return -1;
}

} // namespace

bool isStandardOutput(const QString& fileName)
{
    if (fileName == QLatin1String("-")) return true;
    struct stat file {};
    return ::stat(QFile::encodeName(fileName).constData(), &file) == 0 && ownStream(file) == STDOUT_FILENO;
}

namespace {

bool writeInPlace(const QString& fileName, const QByteArray& bytes, int flags, QString* why)
{
    // O_NONBLOCK: a FIFO that no process reads fails at once (ENXIO) instead
    // of holding the program; the writes themselves may wait for the reader.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK | flags);
    if (fd < 0) {
        const int error = errno;
        return fail(why, fileName, error == ENXIO ? QStringLiteral("no process reads it") : errnoText(error));
    }
    const int status = ::fcntl(fd, F_GETFL);
    int error = status >= 0 && ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0 ? 0 : errno;
    if (error == 0) error = writeAll(fd, bytes);
    if (::close(fd) != 0 && error == 0) error = errno;
    return error == 0 || fail(why, fileName, errnoText(error));
}

} // namespace

int writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EINTR)
            return errno;
    }
    return 0;
}

bool writeTextFile(const QString& fileName, const QByteArray& bytes, QString* why)
{
    const QByteArray path = QFile::encodeName(fileName);
    struct stat former {};
    const bool replacing = ::stat(path.constData(), &former) == 0;
    if (replacing) {
        if (const int stream = ownStream(former); stream >= 0) {
            const int error = writeAll(stream, bytes);
            return error == 0 || fail(why, fileName, errnoText(error));
        }
        if (S_ISDIR(former.st_mode)) return fail(why, fileName, errnoText(EISDIR));
        // A new file renamed over it would replace the FIFO or device, or
        // part the file from its other links.
        if (!S_ISREG(former.st_mode)) return writeInPlace(fileName, bytes, 0, why);
        if (former.st_nlink > 1) return writeInPlace(fileName, bytes, O_TRUNC, why);
    }

    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) return fail(why, fileName, file.errorString());
    if (replacing) {
        // Only root may give a file away; anyone else keeps it as their own.
        if (::fchown(file.handle(), former.st_uid, former.st_gid) != 0)
            qCDebug(lcFiles) << fileName << "keeps its new owner:" << errnoText(errno);
        if (::fchmod(file.handle(), former.st_mode & 07777) != 0)
            qCDebug(lcFiles) << fileName << "keeps the mode of a new file:" << errnoText(errno);
    }
    // commit() does not notice a buffered write that fails while it flushes
    // (a full disk): flush first and check.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(why, fileName, reason);
    }
    return file.commit() || fail(why, fileName, file.errorString());
}

bool canWriteTextFile(const QString& fileName, QString* why)
{
    const QByteArray path = QFile::encodeName(fileName);
    const auto refuse = [&](int error) { return fail(why, fileName, errnoText(error)); };
    struct stat file {};
    if (::stat(path.constData(), &file) == 0) {
        if (ownStream(file) >= 0) return true;
        if (S_ISDIR(file.st_mode)) return refuse(EISDIR);
        // Effective ids: the identity the write will have.
        return ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) == 0 || refuse(errno);
    }
    if (errno != ENOENT) return refuse(errno);
    const QByteArray folder = QFile::encodeName(QFileInfo(fileName).path());
    return ::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) == 0 || refuse(errno);
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
