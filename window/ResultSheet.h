// The result sheet: plain text that keeps its lines exactly as they were
// added (an empty line counts), for the screen, the screen reader and saving.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>

class FramePacer;

class ResultSheet : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ResultSheet(QWidget* parent);
    void addLine(const QString& line);
    void clearLines();
    const QStringList& lines() const { return sheetLines; }
    // The lines not yet in the text go in now.
    void flush();

private:
    QStringList sheetLines;
    qsizetype linesInText = 0;
    // A scan adds lines in bursts: they go into the text once per frame.
    FramePacer* pacer;
};
