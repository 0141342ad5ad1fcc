// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/FieldSpinner.h"

#include "base/Text.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Only plain decimal text counts here: the "$" form of the whole-number reading does not.
std::optional<int> decimalNumber(const QString& text)
{
    const std::string s = text.toStdString();
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos || s[first] == '$') return std::nullopt;
    return parseWholeNumber(s);
}

} // namespace

FieldSpinner::FieldSpinner(QLineEdit* boundField, int low, int high, int position, QWidget* parent)
    : QWidget(parent),
      field(boundField),
      upButton(new QToolButton(this)),
      downButton(new QToolButton(this)),
      min(low),
      max(high),
      current(std::clamp(position, low, high))
{
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QString name = field->accessibleName();
    for (auto [button, arrow, direction] : {std::tuple{upButton, Qt::UpArrow, QStringLiteral(" up")},
                                            std::tuple{downButton, Qt::DownArrow, QStringLiteral(" down")}}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setIconSize(QSize(7, 4));
        button->setArrowType(arrow);
        button->setAccessibleName(name + direction);
        layout->addWidget(button);
    }
    connect(upButton, &QToolButton::clicked, this, [this] { step(+1); });
    connect(downButton, &QToolButton::clicked, this, [this] { step(-1); });
    field->installEventFilter(this);
}

int FieldSpinner::position()
{
    const std::optional<int> typed = decimalNumber(field->text());
    if (typed && *typed >= min && *typed <= max) current = *typed;
    return current;
}

void FieldSpinner::setPosition(int value)
{
    current = std::clamp(value, min, max);
    const QString text = QString::number(current);
    // The same text again would only raise a change event for nothing.
    if (field->text() != text) field->setText(text);
}

void FieldSpinner::step(int delta)
{
    Q_EMIT aboutToStep();
    const int from = position();
    const int to = std::clamp(from + delta, min, max);
    if (to != from) setPosition(to);
}

bool FieldSpinner::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == field && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            if (field->isEnabled() && !field->isReadOnly()) step(key == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
