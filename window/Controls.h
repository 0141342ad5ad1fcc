// Small controls with the behaviour the window needs that Qt's own widgets do
// not have as such: spinner bound to a field, gauge with its percentage,
// line-exact text sheet, single-text status bar, radio group, repeat timer,
// save dialog settings and the list images.
#pragma once

#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <chrono>
#include <functional>

class QButtonGroup;

// Shows changes of a control at most once per screen frame. A scan changes
// some controls at every echo, a thousand times a second, which no screen
// shows and no one reads; painting each would keep the GUI thread busy when
// the next echo needs it. A change after a quiet frame shows at once.
class TFramePacer : public QObject {
    Q_OBJECT
public:
    TFramePacer(QObject* parent, std::function<void()> show);
    void Changed();
    // Shows the last change now, frame or not.
    void ShowNow();
    bool Pending() const { return FTimer.isActive(); }

private:
    void Show();
    std::function<void()> FShow;
    QTimer FTimer;
    std::chrono::steady_clock::time_point FShown{};
};

// The selection keeps its colours when the widget loses the focus.
void KeepSelectionShown(QWidget* widget);

// Up-down spinner bound to a field (its Associate).
class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(QWidget* parent, QLineEdit* associate, int min, int max, int position);

    // Takes over the field's text first when it is a whole decimal number in range.
    int Position();
    // Clamped into the range; writes the number into the field.
    void SetPosition(int value);
    int Min() const { return FMin; }
    int Max() const { return FMax; }
    QLineEdit* Associate() const { return FAssociate; }
    // +1 or -1, stopping at the ends; runs OnChanging first.
    void Step(int delta);

    // Runs before an arrow (or the Up/Down key) changes the position.
    std::function<void(TUpDown* Sender, bool& AllowChange)> OnChanging;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* FAssociate;
    QToolButton* FUp;
    QToolButton* FDown;
    int FMin;
    int FMax;
    int FPosition;
};

// Horizontal gauge: white background, blue bar, "N%" in its middle.
class TGauge : public QWidget {
    Q_OBJECT
public:
    explicit TGauge(QWidget* parent);
    int MinValue() const { return FMin; }
    int MaxValue() const { return FMax; }
    int Progress() const { return FProgress; }
    void SetMinValue(int v);
    void SetMaxValue(int v);
    void SetProgress(int v);       // clamped into the range
    int PercentDone() const;       // whole percent, 0 when max <= min

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TFramePacer FPacer{this, [this] { update(); }};
    int FMin = 0;
    int FMax = 100;
    int FProgress = 0;
};

// Plain-text sheet that keeps its lines exactly (an appended empty line counts).
class TRichEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TRichEdit(QWidget* parent);
    void Clear();
    void Add(const QString& line);
    const QStringList& Lines() const { return FLines; }
    // Every line followed by CR LF, Latin-1.
    QByteArray FileBytes() const;
    bool Modified() const { return document()->isModified(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Puts the lines not yet in the document into it, in one edit.
    void ShowLines();
    QStringList FLines;
    qsizetype FShownLines = 0;
};

// Status bar with one simple text that nothing else overwrites.
class TStatusBar : public QLabel {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent);
    // The text set last; the bar shows it within a frame.
    QString SimpleText() const { return FText; }
    void SetSimpleText(const QString& value);
    // Paints the text set last at once, for a handler that blocks the window.
    void ShowNow();

private:
    QString FText;
    TFramePacer FPacer{this, [this] { setText(FText); }};
};

// Group of radio buttons with an item index (-1: none selected).
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(QWidget* parent, const QString& caption, const QStringList& items);
    int ItemIndex() const;
    void SetItemIndex(int index);
    int Count() const;
    std::function<void()> OnClick;

private:
    QButtonGroup* FButtons;
};

// Repeating timer: interval 0 never fires; setting a property to its current
// value changes nothing, a new value restarts the countdown.
class TTimer : public QObject {
    Q_OBJECT
public:
    explicit TTimer(QObject* parent);
    bool Enabled() const { return FEnabled; }
    int Interval() const { return FInterval; }
    void SetEnabled(bool value);
    void SetInterval(int ms);
    bool Active() const { return FTimer.isActive(); }
    // Milliseconds left of the running countdown, -1 when not running.
    int RemainingTime() const { return FTimer.remainingTime(); }
    std::function<void()> OnTimer;

private:
    void Update();
    QTimer FTimer;
    bool FEnabled = false;
    int FInterval = 0;
};

// The settings of one save dialog; Execute asks through the dialog seam.
struct TSaveDialog {
    QString Title;
    QString FileName;        // proposed; the chosen one after Execute
    QString Filter = QStringLiteral("Plain text file|*.txt");
    QString DefaultExt = QStringLiteral("txt");
    // Adds DefaultExt to a name typed without one and moves the working
    // directory to the chosen file's folder. False when cancelled.
    bool Execute(QWidget* parent);
};

// The two 16 x 16 list pictures and the program icon, drawn in code.
namespace Pictures {
QIcon ComputerOn();   // lit blue screen, green lamps
QIcon ComputerOff();  // dark screen, orange lamp
QIcon ProgramIcon();  // 32 x 32
}

// List of found computers: entries with a text and an image index (0 or 1).
class QListWidget;
class TListView : public QWidget {
    Q_OBJECT
public:
    explicit TListView(QWidget* parent);
    int Count() const;
    int Add(const QString& text);              // image 0; returns its index
    // First entry whose text begins with prefix, or -1.
    int FindPrefix(const QString& prefix) const;
    QString Text(int index) const;
    void SetText(int index, const QString& text);
    int ImageIndex(int index) const;
    void SetImageIndex(int index, int image);
    void Clear();
    QListWidget* View() const { return FView; }

private:
    // Changes that come within a frame of the last shown one are gathered
    // into one picture: a scan adds and renames entries in bursts.
    void Changing();
    QListWidget* FView;
    TFramePacer FPacer;
};
