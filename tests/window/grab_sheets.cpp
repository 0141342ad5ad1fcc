// Shows the real window and saves a picture of each of its three sheets:
//   grab_sheets OUTPUT_DIR
// Runs in a fresh working folder so no settings file is read or written.
#include "window/PingTst1.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: grab_sheets OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    try {
        TForm1 form;
        form.show();
        if (!QTest::qWaitForWindowExposed(&form)) std::fprintf(stderr, "window not exposed\n");
        const char* files[] = {"window-test-sheet.png", "window-result-sheet.png", "window-config-sheet.png"};
        for (int i = 0; i < 3; ++i) {
            form.PageControl1->setCurrentIndex(i);
            QTest::qWait(200);
            const QString file = out.filePath(QLatin1String(files[i]));
            if (!form.grab().save(file)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                return 1;
            }
            std::printf("%s\n", qPrintable(file));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot create the window: %s\n", e.what());
        return 1;
    }
    return 0;
}
