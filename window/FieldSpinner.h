// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Up and down arrows bound to a free-text field: they step the number the
// field shows within a range, without wrapping, and so do the Up and Down
// keys in the field. Unlike QSpinBox, the field takes any text; the spinner
// holds the field's last number that lay in its range.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

class FieldSpinner : public QWidget {
    Q_OBJECT
public:
    FieldSpinner(QLineEdit* field, int min, int max, int position, QWidget* parent);

    // Takes over the field's number first when it is plain decimal text within the range.
    int position();
    // Brought into the range; writes the number into the field.
    void setPosition(int value);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // One step up (+1) or down (-1), stopping at the ends.
    void step(int delta);

Q_SIGNALS:
    // Before an arrow or the Up or Down key changes the position.
    void aboutToStep();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_field;
    QToolButton* m_upButton;
    QToolButton* m_downButton;
    int m_min;
    int m_max;
    int m_current;
};
