// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The Result Sheet: the result log, with Save List and Clear List under it,
// and a note beside them once the log has let its oldest lines go.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class ResultLog;

class ResultSheet : public QWidget {
    Q_OBJECT
public:
    explicit ResultSheet(QWidget* parent = nullptr);

    ResultLog* log() const { return m_log; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* clearButton() const { return m_clear; }
    QList<QWidget*> tabOrder() const;

private:
    ResultLog* m_log = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_clear = nullptr;
    QLabel* m_droppedNote = nullptr;
};
