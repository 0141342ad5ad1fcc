// Catches icon files that are missing, of another size, blank, cut or another picture than the window's own icon.
#include "window/Pictures.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

TEST(ProgramIcon, shouldBeTheWindowIconAtEveryInstalledSize)
{
    // Premultiplied, so that an almost transparent edge pixel counts for little.
    const auto format = QImage::Format_ARGB32_Premultiplied;
    for (const int size : {16, 32, 48, 64, 128}) {
        const QImage file(QStringLiteral(SCANVET_ICON_DIR "/%1x%1/apps/" SCANVET_APP_ID ".png").arg(size));
        ASSERT_EQ(file.size(), QSize(size, size));
        const int side = std::min(size, 32);  // the window's icon is drawn at 32 pixels
        const QImage seen =
            file.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(format);
        const QImage drawn = Pictures::programIcon().pixmap(side, side).toImage().convertToFormat(format);
        double difference = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const QRgb a = seen.pixel(x, y), b = drawn.pixel(x, y);
                difference += std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                        std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
            }
        // The same picture differs by less than 20 (antialiasing, scaling), another one by over 100.
        EXPECT_LT(difference / (side * side), 32) << "mean difference of a channel at " << size << " pixels";
    }
}
