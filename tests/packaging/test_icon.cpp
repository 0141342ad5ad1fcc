// The icon files the desktop shows are the program's own icon: rendered from
// the shipped SVG, they match the window icon drawn in code.
#include "window/Pictures.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include <cstdlib>

namespace {

QImage Installed(int size)
{
    return QImage(QStringLiteral(SCANVET_ICON_DIR "/%1x%1/apps/" SCANVET_APP_ID ".png").arg(size))
        .convertToFormat(QImage::Format_ARGB32);
}

int Distance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
}

} // namespace

TEST(ProgramIcon, shouldMatchTheWindowIconAt32Pixels)
{
    // Premultiplied, so that the colour of an almost transparent edge pixel counts for little.
    const auto format = QImage::Format_ARGB32_Premultiplied;
    const QImage drawn = Pictures::programIcon().pixmap(32, 32).toImage().convertToFormat(format);
    const QImage file = Installed(32).convertToFormat(format);
    ASSERT_EQ(drawn.size(), QSize(32, 32));
    ASSERT_EQ(file.size(), QSize(32, 32));
    // Both go through QPainter; only edge antialiasing may differ a little.
    int differing = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (Distance(drawn.pixel(x, y), file.pixel(x, y)) > 32) ++differing;
    EXPECT_LE(differing, 4) << "pixels that differ clearly between the SVG and the window icon";
}

TEST(ProgramIcon, shouldShowTheLitScreenAndTheWavesAtEverySize)
{
    for (int size : {16, 32, 48, 64, 128}) {
        SCOPED_TRACE(size);
        const QImage icon = Installed(size);
        ASSERT_EQ(icon.size(), QSize(size, size));
        const auto at = [&](double x, double y) { return icon.pixel(int(x * size / 32), int(y * size / 32)); };
        EXPECT_EQ(Distance(at(8, 16), qRgb(40, 110, 255)), 0) << "the screen";
        EXPECT_EQ(qAlpha(at(31, 31)), 0) << "a transparent corner";
        int green = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb c = icon.pixel(x, y);
                if (qAlpha(c) > 200 && qGreen(c) > 120 && qRed(c) < 80 && qBlue(c) < 80) ++green;
            }
        EXPECT_GE(green, size * size / 20) << "the green echo waves";
    }
}
