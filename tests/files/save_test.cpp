// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Catches: a save that claims success or harms the old file in a read-only folder or on a full disk; no in-place
// write where only the file is writable; a file that root rewrites changing hands.
#include "files/TextFile.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFileInfo>
#include <QTemporaryDir>

TEST(Save, shouldFailAndKeepTheOldFileWholeInAReadOnlyFolderOrOnAFullDisk)
{
    // Root ignores permissions: real read-only and full file systems, mounted where only this thread sees them.
    if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no private read-only or full file system: needs root";
    for (const bool readOnly : {true, false}) {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        const QString old = dir.filePath("old.txt");
        ASSERT_EQ(mount("tmpfs", folder, "tmpfs", 0, "size=4k"), 0);  // one page: the old file fills it
        ASSERT_TRUE(writeTextFile(old, "the file saved before\r\n"));
        ASSERT_TRUE(!readOnly || mount(nullptr, folder, nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);

        EXPECT_FALSE(writeTextFile(old, "a new list\r\n")) << readOnly;
        EXPECT_EQ(readTextFileStart(old, 4096), "the file saved before\r\n") << readOnly;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << readOnly << ": a half-written file was left";
        umount2(folder.constData(), MNT_DETACH);
    }
}

TEST(Save, shouldWriteInPlaceWhereOnlyTheFileIsWritableAndKeepItsOwner)
{
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as user nobody and on a file of nobody's";
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    ASSERT_TRUE(writeTextFile(path, "an older and longer text\r\n"));
    ASSERT_TRUE(chmod(QFile::encodeName(dir.path()), 0755) == 0 && chmod(QFile::encodeName(path), 0666) == 0);
    const pid_t child = fork();
    if (child == 0) {
        const bool nobody = setgroups(0, nullptr) == 0 && setresgid(65534, 65534, 65534) == 0
                            && setresuid(65534, 65534, 65534) == 0;
        _exit(!nobody ? 2 : writeTextFile(path, "new\r\n") ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0) << "2: could not become nobody, 1: not saved";
    EXPECT_EQ(readTextFileStart(path, 4096), "new\r\n");

    ASSERT_EQ(chown(QFile::encodeName(path), 65534, 65534), 0);
    ASSERT_TRUE(writeTextFile(path, "rewritten by root\r\n"));
    EXPECT_TRUE(QFileInfo(path).ownerId() == 65534 && QFileInfo(path).groupId() == 65534) << "the file changed hands";
}
