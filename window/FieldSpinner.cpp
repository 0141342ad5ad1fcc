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
      m_field(boundField),
      m_upButton(new QToolButton(this)),
      m_downButton(new QToolButton(this)),
      m_min(low),
      m_max(high),
      m_current(std::clamp(position, low, high))
{
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QString name = m_field->accessibleName();
    for (auto [button, arrow, direction] : {std::tuple{m_upButton, Qt::UpArrow, QStringLiteral(" up")},
                                            std::tuple{m_downButton, Qt::DownArrow, QStringLiteral(" down")}}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setIconSize(QSize(7, 4));
        button->setArrowType(arrow);
        button->setAccessibleName(name + direction);
        layout->addWidget(button);
    }
    connect(m_upButton, &QToolButton::clicked, this, [this] { step(+1); });
    connect(m_downButton, &QToolButton::clicked, this, [this] { step(-1); });
    m_field->installEventFilter(this);
}

int FieldSpinner::position()
{
    const std::optional<int> typed = decimalNumber(m_field->text());
    if (typed && *typed >= m_min && *typed <= m_max) m_current = *typed;
    return m_current;
}

void FieldSpinner::setPosition(int value)
{
    m_current = std::clamp(value, m_min, m_max);
    const QString text = QString::number(m_current);
    // The same text again would only raise a change event for nothing.
    if (m_field->text() != text) m_field->setText(text);
}

void FieldSpinner::step(int delta)
{
    Q_EMIT aboutToStep();
    const int from = position();
    const int to = std::clamp(from + delta, m_min, m_max);
    if (to != from) setPosition(to);
}

bool FieldSpinner::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            if (m_field->isEnabled() && !m_field->isReadOnly()) step(key == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
