#include "lookup/Unit2.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>

TAboutBox* AboutBox = nullptr;

namespace {

// Palette bands of the picture: 32 shades each.
enum : int { Sky = 0, Skin = 32, Hair = 64, Shirt = 96, Glass = 128, Lips = 160, Frame = 192, Shine = 224 };

QRgb Blend(QRgb from, QRgb to, int step, int steps)
{
    const auto mix = [&](int a, int b) { return a + (b - a) * step / (steps - 1); };
    return qRgb(mix(qRed(from), qRed(to)), mix(qGreen(from), qGreen(to)), mix(qBlue(from), qBlue(to)));
}

QList<QRgb> PicturePalette()
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
        for (int step = 0; step < 32; ++step) palette.append(Blend(band[0], band[1], step, 32));
    return palette;
}

// Inside the ellipse centred on cx, cy with radii rx, ry: a value below 1.
double Ellipse(int x, int y, double cx, double cy, double rx, double ry)
{
    const double dx = (x - cx) / rx;
    const double dy = (y - cy) / ry;
    return dx * dx + dy * dy;
}

int Shade(int band, double light)
{
    return band + std::clamp(static_cast<int>(light * 31.0), 0, 31);
}

uchar PixelAt(int x, int y)
{
    const double face = Ellipse(x, y, 44, 56, 21, 27);
    const double hair = Ellipse(x, y, 44, 46, 24, 24);
    const double body = Ellipse(x, y, 44, 134, 44, 38);
    const bool neck = x >= 35 && x <= 53 && y >= 76 && y <= 100;
    const bool lensLeft = Ellipse(x, y, 35, 53, 8, 5.5) < 1.0;
    const bool lensRight = Ellipse(x, y, 53, 53, 8, 5.5) < 1.0;
    const bool bridge = x > 42 && x < 46 && y >= 51 && y <= 52;
    const double smile = Ellipse(x, y, 44, 65, 9, 6);

    if (lensLeft || lensRight) {
        const bool shine = (lensLeft && Ellipse(x, y, 32, 51, 2.5, 1.5) < 1.0)
                           || (lensRight && Ellipse(x, y, 50, 51, 2.5, 1.5) < 1.0);
        return static_cast<uchar>(shine ? Shade(Shine, 0.8) : Shade(Glass, (y - 47) / 14.0));
    }
    if (bridge) return static_cast<uchar>(Shade(Frame, 0.3));
    if (hair < 1.0 && (y < 38 || face >= 1.0) && y < 70)
        return static_cast<uchar>(Shade(Hair, 0.2 + 0.6 * std::abs(std::sin(x * 0.7))));
    if (face < 1.0) {
        if (smile >= 0.75 && smile < 1.15 && y > 66) return static_cast<uchar>(Shade(Lips, 0.4));
        if (x == 44 && y >= 56 && y <= 62) return static_cast<uchar>(Shade(Skin, 0.45));
        return static_cast<uchar>(Shade(Skin, 1.0 - 0.5 * face));
    }
    if (body < 1.0) {
        if (x >= 40 && x <= 48 && y < 108 && y >= 96 - (std::abs(x - 44)))
            return static_cast<uchar>(Shade(Skin, 0.7));   // open collar
        return static_cast<uchar>(Shade(Shirt, 1.0 - 0.8 * body));
    }
    if (neck) return static_cast<uchar>(Shade(Skin, 0.6));
    return static_cast<uchar>(Shade(Sky, y / 123.0));
}

} // namespace

QImage AboutPicture()
{
    QImage picture(88, 124, QImage::Format_Indexed8);
    picture.setColorTable(PicturePalette());
    for (int y = 0; y < picture.height(); ++y) {
        uchar* line = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) line[x] = PixelAt(x, y);
    }
    return picture;
}

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setModal(false);
    setFixedSize(298, 203);
    // A hidden helper window must not keep the program alive after the main window closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    // The condensed face keeps the design texts inside the design sizes.
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Liberation Sans")});
    font.setPixelSize(11);
    setFont(font);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 281, 146);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 168, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(12, 9, 91, 127);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap::fromImage(AboutPicture()));

    const auto label = [this](const char* name, int top, const QString& text) {
        auto* l = new QLabel(text, Panel1);
        l->setObjectName(QString::fromLatin1(name));
        l->move(111, top);
        l->adjustSize();
        return l;
    };
    Label1 = label("Label1", 12, QStringLiteral("Scanvet Address ver.1.2"));
    Label2 = label("Label2", 34, QStringLiteral("Author looks handsome, isn't he?"));
    Label3 = label("Label3", 56, QStringLiteral("Mail : info@scanvet.example"));
    Label4 = label("Label4", 77, QStringLiteral("Web : www.scanvet.example"));
    Label5 = label("Label5", 99, QStringLiteral("This version is FREE !!!"));

    AboutBox = this;
}

TAboutBox::~TAboutBox()
{
    if (AboutBox == this) AboutBox = nullptr;
}

void TAboutBox::OKButtonClick()
{
    hide();
}

void TAboutBox::showEvent(QShowEvent* event)
{
    if (!FPlaced) {
        FPlaced = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

void TAboutBox::keyPressEvent(QKeyEvent* event)
{
    // Escape would reject the dialog; OK is the only way offered to hide it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
