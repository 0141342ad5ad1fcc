// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/ResultLog.h"

#include "window/FramePacer.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

ResultLog::ResultLog(QWidget* parent)
    : QPlainTextEdit(parent), m_pacer(new FramePacer([this] { flush(); }, this))
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setReadOnly(true);
    setMaximumBlockCount(MaxLines);
    // A keyboard user can move through the lines and select them, as a mouse user can.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // The selection keeps its colours when the sheet loses the focus.
    QPalette colours = palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);
}

void ResultLog::addLine(const QString& line)
{
    m_waiting.append(line);
    m_pacer->changed();
}

void ResultLog::clearLines()
{
    m_waiting.clear();
    m_linesAdded = 0;
    clear();
    document()->setModified(false);
    if (std::exchange(m_dropped, false)) Q_EMIT linesDroppedChanged(false);
}

QStringList ResultLog::lines()
{
    flush();
    QStringList shown;
    if (m_linesAdded == 0) return shown;
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) shown << block.text();
    return shown;
}

void ResultLog::flush()
{
    if (m_waiting.isEmpty()) return;
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // Not appendPlainText: it writes into the first block while the text is
    // empty, which would swallow a leading empty line.
    for (const QString& line : std::as_const(m_waiting)) {
        if (m_linesAdded++ > 0) cursor.insertBlock();
        cursor.insertText(line);
    }
    cursor.endEditBlock();
    m_waiting.clear();
    if (atBottom) bar->setValue(bar->maximum());
    if (!m_dropped && m_linesAdded > MaxLines) {
        m_dropped = true;
        Q_EMIT linesDroppedChanged(true);
    }
}
