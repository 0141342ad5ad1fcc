// Saving the computer-list report and the result sheet where the file system
// refuses: a read-only folder and a full disk. Both are real mounts, made in a
// mount namespace of the test's own thread, since root ignores permissions.
#include "tests/lookup/FormFixture.h"

#include <sched.h>
#include <sys/mount.h>

#include <QDir>
#include <QFileInfo>
#include <QPushButton>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Mounts that only this thread (the GUI thread, which saves) sees.
class TPrivateMounts {
public:
    // Empty when mounts can be made; otherwise why not.
    static std::string Unavailable()
    {
        static const std::string why = [] () -> std::string {
            if (unshare(CLONE_NEWNS) != 0) return std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
            if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return std::string("making / private: ") + std::strerror(errno);
            return {};
        }();
        return why;
    }
    ~TPrivateMounts()
    {
        for (auto it = FMounted.rbegin(); it != FMounted.rend(); ++it) umount2(it->c_str(), MNT_DETACH);
    }
    bool Tmpfs(const QString& folder, const std::string& options)
    {
        const std::string path = QFile::encodeName(folder).toStdString();
        if (mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) != 0) return false;
        FMounted.push_back(path);
        return true;
    }
    static bool ReadOnly(const QString& folder)
    {
        const std::string path = QFile::encodeName(folder).toStdString();
        return mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::vector<std::string> FMounted;
};

// Writes until the file system has no room left.
bool Fill(const QString& path)
{
    QFile filler(path);
    if (!filler.open(QIODevice::WriteOnly)) return false;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    return true;
}

} // namespace

class SaveFaults : public FormFixture, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        if (HasFatalFailure()) return;
        const std::string why = TPrivateMounts::Unavailable();
        if (!why.empty()) GTEST_SKIP() << "no mount namespace of our own (" << why << "), so no read-only or full file system";
        MAKE_FORM_OR_SKIP();
        Form->ListView1->Add(QStringLiteral("198.51.100.10 alpha.lab").leftJustified(41));
        for (int i = 0; i < 200; ++i) Form->RichEdit1->Add(QStringLiteral("Sending ping to 198.51.100.%1 Timeout or not found").arg(i));
        Folder = Dir.filePath(QStringLiteral("target"));
        ASSERT_TRUE(QDir().mkpath(Folder));
    }
    // Saves the report (false) or the sheet (true) as fileName.
    void Save(const QString& fileName)
    {
        Fake->SaveAnswer = fileName;
        if (GetParam()) Form->Button5->click();
        else Form->Button3->click();
    }
    QString FileName() const { return Folder + (GetParam() ? QStringLiteral("/ScanvetStatus.txt") : QStringLiteral("/ComputerList.txt")); }

    TPrivateMounts Mounts;
    QString Folder;
    const QByteArray Former = "the file saved before\r\n";
};

TEST_P(SaveFaults, shouldSayCannotSaveInAReadOnlyFolderAndKeepTheFileThere)
{
    ASSERT_TRUE(Mounts.Tmpfs(Folder, "size=1m")) << std::strerror(errno);
    Write(FileName(), Former);
    ASSERT_TRUE(TPrivateMounts::ReadOnly(Folder)) << std::strerror(errno);

    Save(FileName());
    EXPECT_EQ(Fake->Texts(TBoxKind::Plain), std::vector<QString>{"Cannot save file " + FileName()});
    EXPECT_EQ(Read(FileName()), Former);
    EXPECT_EQ(QDir(Folder).entryList(QDir::Files), QStringList{QFileInfo(FileName()).fileName()});
}

TEST_P(SaveFaults, shouldSayCannotSaveOnAFullDiskAndKeepTheFormerFileWhole)
{
    ASSERT_TRUE(Mounts.Tmpfs(Folder, "size=64k")) << std::strerror(errno);
    Write(FileName(), Former);
    ASSERT_TRUE(Fill(Folder + QStringLiteral("/filler")));

    Save(FileName());
    EXPECT_EQ(Fake->Texts(TBoxKind::Plain), std::vector<QString>{"Cannot save file " + FileName()});
    EXPECT_EQ(Read(FileName()), Former);
    // Nothing half-written is left behind.
    QStringList files = QDir(Folder).entryList(QDir::Files);
    files.sort();
    EXPECT_EQ(files, (QStringList{QFileInfo(FileName()).fileName(), QStringLiteral("filler")}));
}

INSTANTIATE_TEST_SUITE_P(ReportAndSheet, SaveFaults, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& param) { return param.param ? "Sheet" : "Report"; });
