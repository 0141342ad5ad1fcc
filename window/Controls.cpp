#include "window/Controls.h"

#include "net/Common.h"
#include "window/Dialogs.h"

#include <QButtonGroup>
#include <QCache>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHash>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>

// ---------------------------------------------------------------- TFramePacer

namespace {
constexpr std::chrono::milliseconds FrameTime{16};
} // namespace

TFramePacer::TFramePacer(QObject* parent, std::function<void()> show) : QObject(parent), FShow(std::move(show))
{
    FTimer.setSingleShot(true);
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, &TFramePacer::Show);
}

void TFramePacer::Changed()
{
    // A change that comes when the frame is over shows at once, so that the
    // picture follows the change (during a scan: right after a hand-over,
    // while the scan waits for its echo); the timer is for the last change.
    const auto since = std::chrono::steady_clock::now() - FShown;
    if (since >= FrameTime) {
        FTimer.stop();
        Show();
    } else if (!FTimer.isActive()) {
        FTimer.start(std::chrono::duration_cast<std::chrono::milliseconds>(FrameTime - since) +
                     std::chrono::milliseconds(1));
    }
}

void TFramePacer::ShowNow()
{
    FTimer.stop();
    Show();
}

void TFramePacer::Show()
{
    FShown = std::chrono::steady_clock::now();
    FShow();
}

// ---------------------------------------------------------------- Selection

void KeepSelectionShown(QWidget* widget)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    widget->setPalette(pal);
}

// ---------------------------------------------------------------- TUpDown

namespace {
// Only plain decimal text counts for the spinner: leading blanks, an optional
// sign, digits. The "$" form of the whole-number reading does not.
bool ReadDecimal(const QString& text, int& value)
{
    const std::string s = text.toStdString();
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos || s[first] == '$') return false;
    int32_t v = 0;
    if (!TryStrToInt(s, v)) return false;
    value = v;
    return true;
}
} // namespace

TUpDown::TUpDown(QWidget* parent, QLineEdit* associate, int min, int max, int position)
    : QWidget(parent),
      FAssociate(associate),
      FUp(new QToolButton(this)),
      FDown(new QToolButton(this)),
      FMin(min),
      FMax(max),
      FPosition(std::clamp(position, min, max))
{
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (auto* button : {FUp, FDown}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setIconSize(QSize(7, 4));
        layout->addWidget(button);
    }
    FUp->setArrowType(Qt::UpArrow);
    FDown->setArrowType(Qt::DownArrow);
    FUp->setObjectName(QStringLiteral("Up"));
    FDown->setObjectName(QStringLiteral("Down"));
    const QString field = associate->accessibleName().isEmpty() ? associate->objectName()
                                                                : associate->accessibleName();
    FUp->setAccessibleName(field + QStringLiteral(" up"));
    FDown->setAccessibleName(field + QStringLiteral(" down"));
    connect(FUp, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(FDown, &QToolButton::clicked, this, [this] { Step(-1); });
    associate->installEventFilter(this);
}

int TUpDown::Position()
{
    int value = 0;
    if (ReadDecimal(FAssociate->text(), value) && value >= FMin && value <= FMax) FPosition = value;
    return FPosition;
}

void TUpDown::SetPosition(int value)
{
    FPosition = std::clamp(value, FMin, FMax);
    const QString text = QString::number(FPosition);
    // Writing the same text again would only raise a change event for nothing.
    if (FAssociate->text() != text) FAssociate->setText(text);
}

void TUpDown::Step(int delta)
{
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    const int from = Position();
    const int to = std::clamp(from + delta, FMin, FMax);
    if (to != from) SetPosition(to);
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FAssociate && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            if (FAssociate->isEnabled() && !FAssociate->isReadOnly())
                Step(key->key() == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- TGauge

TGauge::TGauge(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TGauge::SetMinValue(int v)
{
    FMin = v;
    FProgress = std::max(FProgress, FMin);
    FPacer.Changed();
}

void TGauge::SetMaxValue(int v)
{
    FMax = v;
    // A maximum below the minimum cannot hold a progress; keep it at the minimum.
    FProgress = std::max(std::min(FProgress, FMax), FMin);
    FPacer.Changed();
}

void TGauge::SetProgress(int v)
{
    // The picture shows only the whole percent; a scan steps the progress
    // once per address, more often than the percent changes.
    const int shown = PercentDone();
    FProgress = FMax < FMin ? FMin : std::clamp(v, FMin, FMax);
    if (PercentDone() != shown) FPacer.Changed();
}

int TGauge::PercentDone() const
{
    if (FMax <= FMin) return 0;
    return static_cast<int>((static_cast<int64_t>(FProgress) - FMin) * 100 /
                            (static_cast<int64_t>(FMax) - FMin));
}

void TGauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect all = rect();
    p.fillRect(all, palette().color(QPalette::Window));
    // A lowered one-pixel bevel around the bar.
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(all.topLeft(), all.topRight());
    p.drawLine(all.topLeft(), all.bottomLeft());
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(all.bottomLeft(), all.bottomRight());
    p.drawLine(all.topRight(), all.bottomRight());

    const QRect inner = all.adjusted(1, 1, -1, -1);
    const int percent = PercentDone();
    QRect bar = inner;
    bar.setWidth(inner.width() * percent / 100);
    p.fillRect(inner, Qt::white);
    p.fillRect(bar, Qt::blue);

    const QString text = QString::number(percent) + QLatin1Char('%');
    p.setFont(font());
    // Black over the white part, white over the blue part.
    p.save();
    p.setClipRect(inner.adjusted(bar.width(), 0, 0, 0));
    p.setPen(Qt::black);
    p.drawText(inner, Qt::AlignCenter, text);
    p.restore();
    p.setClipRect(bar);
    p.setPen(Qt::white);
    p.drawText(inner, Qt::AlignCenter, text);
}

// ---------------------------------------------------------------- TRichEdit

TRichEdit::TRichEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
}

void TRichEdit::Clear()
{
    FLines.clear();
    FShownLines = 0;
    clear();
    document()->setModified(false);
}

void TRichEdit::Add(const QString& line)
{
    FLines.append(line);
    document()->setModified(true);
    // A hidden sheet (the Result sheet while a scan runs on the Test sheet)
    // takes its lines when it is shown: laying out each line as it comes
    // cost every answering address of a scan 0.1 ms.
    if (isVisible()) ShowLines();
}

void TRichEdit::ShowLines()
{
    if (FShownLines == FLines.size()) return;
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    // Saved or not is a matter of the lines, not of when they were shown.
    const bool modified = document()->isModified();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // Not appendPlainText: it writes into the first block while the document
    // is empty, which would swallow leading empty lines.
    for (; FShownLines < FLines.size(); ++FShownLines) {
        if (FShownLines > 0) cursor.insertBlock();
        cursor.insertText(FLines[FShownLines]);
    }
    cursor.endEditBlock();
    document()->setModified(modified);
    if (atBottom) bar->setValue(bar->maximum());
}

void TRichEdit::showEvent(QShowEvent* event)
{
    ShowLines();
    QPlainTextEdit::showEvent(event);
}

QByteArray TRichEdit::FileBytes() const
{
    QByteArray bytes;
    for (const QString& line : FLines) {
        bytes += line.toLatin1();
        bytes += "\r\n";
    }
    return bytes;
}

// ---------------------------------------------------------------- TStatusBar

TStatusBar::TStatusBar(QWidget* parent) : QLabel(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setIndent(2);
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Opaque, so that a new text repaints only the bar and not the window
    // beneath it: it changes at every echo of a scan.
    setAutoFillBackground(true);
}

void TStatusBar::SetSimpleText(const QString& value)
{
    FText = value;
    FPacer.Changed();
}

void TStatusBar::ShowNow()
{
    FPacer.ShowNow();
    repaint();
}

// ---------------------------------------------------------------- TRadioGroup

TRadioGroup::TRadioGroup(QWidget* parent, const QString& caption, const QStringList& items)
    : QGroupBox(caption, parent), FButtons(new QButtonGroup(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, caption.isEmpty() ? 4 : 2, 1, 4);
    layout->setSpacing(0);
    int id = 0;
    for (const QString& item : items) {
        auto* button = new QRadioButton(item, this);
        button->setObjectName(QStringLiteral("Item%1").arg(id));
        FButtons->addButton(button, id++);
        layout->addWidget(button);
    }
    connect(FButtons, &QButtonGroup::idClicked, this, [this](int) {
        if (OnClick) OnClick();
    });
}

int TRadioGroup::ItemIndex() const { return FButtons->checkedId(); }

void TRadioGroup::SetItemIndex(int index)
{
    if (QAbstractButton* button = FButtons->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group will not uncheck its last button.
    FButtons->setExclusive(false);
    for (QAbstractButton* b : FButtons->buttons()) b->setChecked(false);
    FButtons->setExclusive(true);
}

int TRadioGroup::Count() const { return static_cast<int>(FButtons->buttons().size()); }

// ---------------------------------------------------------------- TTimer

TTimer::TTimer(QObject* parent) : QObject(parent)
{
    // A repeat period of minutes must not drift by the coarse timer's 5 %.
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, [this] {
        if (OnTimer) OnTimer();
    });
}

void TTimer::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    Update();
}

void TTimer::SetInterval(int ms)
{
    if (ms == FInterval) return;
    FInterval = ms;
    Update();
}

void TTimer::Update()
{
    if (FEnabled && FInterval > 0)
        FTimer.start(FInterval);   // (re)starts the countdown
    else
        FTimer.stop();
}

// ---------------------------------------------------------------- TSaveDialog

bool TSaveDialog::Execute(QWidget* parent)
{
    const std::optional<QString> chosen =
        Dialogs().SaveFileName(parent, Title, FileName, Filter, DefaultExt);
    if (!chosen || chosen->isEmpty()) return false;
    QString name = *chosen;
    const QFileInfo typed(name);
    if (typed.suffix().isEmpty() && !DefaultExt.isEmpty() && !name.endsWith(QLatin1Char('.')))
        name += QLatin1Char('.') + DefaultExt;
    const QFileInfo info(name);
    QDir::setCurrent(info.absolutePath());
    FileName = info.absoluteFilePath();
    return true;
}

// ---------------------------------------------------------------- Pictures

namespace {
QPixmap Computer(bool on)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    // Monitor case.
    p.setPen(QColor(64, 64, 64));
    p.setBrush(QColor(200, 200, 196));
    p.drawRect(1, 0, 13, 10);
    // Screen.
    p.setPen(Qt::NoPen);
    p.setBrush(on ? QColor(40, 110, 255) : QColor(24, 24, 40));
    p.drawRect(3, 2, 10, 7);
    if (on) {
        p.setBrush(QColor(150, 200, 255));
        p.drawRect(4, 3, 4, 1);
        p.drawRect(4, 5, 6, 1);
    }
    // Stand.
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(6, 11, 4, 1);
    // Desktop case with its lamps.
    p.setPen(QColor(64, 64, 64));
    p.setBrush(QColor(200, 200, 196));
    p.drawRect(0, 12, 15, 3);
    p.setPen(Qt::NoPen);
    if (on) {
        p.setBrush(QColor(0, 220, 0));
        p.drawRect(11, 13, 1, 2);
        p.drawRect(13, 13, 1, 2);
    } else {
        p.setBrush(QColor(255, 140, 0));
        p.drawRect(12, 13, 2, 2);
    }
    p.setBrush(QColor(90, 90, 90));
    p.drawRect(2, 13, 5, 1);
    return pm;
}
} // namespace

namespace Pictures {
QIcon ComputerOn()
{
    static const QIcon icon(Computer(true));
    return icon;
}

QIcon ComputerOff()
{
    static const QIcon icon(Computer(false));
    return icon;
}

QIcon ProgramIcon()
{
    static const QIcon icon = [] {
        QPixmap pm(32, 32);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        // A monitor with a lit screen ...
        p.setPen(QPen(QColor(50, 50, 50), 1));
        p.setBrush(QColor(205, 205, 200));
        p.drawRoundedRect(QRectF(1.5, 6.5, 21, 16), 2, 2);
        p.setBrush(QColor(40, 110, 255));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(4, 9, 16, 11));
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(QRectF(9, 23, 6, 3));
        p.setBrush(QColor(205, 205, 200));
        p.setPen(QPen(QColor(50, 50, 50), 1));
        p.drawRect(QRectF(4.5, 26.5, 15, 3));
        // ... sending echo waves to the right.
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 3; ++i) {
            p.setPen(QPen(QColor(0, 170, 0), 2));
            const double r = 4 + 4 * i;
            p.drawArc(QRectF(20 - r, 12 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 200, 0));
        p.drawEllipse(QPointF(20, 12), 2, 2);
        return QIcon(pm);
    }();
    return icon;
}
} // namespace Pictures

// ---------------------------------------------------------------- TListView

namespace {
constexpr int ImageRole = Qt::UserRole;

QIcon ListImage(int image)
{
    if (image == 0) return Pictures::ComputerOn();
    if (image == 1) return Pictures::ComputerOff();
    return {};
}

// Keeps each entry's size by its text. The view lays out all entries again at
// every entry added or renamed and asks each for its size, which measures its
// text anew: over a scan that finds a whole network, the square of the list.
class TEntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // Everything else a size depends on is the same for every entry; a
        // change of it (font, style) starts the cache afresh.
        const QStyle* style = option.widget != nullptr ? option.widget->style() : nullptr;
        if (option.font != FFont || option.decorationSize != FDecoration || option.features != FFeatures ||
            style != FStyle || FSizes.size() > 4096) {
            FSizes.clear();
            FStyle = style;
            FFont = option.font;
            FDecoration = option.decorationSize;
            FFeatures = option.features;
        }
        const QString text = index.data(Qt::DisplayRole).toString();
        const auto found = FSizes.constFind(text);
        if (found != FSizes.constEnd()) return *found;
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        FSizes.insert(text, size);
        return size;
    }

    // Draws each entry once into a picture and copies that afterwards: the
    // view repaints every visible entry whenever one is added or changes,
    // and drawing an entry's text is most of the work. Only where the entry
    // lies on the view's plain background, so the picture is exact.
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QBrush base = option.palette.brush(QPalette::Base);
        if (base.style() != Qt::SolidPattern || !base.isOpaque() || !painter->transform().isIdentity() ||
            option.rect.isEmpty()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatio() : 1.0;
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        const QString key = index.data(Qt::DisplayRole).toString() + QChar(0) +
                            QString::number(icon.cacheKey()) + QChar(0) + QString::number(option.state.toInt()) +
                            QChar(0) + QString::number(option.rect.width()) + QLatin1Char('x') +
                            QString::number(option.rect.height()) + QChar(0) + QString::number(ratio) + QChar(0) +
                            QString::number(base.color().rgba()) + QChar(0) + option.font.key();
        if (const QPixmap* cached = FPictures.object(key)) {
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
        FPictures.insert(key, new QPixmap(picture), static_cast<qsizetype>(bytes / 1024 + 1));
    }

private:
    // At most about 8 MB of pictures, counted in KiB.
    mutable QCache<QString, QPixmap> FPictures{8 * 1024};
    mutable QHash<QString, QSize> FSizes;
    mutable const QStyle* FStyle = nullptr;
    mutable QFont FFont;
    mutable QSize FDecoration;
    mutable QStyleOptionViewItem::ViewItemFeatures FFeatures;
};
} // namespace

TListView::TListView(QWidget* parent)
    : QWidget(parent), FView(new QListWidget(this)), FPacer(this, [this] { FView->setUpdatesEnabled(true); })
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FView);
    FView->setObjectName(QStringLiteral("ListView1Items"));
    FView->setViewMode(QListView::ListMode);
    // Entries run left to right and wrap into rows, as a small-icon view does.
    FView->setFlow(QListView::LeftToRight);
    FView->setWrapping(true);
    FView->setResizeMode(QListView::Adjust);
    FView->setIconSize(QSize(16, 16));
    FView->setWordWrap(false);
    FView->setTextElideMode(Qt::ElideNone);
    FView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    FView->setSpacing(1);
    FView->setItemDelegate(new TEntryDelegate(FView));
    QFont fixed(QStringLiteral("DejaVu Sans Mono"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    fixed.setPixelSize(12);
    if (!QFontInfo(fixed).fixedPitch()) {
        const int size = fixed.pixelSize();
        fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPixelSize(size);
    }
    FView->setFont(fixed);
    QPalette pal = FView->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    FView->setPalette(pal);
    KeepSelectionShown(FView);
    setFocusProxy(FView);
}

int TListView::Count() const { return FView->count(); }

void TListView::Changing()
{
    FPacer.Changed();
    if (FPacer.Pending()) FView->setUpdatesEnabled(false);
}

int TListView::Add(const QString& text)
{
    Changing();
    auto* item = new QListWidgetItem(ListImage(0), text);
    item->setData(ImageRole, 0);
    FView->addItem(item);
    return FView->count() - 1;
}

int TListView::FindPrefix(const QString& prefix) const
{
    for (int i = 0; i < FView->count(); ++i)
        if (FView->item(i)->text().startsWith(prefix)) return i;
    return -1;
}

QString TListView::Text(int index) const
{
    const QListWidgetItem* item = FView->item(index);
    return item != nullptr ? item->text() : QString();
}

void TListView::SetText(int index, const QString& text)
{
    QListWidgetItem* item = FView->item(index);
    if (item == nullptr || item->text() == text) return;
    Changing();
    item->setText(text);
}

int TListView::ImageIndex(int index) const
{
    const QListWidgetItem* item = FView->item(index);
    return item != nullptr ? item->data(ImageRole).toInt() : -1;
}

void TListView::SetImageIndex(int index, int image)
{
    QListWidgetItem* item = FView->item(index);
    // Every echo of a listed address sets its image, mostly to what it was.
    if (item != nullptr && item->data(ImageRole).toInt() != image) {
        Changing();
        item->setData(ImageRole, image);
        item->setIcon(ListImage(image));
    }
}

void TListView::Clear()
{
    Changing();
    FView->clear();
}
