// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/AboutDialog.h"

#include "base/KeptTexts.h"

#include "window/Pictures.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About"));
    setModal(false);
    setFixedSize(298, 203);
    // A hidden helper window must not keep the program alive after the main window closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Liberation Sans")});
    font.setPixelSize(11);
    setFont(font);

    auto* panel = new QFrame(this);
    panel->setGeometry(8, 8, 281, 146);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setGeometry(111, 168, 75, 25);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QWidget::hide);

    auto* picture = new QLabel(panel);
    picture->setGeometry(12, 9, 91, 127);
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture->setPixmap(QPixmap::fromImage(Pictures::aboutPicture()));
    picture->setAccessibleName(QStringLiteral("Picture of the author"));

    const std::pair<int, const char*> lines[] = {{12, "Scanvet Address ver.1.2"},
                                                 {34, KeptTexts::AboutAuthor},
                                                 {56, "Mail : info@scanvet.example"},
                                                 {77, "Web : www.scanvet.example"},
                                                 {99, KeptTexts::AboutFree}};
    for (const auto& [top, text] : lines) {
        auto* label = new QLabel(QString::fromUtf8(text), panel);
        label->move(111, top);
        label->adjustSize();
    }
}

void AboutDialog::showEvent(QShowEvent* event)
{
    // Centred the first time only; later showings keep where it was.
    if (!m_placed) {
        m_placed = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

void AboutDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape would reject the dialog; OK is the only way offered to hide it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
