// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/HistorySheet.h"

#include "history/HistoryService.h"
#include "window/ComputerHistoryModel.h"
#include "window/ConfigSheet.h"
#include "window/Controls.h"
#include "window/TopBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

using namespace Controls;

namespace {

// The last column: the cell as usual (selection, focus), the strip on it.
class StripDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const auto* model = qobject_cast<const ComputerHistoryModel*>(index.model());
        if (model == nullptr) return;
        const QRect strip = option.rect.adjusted(3, 4, -3, -4);
        painter->save();
        painter->fillRect(strip, option.palette.color(QPalette::Base));
        model->strip(index.row()).paint(*painter, strip);
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawRect(strip.adjusted(0, 0, -1, -1));
        painter->restore();
    }
};

const QString HistoryOff = QStringLiteral("The history is off: Options, Keep history turns it on.");
const QString UnusableNote = QStringLiteral("The history cannot be used: %1");

// The columns' widths: 800 pixels of window, the strip taking the rest.
constexpr int ColumnWidths[ComputerHistoryModel::ColumnCount - 1] = {98, 120, 112, 118, 118, 52, 62, 90};

} // namespace

HistorySheet::HistorySheet(QWidget* parent)
    : QWidget(parent), m_model(new ComputerHistoryModel(this)), m_view(new QTableView(this)), m_note(new QLabel),
      m_scannerChoice(new QComboBox), m_unknownOnly(new QCheckBox(QStringLiteral("&Unknown only")))
{
    setObjectName(QStringLiteral("historySheet"));
    m_view->setObjectName(QStringLiteral("historyView"));
    m_view->setAccessibleName(QStringLiteral("Computer history"));
    m_view->setModel(m_model);
    m_view->setItemDelegateForColumn(ComputerHistoryModel::LastDay, new StripDelegate(m_view));
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(20);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->horizontalHeader()->setHighlightSections(false);
    for (int column = 0; column < ComputerHistoryModel::ColumnCount - 1; ++column)
        m_view->setColumnWidth(column, ColumnWidths[column]);
    // A history file knows one scanner: its column and the choice show only for a server's records.
    m_view->setColumnHidden(ComputerHistoryModel::Scanner, true);
    m_scannerChoice->setObjectName(QStringLiteral("scannerChoice"));
    m_scannerChoice->setAccessibleName(QStringLiteral("Records of"));
    m_scannerChoice->addItem(QStringLiteral("Every scanner"), QString());
    m_scannerChoice->hide();
    connect(m_scannerChoice, &QComboBox::activated, this, &HistorySheet::refresh);
    m_unknownOnly->setObjectName(QStringLiteral("unknownOnlyCheck"));
    m_unknownOnly->setAccessibleDescription(QStringLiteral("Shows only the computers not yet named"));
    connect(m_unknownOnly, &QCheckBox::toggled, this, &HistorySheet::refresh);

    m_note->setObjectName(QStringLiteral("historyNote"));
    m_note->setTextFormat(Qt::PlainText);
    m_note->setIndent(6);
    QFrame* bar = panel(this);
    bar->setFixedHeight(34);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 5, 4, 4);
    row->addWidget(m_note, 1);
    row->addWidget(m_unknownOnly);
    row->addWidget(m_scannerChoice);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_view, 1);
    column->addWidget(bar);

    // Typing a range changes it at every key; the read waits for a pause.
    m_readSoon.setSingleShot(true);
    m_readSoon.setInterval(150);
    connect(&m_readSoon, &QTimer::timeout, this, &HistorySheet::read);
    say(HistoryOff);
}

QList<QWidget*> HistorySheet::tabOrder() const
{
    return {m_view, m_unknownOnly, m_scannerChoice};
}

void HistorySheet::setHistory(HistoryService* history)
{
    if (history == m_history) return;
    if (m_history) disconnect(m_history, nullptr, this, nullptr);
    m_history = history;
    m_unusable.clear();
    if (history != nullptr) {
        connect(history, &HistoryService::computersRead, this, &HistorySheet::showComputers);
        connect(history, &HistoryService::recorded, this, [this] { setUnusable(QString()); });
    }
    refresh();
}

void HistorySheet::followRange(const TopBar& topBar, const ConfigSheet& configSheet)
{
    const auto follow = [this, &topBar, &configSheet] {
        setRange(topBar.network(), configSheet.rangeFirst(), configSheet.rangeLast());
    };
    connect(&topBar, &TopBar::octetsChanged, this, follow);
    for (QLineEdit* field : {configSheet.rangeMinEdit(), configSheet.rangeMaxEdit()})
        connect(field, &QLineEdit::textChanged, this, follow);
    follow();
}

void HistorySheet::setRange(uint32_t network, int first, int last)
{
    std::optional<HistoryRange> range;
    if (first <= last) range.emplace(network >> 8, first, last);
    const auto text = [](const std::optional<HistoryRange>& r) { return r ? r->text() : QString(); };
    if (text(range) == text(m_range)) return;
    m_range = range;
    refresh();
}

void HistorySheet::setUnusable(const QString& message)
{
    if (message == m_unusable) return;
    m_unusable = message;
    refresh();
}

void HistorySheet::refresh()
{
    m_readSoon.start();
}

void HistorySheet::read()
{
    m_asked.clear();
    if (!m_history) {
        m_model->setComputers({}, QDateTime::currentDateTime());
        return say(m_unusable.isEmpty() ? HistoryOff : UnusableNote.arg(m_unusable));
    }
    if (!m_range) {
        m_model->setComputers({}, QDateTime::currentDateTime());
        return say(QStringLiteral("No range: its min lies above its max."));
    }
    m_asked = m_range->text();
    m_askedAt = QDateTime::currentDateTime();
    m_history->query(*m_range, m_askedAt, m_scannerChoice->currentData().toString());
}

void HistorySheet::showComputers(const QString& range, const std::vector<ComputerHistory>& computers)
{
    // An answer to an earlier range, or to someone else's read.
    if (range != m_asked) return;
    offerScanners(computers);
    const size_t count = computers.size();
    std::vector<ComputerHistory> shown;
    if (m_unknownOnly->isChecked())
        std::ranges::copy_if(computers, std::back_inserter(shown), [](const ComputerHistory& c) { return c.label.isEmpty(); });
    else
        shown = computers;
    const size_t unnamed = shown.size();
    m_model->setComputers(std::move(shown), m_askedAt);
    if (!m_unusable.isEmpty()) return say(UnusableNote.arg(m_unusable));
    if (count > 0 && m_unknownOnly->isChecked())
        return say(QStringLiteral("%1: %2 of %3 computers ever seen there not yet named.").arg(range).arg(unnamed).arg(count));
    say(count == 0   ? QStringLiteral("No computer of %1 is in the history yet.").arg(range)
        : count == 1 ? QStringLiteral("%1: 1 computer ever seen there.").arg(range)
                     : QStringLiteral("%1: %2 computers ever seen there.").arg(range).arg(count));
}

void HistorySheet::say(const QString& note)
{
    m_note->setText(note);
    Q_EMIT refreshed();
}

void HistorySheet::offerScanners(const std::vector<ComputerHistory>& computers)
{
    QStringList names;
    for (const ComputerHistory& computer : computers)
        if (!computer.scanner.isEmpty() && !names.contains(computer.scanner)) names << computer.scanner;
    const bool fromServer = !names.isEmpty() || m_scannerChoice->currentIndex() > 0;
    m_view->setColumnHidden(ComputerHistoryModel::Scanner, !fromServer);
    m_scannerChoice->setVisible(fromServer);
    if (m_scannerChoice->currentIndex() > 0) return;  // one scanner's answer names only it
    names.sort();
    for (const QString& name : names)
        if (m_scannerChoice->findData(name) < 0) m_scannerChoice->addItem(name, name);
}
