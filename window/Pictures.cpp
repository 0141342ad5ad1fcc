// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/Pictures.h"

#include <QList>
#include <QPainter>
#include <QSvgRenderer>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace {

enum class Look { Answering, Silent, OnLinkOnly, KnockOnly };

QPixmap computer(Look look)
{
    const bool on = look == Look::Answering;
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    // Monitor case.
    p.setPen(QColor(64, 64, 64));
    p.setBrush(QColor(200, 200, 196));
    p.drawRect(1, 0, 13, 10);
    // Screen.
    p.setPen(Qt::NoPen);
    p.setBrush(on ? QColor(40, 110, 255) : look == Look::Silent ? QColor(24, 24, 40) : QColor(150, 150, 150));
    p.drawRect(3, 2, 10, 7);
    if (on) {
        p.setBrush(QColor(150, 200, 255));
        p.drawRect(4, 3, 4, 1);
        p.drawRect(4, 5, 6, 1);
    }
    const QColor plug(160, 32, 240);  // violet: no other picture of the list has it
    if (look == Look::OnLinkOnly) {
        // A network plug on the grey screen, its cable running down.
        p.setBrush(plug);
        p.drawRect(6, 3, 4, 3);
        p.drawRect(7, 6, 2, 3);
    }
    const QColor door(0, 150, 136);  // teal: no other picture of the list has it
    if (look == Look::KnockOnly) {
        // A door on the grey screen, with its knob: it answered a knock.
        p.setBrush(door);
        p.drawRect(6, 3, 4, 6);
        p.setBrush(QColor(240, 240, 240));
        p.drawRect(8, 6, 1, 1);
    }
    // Stand.
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(6, 11, 4, 1);
    // Desktop case with its lamps.
    p.setPen(QColor(64, 64, 64));
    p.setBrush(QColor(200, 200, 196));
    p.drawRect(0, 12, 15, 3);
    p.setPen(Qt::NoPen);
    if (on) {
        p.setBrush(QColor(0, 220, 0));
        p.drawRect(11, 13, 1, 2);
        p.drawRect(13, 13, 1, 2);
    } else {
        p.setBrush(look == Look::Silent ? QColor(255, 140, 0) : look == Look::KnockOnly ? door : plug);
        p.drawRect(12, 13, 2, 2);
    }
    p.setBrush(QColor(90, 90, 90));
    p.drawRect(2, 13, 5, 1);
    return pm;
}

// Palette bands of the about picture: 32 shades each.
enum : int { Sky = 0, Skin = 32, Hair = 64, Shirt = 96, Glass = 128, Lips = 160, Frame = 192, Shine = 224 };

QRgb blend(QRgb from, QRgb to, int step, int steps)
{
    const auto mix = [&](int a, int b) { return a + (b - a) * step / (steps - 1); };
    return qRgb(mix(qRed(from), qRed(to)), mix(qGreen(from), qGreen(to)), mix(qBlue(from), qBlue(to)));
}

QList<QRgb> picturePalette()
{
    const QRgb bands[8][2] = {
        {qRgb(30, 50, 120), qRgb(150, 190, 245)},   // sky
        {qRgb(140, 90, 60), qRgb(255, 222, 190)},   // skin
        {qRgb(30, 18, 10), qRgb(120, 80, 40)},      // hair
        {qRgb(15, 60, 35), qRgb(80, 180, 110)},     // shirt
        {qRgb(5, 5, 10), qRgb(70, 80, 110)},        // sunglasses
        {qRgb(120, 20, 30), qRgb(230, 110, 110)},   // lips
        {qRgb(60, 60, 60), qRgb(230, 230, 230)},    // glasses frame
        {qRgb(200, 200, 160), qRgb(255, 255, 255)}, // highlights
    };
    QList<QRgb> palette;
    for (const auto& band : bands)
        for (int step = 0; step < 32; ++step) palette.append(blend(band[0], band[1], step, 32));
    return palette;
}

// Inside the ellipse centred on cx, cy with radii rx, ry: a value below 1.
double ellipse(int x, int y, double cx, double cy, double rx, double ry)
{
    const double dx = (x - cx) / rx;
    const double dy = (y - cy) / ry;
    return dx * dx + dy * dy;
}

int shade(int band, double light)
{
    return band + std::clamp(static_cast<int>(light * 31.0), 0, 31);
}

uchar pixelAt(int x, int y)
{
    const double face = ellipse(x, y, 44, 56, 21, 27);
    const double hair = ellipse(x, y, 44, 46, 24, 24);
    const double body = ellipse(x, y, 44, 134, 44, 38);
    const bool neck = x >= 35 && x <= 53 && y >= 76 && y <= 100;
    const bool lensLeft = ellipse(x, y, 35, 53, 8, 5.5) < 1.0;
    const bool lensRight = ellipse(x, y, 53, 53, 8, 5.5) < 1.0;
    const bool bridge = x > 42 && x < 46 && y >= 51 && y <= 52;
    const double smile = ellipse(x, y, 44, 65, 9, 6);

    if (lensLeft || lensRight) {
        const bool shine = (lensLeft && ellipse(x, y, 32, 51, 2.5, 1.5) < 1.0)
                           || (lensRight && ellipse(x, y, 50, 51, 2.5, 1.5) < 1.0);
        return static_cast<uchar>(shine ? shade(Shine, 0.8) : shade(Glass, (y - 47) / 14.0));
    }
    if (bridge) return static_cast<uchar>(shade(Frame, 0.3));
    if (hair < 1.0 && (y < 38 || face >= 1.0) && y < 70)
        return static_cast<uchar>(shade(Hair, 0.2 + 0.6 * std::abs(std::sin(x * 0.7))));
    if (face < 1.0) {
        if (smile >= 0.75 && smile < 1.15 && y > 66) return static_cast<uchar>(shade(Lips, 0.4));
        if (x == 44 && y >= 56 && y <= 62) return static_cast<uchar>(shade(Skin, 0.45));
        return static_cast<uchar>(shade(Skin, 1.0 - 0.5 * face));
    }
    if (body < 1.0) {
        if (x >= 40 && x <= 48 && y < 108 && y >= 96 - (std::abs(x - 44)))
            return static_cast<uchar>(shade(Skin, 0.7));   // open collar
        return static_cast<uchar>(shade(Shirt, 1.0 - 0.8 * body));
    }
    if (neck) return static_cast<uchar>(shade(Skin, 0.6));
    return static_cast<uchar>(shade(Sky, y / 123.0));
}

} // namespace

namespace Pictures {

QIcon computerAnswering()
{
    return QIcon(computer(Look::Answering));
}

QIcon computerSilent()
{
    return QIcon(computer(Look::Silent));
}

QIcon computerOnLinkOnly()
{
    return QIcon(computer(Look::OnLinkOnly));
}

QIcon computerKnockOnly()
{
    return QIcon(computer(Look::KnockOnly));
}

QIcon programIcon()
{
    // The icon the desktop shows for the installed program, drawn from the same SVG.
    QSvgRenderer svg(QStringLiteral(":/icons/program.svg"));
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        svg.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QImage aboutPicture()
{
    QImage picture(88, 124, QImage::Format_Indexed8);
    picture.setColorTable(picturePalette());
    for (int y = 0; y < picture.height(); ++y) {
        uchar* line = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) line[x] = pixelAt(x, y);
    }
    return picture;
}
} // namespace Pictures
