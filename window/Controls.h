// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The window's controls as its pages build them: fixed places, object names
// that match their members, and accessible names for fields without a label.
#pragma once

#include <QFont>
#include <QFrame>
#include <QRect>
#include <QStringList>

class FieldSpinner;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Controls {

// The condensed face comes closest to the widths the layout was made for.
QFont sansSerif(int pixels, bool bold = false);
QFrame* panel(QWidget* parent, QFrame::Shape shape = QFrame::NoFrame, QFrame::Shadow shadow = QFrame::Plain);
// Enter and keypad Enter press it too, as Space does.
QPushButton* button(QWidget* parent, const char* name, const QString& caption, QRect at = {});
// A single-line field: of a pasted text with several lines only the first is kept.
QLineEdit* lineEdit(QWidget* parent, const char* name, QRect at, const QString& accessibleName);
// Made before its buddy, so that it never lies over the field.
QLabel* label(QWidget* parent, const QString& caption, QPoint at, int width);
// Named after its field ("rangeMinEdit" gives "rangeMinSpinner").
FieldSpinner* spinner(QLineEdit* field, int min, int max, int position, QRect at, QWidget* parent);
// Radio buttons in a box, one above the other; ids count from 0, the first checked.
QButtonGroup* radioGroup(QGroupBox* box, const QStringList& items);
// Two buttons along the bottom of a page, under its content, ending four
// pixels short of its edge; the bar's left part is free for a note.
QFrame* buttonBar(QWidget* page, QWidget* content, QPushButton* left, QPushButton* right);

} // namespace Controls
