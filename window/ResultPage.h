// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The Result Sheet page: the sheet, with Save List and Clear List under it,
// and a note beside them once the sheet has let its oldest lines go.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class ResultSheet;

class ResultPage : public QWidget {
    Q_OBJECT
public:
    explicit ResultPage(QWidget* parent = nullptr);

    ResultSheet* sheet() const { return m_resultSheet; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* clearButton() const { return m_clear; }
    QList<QWidget*> tabOrder() const;

private:
    ResultSheet* m_resultSheet = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_clear = nullptr;
    QLabel* m_droppedNote = nullptr;
};
