// Catches: a save that claims success or harms the old file in a read-only folder, on a full disk or under a plain file; no in-place write where only the file is writable; a file that root rewrites changing hands.
#include "files/Report.h"
#include "files/SettingsFile.h"
#include "files/TextFile.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QScopeGuard>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

enum Fault { ReadOnlyFolder, FullDisk, UnderPlainFile };
const std::array<std::string, SettingsFile::LineCount> Settings{"1", "2", "3", "4", "5", "6", "7"};

class SaveFailure : public testing::TestWithParam<std::tuple<Fault, bool>> {};

TEST_P(SaveFailure, shouldFailAndKeepTheOldFileWhole)
{
    const auto [fault, settings] = GetParam();
    // Root ignores permissions: real read-only and full file systems, mounted
    // where only this thread sees them.
    static const std::string why = [] {
        if (geteuid() != 0) return std::string("needs root");
        const bool own = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        return std::string(own ? "" : std::strerror(errno));
    }();
    if (fault != UnderPlainFile && !why.empty()) GTEST_SKIP() << "no private read-only or full file system: " << why;
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    // One page: the old file fills it.
    ASSERT_TRUE(fault == UnderPlainFile || mount("tmpfs", folder, "tmpfs", 0, "size=4k") == 0) << std::strerror(errno);
    const auto unmount = qScopeGuard([&] { umount2(folder.constData(), MNT_DETACH); });
    const QString old = dir.filePath("old.txt");
    ASSERT_TRUE(writeTextFile(old, "the file saved before\r\n"));
    ASSERT_TRUE(fault != ReadOnlyFolder || mount(nullptr, folder, nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);

    const QString target = fault == UnderPlainFile ? old + "/new.txt" : old;
    EXPECT_FALSE(settings ? SettingsFile::write(Settings, target)
                          : writeTextFile(target, textFileBytes(foundComputersReport({}, "12:00:00", {}))));
    EXPECT_EQ(readTextFileStart(old, 4096), "the file saved before\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "a half-written file was left";
}

INSTANTIATE_TEST_SUITE_P(ReportAndSettings, SaveFailure,
                         testing::Combine(testing::Values(ReadOnlyFolder, FullDisk, UnderPlainFile), testing::Bool()));

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
    ASSERT_TRUE(SettingsFile::write(Settings, path));
    struct stat info {};
    EXPECT_TRUE(stat(QFile::encodeName(path), &info) == 0 && info.st_uid == 65534 && info.st_gid == 65534);
}
