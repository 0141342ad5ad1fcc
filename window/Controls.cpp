// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/Controls.h"

#include "window/FieldSpinner.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Outside dialogs a push button takes only Space; keyboard users expect
// Enter to press the focused button as it does in the message boxes.
class EnterPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        auto* pushButton = qobject_cast<QPushButton*>(watched);
        if ((key != Qt::Key_Return && key != Qt::Key_Enter) || pushButton == nullptr) return false;
        if (pushButton->isEnabled()) pushButton->animateClick();
        return true;
    }
};

} // namespace

namespace Controls {

QFont sansSerif(int pixels, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Nimbus Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFrame* panel(QWidget* parent, QFrame::Shape shape, QFrame::Shadow shadow)
{
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(shape | shadow);
    return frame;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, QRect at)
{
    auto* pushButton = new QPushButton(caption, parent);
    pushButton->setObjectName(QLatin1String(name));
    pushButton->setAutoDefault(false);
    pushButton->installEventFilter(new EnterPresses(pushButton));
    if (at.isValid()) pushButton->setGeometry(at);
    return pushButton;
}

QLineEdit* lineEdit(QWidget* parent, const char* name, QRect at, const QString& accessibleName)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(at);
    edit->setAccessibleName(accessibleName);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        for (qsizetype i = 0; i < text.size(); ++i)
            if (text[i] == u'\r' || text[i] == u'\n') return edit->setText(text.left(i));
    });
    return edit;
}

QLabel* label(QWidget* parent, const QString& caption, QPoint at, int width)
{
    auto* text = new QLabel(caption, parent);
    text->setTextFormat(Qt::PlainText);
    text->move(at);
    text->adjustSize();
    text->resize(std::min(text->width(), width), text->height());
    return text;
}

FieldSpinner* spinner(QLineEdit* field, int min, int max, int position, QRect at, QWidget* parent)
{
    auto* fieldSpinner = new FieldSpinner(field, min, max, position, parent);
    fieldSpinner->setObjectName(field->objectName().replace(QLatin1String("Edit"), QLatin1String("Spinner")));
    fieldSpinner->setGeometry(at);
    fieldSpinner->setPosition(position);
    return fieldSpinner;
}

QButtonGroup* radioGroup(QGroupBox* box, const QStringList& items)
{
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(3, box->title().isEmpty() ? 4 : 2, 1, 4);
    layout->setSpacing(0);
    auto* group = new QButtonGroup(box);
    for (const QString& item : items) {
        auto* radio = new QRadioButton(item, box);
        group->addButton(radio, static_cast<int>(group->buttons().size()));
        layout->addWidget(radio);
    }
    group->button(0)->setChecked(true);
    return group;
}

QFrame* buttonBar(QWidget* page, QWidget* content, QPushButton* left, QPushButton* right)
{
    QFrame* bar = panel(page);
    bar->setFixedHeight(34);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 5, 4, 4);
    row->setSpacing(6);
    row->addStretch(1);
    for (QPushButton* pushButton : {left, right}) {
        pushButton->setParent(bar);
        pushButton->setFixedSize(67, 25);
        row->addWidget(pushButton);
    }
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(content, 1);
    column->addWidget(bar);
    return bar;
}

} // namespace Controls
