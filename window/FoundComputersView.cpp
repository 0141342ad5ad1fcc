// SPDX-FileCopyrightText: 2026 Scanvet developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window/FoundComputersView.h"

#include "scan/FoundComputers.h"
#include "window/FramePacer.h"
#include "window/Pictures.h"
#include "window/UserInput.h"

#include <QAccessible>
#include <QCache>
#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {

// Draws each entry with its picture, and keeps what it costs to draw one.
// The view lays out all entries again at every entry added or renamed and
// asks each for its size, and it repaints every visible entry when one
// changes: over a scan that finds a whole network, the square of the list.
class EntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // Everything else a size depends on is the same for every entry; a
        // change of it (font, style) starts the cache afresh. It must hold
        // every entry: a smaller one was emptied within each layout of a long
        // list, and every entry measured anew.
        const QStyle* style = option.widget != nullptr ? option.widget->style() : nullptr;
        const qsizetype entries = index.model() != nullptr ? index.model()->rowCount() : 0;
        if (option.font != m_sizedFont || style != m_sizedStyle || m_sizes.size() > 2 * entries + 4096) {
            m_sizes.clear();
            m_sizedStyle = style;
            m_sizedFont = option.font;
        }
        const QString text = index.data(Qt::DisplayRole).toString();
        const auto found = m_sizes.constFind(text);
        if (found != m_sizes.constEnd()) return *found;
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        // A long name is elided, so that every entry keeps the grid's width.
        const int over = option.fontMetrics.horizontalAdvance(text) -
                         option.fontMetrics.horizontalAdvance(QString(FoundComputers::EntryWidth, QLatin1Char(' ')));
        if (over > 0) size.rwidth() -= over;
        m_sizes.insert(text, size);
        return size;
    }

    // Draws each entry once into a picture and copies that afterwards, where
    // the entry lies on the view's plain background so the copy is exact.
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QBrush base = option.palette.brush(QPalette::Base);
        if (base.style() != Qt::SolidPattern || !base.isOpaque() || !painter->transform().isIdentity() ||
            option.rect.isEmpty()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatio() : 1.0;
        const QString key = index.data(Qt::DisplayRole).toString() + QChar(0) +
                            QString::number(int(index.data(FoundComputers::AnsweredRole).toBool())) +
                            QString::number(int(index.data(FoundComputers::OnLinkOnlyRole).toBool())) +
                            QString::number(int(index.data(FoundComputers::KnockOnlyRole).toBool())) + QChar(0) +
                            QString::number(option.state.toInt()) + QChar(0) +
                            QString::number(option.rect.width()) + QLatin1Char('x') +
                            QString::number(option.rect.height()) + QChar(0) + QString::number(ratio) + QChar(0) +
                            QString::number(base.color().rgba()) + QChar(0) + option.font.key();
        if (const QPixmap* cached = m_pictures.object(key)) {
            painter->drawPixmap(option.rect.topLeft(), *cached);
            return;
        }
        QPixmap picture(option.rect.size() * ratio);
        picture.setDevicePixelRatio(ratio);
        picture.fill(base.color());
        {
            QPainter onPicture(&picture);
            QStyleOptionViewItem at = option;
            at.rect.moveTo(0, 0);
            QStyledItemDelegate::paint(&onPicture, at, index);
        }
        painter->drawPixmap(option.rect.topLeft(), picture);
        const qint64 bytes = qint64(picture.width()) * picture.height() * picture.depth() / 8;
        m_pictures.insert(key, new QPixmap(picture), static_cast<qsizetype>(bytes / 1024 + 1));
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->icon = index.data(FoundComputers::AnsweredRole).toBool()     ? m_answering
                       : index.data(FoundComputers::OnLinkOnlyRole).toBool() ? m_onLinkOnly
                       : index.data(FoundComputers::KnockOnlyRole).toBool()  ? m_knockOnly
                                                                             : m_silent;
        option->decorationSize = QSize(16, 16);
    }

private:
    const QIcon m_answering = Pictures::computerAnswering();
    const QIcon m_silent = Pictures::computerSilent();
    const QIcon m_onLinkOnly = Pictures::computerOnLinkOnly();
    const QIcon m_knockOnly = Pictures::computerKnockOnly();
    // At most about 8 MB of pictures, counted in KiB.
    mutable QCache<QString, QPixmap> m_pictures{8 * 1024};
    mutable QHash<QString, QSize> m_sizes;
    mutable const QStyle* m_sizedStyle = nullptr;
    mutable QFont m_sizedFont;
};

// The scroll bars too: their range follows the entries, and each repaint of
// one, not being opaque, repainted the window beneath it.
void setPaintsEnabled(QAbstractScrollArea* view, bool enabled)
{
    for (QWidget* part : {view->viewport(), static_cast<QWidget*>(view->verticalScrollBar()),
                          static_cast<QWidget*>(view->horizontalScrollBar())})
        part->setUpdatesEnabled(enabled);
}

} // namespace

FoundComputersView::FoundComputersView(QWidget* parent)
    : QListView(parent), m_pacer(new FramePacer([this] { setPaintsEnabled(this, true); }, this))
{
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setIconSize(QSize(16, 16));
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSpacing(1);
    setItemDelegate(new EntryDelegate(this));
    QFont fixed(QStringLiteral("DejaVu Sans Mono"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    fixed.setPixelSize(12);
    if (!QFontInfo(fixed).fixedPitch()) {
        fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPixelSize(12);
    }
    setFont(fixed);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    // The selection keeps its colours when the list loses the focus.
    colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
    for (QObject* part : {static_cast<QObject*>(viewport()), static_cast<QObject*>(verticalScrollBar()),
                          static_cast<QObject*>(horizontalScrollBar()), static_cast<QObject*>(this)})
        part->installEventFilter(this);
}

void FoundComputersView::setModel(QAbstractItemModel* model)
{
    QListView::setModel(model);
    if (model == nullptr) return;
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, this, [this] { changing(); });
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last, const QList<int>& roles) {
                changing();
                if (roles.contains(Qt::AccessibleDescriptionRole)) describeAgain(first.row(), last.row());
            });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { changing(); });
}

void FoundComputersView::changing()
{
    m_pacer->changed();
    if (m_pacer->pending()) setPaintsEnabled(this, false);
}

// Qt tells the accessibility bus nothing when an entry's description
// changes, so a screen reader would not hear that a computer fell silent.
void FoundComputersView::describeAgain(int firstRow, int lastRow)
{
    if (!QAccessible::isActive()) return;
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(this);
    for (int row = firstRow; list != nullptr && row <= lastRow; ++row) {
        if (QAccessibleInterface* entry = list->child(row)) {
            QAccessibleEvent changed(entry, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&changed);
        }
    }
}

void FoundComputersView::setLocked(bool value)
{
    m_locked = value;
    setFocusPolicy(value ? Qt::NoFocus : Qt::StrongFocus);
    if (value && hasFocus()) clearFocus();
}

// An entry shows the focus; with none, and on an empty list, the list shows
// it around itself.
void FoundComputersView::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    if (!hasFocus() || currentIndex().isValid()) return;
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRect(viewport()->rect().adjusted(1, 1, -1, -1));
}

bool FoundComputersView::eventFilter(QObject* watched, QEvent* event)
{
    if (m_locked && isUserInput(event->type())) return true;
    return QListView::eventFilter(watched, event);
}
