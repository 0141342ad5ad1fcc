// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The Config Sheet: the repeat period and the range with their spinners,
// "Show only correct replies", what a new round does to the result sheet,
// and the speed preset.
#pragma once

#include <QWidget>

class FieldSpinner;
class QButtonGroup;
class QCheckBox;
class QLineEdit;

enum class SheetMode { Overwrite, Append, None };

class ConfigSheet : public QWidget {
    Q_OBJECT
public:
    explicit ConfigSheet(QWidget* parent = nullptr);

    // The fields' numbers as their spinners hold them.
    int rangeFirst() const;
    int rangeLast() const;
    int repeatMinutes() const;
    SheetMode sheetMode() const;
    // An index of SpeedPresets; -1 when none is chosen.
    int speedPreset() const;

    QLineEdit* repeatEdit() const { return m_repeat; }
    QLineEdit* rangeMinEdit() const { return m_rangeMin; }
    QLineEdit* rangeMaxEdit() const { return m_rangeMax; }
    FieldSpinner* repeatSpinner() const { return m_repeatSteps; }
    FieldSpinner* rangeMinSpinner() const { return m_rangeMinSteps; }
    FieldSpinner* rangeMaxSpinner() const { return m_rangeMaxSteps; }
    QCheckBox* onlyRepliesCheck() const { return m_onlyReplies; }
    QList<QWidget*> tabOrder() const;

Q_SIGNALS:
    void onlyCorrectRepliesChanged(bool only);
    // The repeat field's text changed.
    void repeatChanged();

private:
    QLineEdit* m_repeat = nullptr;
    FieldSpinner* m_repeatSteps = nullptr;
    QLineEdit* m_rangeMin = nullptr;
    FieldSpinner* m_rangeMinSteps = nullptr;
    QLineEdit* m_rangeMax = nullptr;
    FieldSpinner* m_rangeMaxSteps = nullptr;
    QCheckBox* m_onlyReplies = nullptr;
    QButtonGroup* m_sheetModes = nullptr;
    QButtonGroup* m_speeds = nullptr;
};
