// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The Config Sheet: the repeat period and the range with their spinners,
// "Show only correct replies", what a new round does to the result sheet,
// and the speed preset. It hands the window one value with all of them.
#pragma once

#include <QWidget>

class FieldSpinner;
class QButtonGroup;
class QCheckBox;
class QLineEdit;

enum class SheetMode { Overwrite, Append, None };

struct TestSettings {
    int rangeMin;
    int rangeMax;
    int repeatMinutes;
    SheetMode sheetMode;
    bool onlyCorrectReplies;
    int speedPreset;  // an index of SpeedPresets; -1 when none is chosen
};

class ConfigSheet : public QWidget {
    Q_OBJECT
public:
    explicit ConfigSheet(QWidget* parent = nullptr);

    TestSettings settings() const;

    QLineEdit* repeatEdit() const { return repeat; }
    QLineEdit* rangeMinEdit() const { return rangeMin; }
    QLineEdit* rangeMaxEdit() const { return rangeMax; }
    FieldSpinner* repeatSpinner() const { return repeatSteps; }
    FieldSpinner* rangeMinSpinner() const { return rangeMinSteps; }
    FieldSpinner* rangeMaxSpinner() const { return rangeMaxSteps; }
    QCheckBox* onlyRepliesCheck() const { return onlyReplies; }
    QList<QWidget*> tabOrder() const;

Q_SIGNALS:
    void onlyCorrectRepliesChanged(bool only);
    void speedPresetChosen(int index);

private:
    QLineEdit* repeat = nullptr;
    FieldSpinner* repeatSteps = nullptr;
    QLineEdit* rangeMin = nullptr;
    FieldSpinner* rangeMinSteps = nullptr;
    QLineEdit* rangeMax = nullptr;
    FieldSpinner* rangeMaxSteps = nullptr;
    QCheckBox* onlyReplies = nullptr;
    QButtonGroup* sheetModes = nullptr;
    QButtonGroup* speeds = nullptr;
};
