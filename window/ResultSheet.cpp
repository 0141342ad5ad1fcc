#include "window/ResultSheet.h"

#include "window/FramePacer.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

ResultSheet::ResultSheet(QWidget* parent)
    : QPlainTextEdit(parent), pacer(new FramePacer([this] { flush(); }, this))
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setReadOnly(true);
    // A keyboard user can move through the lines and select them, as a mouse user can.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // The selection keeps its colours when the sheet loses the focus.
    QPalette colours = palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);
}

void ResultSheet::addLine(const QString& line)
{
    sheetLines.append(line);
    pacer->changed();
}

void ResultSheet::clearLines()
{
    sheetLines.clear();
    linesInText = 0;
    clear();
    document()->setModified(false);
}

void ResultSheet::flush()
{
    if (linesInText == sheetLines.size()) return;
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // Not appendPlainText: it writes into the first block while the text is
    // empty, which would swallow a leading empty line.
    for (; linesInText < sheetLines.size(); ++linesInText) {
        if (linesInText > 0) cursor.insertBlock();
        cursor.insertText(sheetLines[linesInText]);
    }
    cursor.endEditBlock();
    if (atBottom) bar->setValue(bar->maximum());
}
