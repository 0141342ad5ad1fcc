// A main window in its own temporary working directory, with answered dialogs.
#pragma once

#include "tests/FakeDialogs.h"
#include "window/PingTst1.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

class FormFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        FormerDir = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(Dir.path()));
        Fake = &TFakeDialogs::Install();
    }

    void TearDown() override
    {
        Form.reset();
        SetDialogs(nullptr);
        QDir::setCurrent(FormerDir);
    }

    // Builds the window, which reads the settings of the working directory.
    // False (and the test skipped) where no ICMP socket may be opened.
    bool MakeForm()
    {
        try {
            Form = std::make_unique<TForm1>();
        } catch (const Exception& e) {
            Skipped = e.Message();
            return false;
        }
        return true;
    }

    QString Path(const QString& name) const { return Dir.filePath(name); }

    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void Write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QTemporaryDir Dir;
    QString FormerDir;
    TFakeDialogs* Fake = nullptr;
    std::unique_ptr<TForm1> Form;
    std::string Skipped;
};

#define MAKE_FORM_OR_SKIP()                                                                 \
    do {                                                                                    \
        if (!MakeForm()) GTEST_SKIP() << "the ping component cannot be created: " << Skipped; \
    } while (0)
