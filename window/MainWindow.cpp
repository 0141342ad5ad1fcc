#include "window/MainWindow.h"

#include "files/Report.h"
#include "files/SettingsFile.h"
#include "files/TextFile.h"
#include "lookup/LocalLookup.h"
#include "net/Text.h"
#include "scan/ScanController.h"
#include "window/AboutDialog.h"
#include "window/Dialogs.h"
#include "window/FieldSpinner.h"
#include "window/FoundComputersView.h"
#include "window/FramePacer.h"
#include "window/OctetEntry.h"
#include "window/Pictures.h"
#include "window/ResultSheet.h"
#include "window/UserInput.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString RunCaption = QStringLiteral("&Run test");
const QString StopCaption = QStringLiteral("&Stop Test");

constexpr int ClientWidth = 800;
constexpr int TopBarHeight = 34;
constexpr int SheetsHeight = 400;
constexpr int ProgressFrameHeight = 37;
constexpr int StatusBarHeight = 19;

// The condensed face comes closest to the widths the layout was made for.
QFont sansSerif(int pixels, bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Nimbus Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFrame* panel(QWidget* parent, QFrame::Shape shape = QFrame::NoFrame, QFrame::Shadow shadow = QFrame::Plain)
{
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(shape | shadow);
    return frame;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, QRect at = {})
{
    auto* pushButton = new QPushButton(caption, parent);
    pushButton->setObjectName(QLatin1String(name));
    pushButton->setAutoDefault(false);
    if (at.isValid()) pushButton->setGeometry(at);
    return pushButton;
}

QLineEdit* lineEdit(QWidget* parent, const char* name, QRect at, const QString& accessibleName)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(at);
    edit->setAccessibleName(accessibleName);
    // A single-line field never holds a line break: of a pasted text with
    // several lines only the first is kept.
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        for (qsizetype i = 0; i < text.size(); ++i)
            if (text[i] == u'\r' || text[i] == u'\n') return edit->setText(text.left(i));
    });
    return edit;
}

QLabel* label(QWidget* parent, const QString& caption, QPoint at, QWidget* buddy)
{
    auto* text = new QLabel(caption, parent);
    text->setTextFormat(Qt::PlainText);
    text->move(at);
    text->adjustSize();
    text->setBuddy(buddy);
    return text;
}

FieldSpinner* spinner(QLineEdit* field, int min, int max, int position, QRect at, QWidget* parent)
{
    auto* fieldSpinner = new FieldSpinner(field, min, max, position, parent);
    fieldSpinner->setObjectName(field->objectName().replace(QLatin1String("Edit"), QLatin1String("Spinner")));
    fieldSpinner->setGeometry(at);
    fieldSpinner->setPosition(position);
    return fieldSpinner;
}

// Radio buttons in a box, one above the other; ids count from 0.
QButtonGroup* radioGroup(QGroupBox* box, const QStringList& items)
{
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(3, box->title().isEmpty() ? 4 : 2, 1, 4);
    layout->setSpacing(0);
    auto* group = new QButtonGroup(box);
    for (const QString& item : items) {
        auto* radio = new QRadioButton(item, box);
        group->addButton(radio, static_cast<int>(group->buttons().size()));
        layout->addWidget(radio);
    }
    group->button(0)->setChecked(true);
    return group;
}

// Two buttons along the bottom of a sheet, ending four pixels short of its edge.
QFrame* buttonBar(QWidget* sheet, QWidget* content, QPushButton* left, QPushButton* right)
{
    QFrame* bar = panel(sheet);
    bar->setFixedHeight(34);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 5, 4, 4);
    row->setSpacing(6);
    row->addStretch(1);
    for (QPushButton* pushButton : {left, right}) {
        pushButton->setParent(bar);
        pushButton->setFixedSize(67, 25);
        row->addWidget(pushButton);
    }
    auto* column = new QVBoxLayout(sheet);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(content, 1);
    column->addWidget(bar);
    return bar;
}

std::string localText(const QLineEdit* edit)
{
    return edit->text().toLocal8Bit().toStdString();
}

// Swallows the user's input while the window waits on the GUI thread, and
// shows the wait; input that arrived meanwhile is dropped, not replayed.
class BusyWait : public QObject {
public:
    BusyWait()
    {
        qApp->installEventFilter(this);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QGuiApplication::sync();
    }
    ~BusyWait() override
    {
        // What queued up while the GUI thread was blocked arrives now, and goes.
        QCoreApplication::processEvents();
        QApplication::restoreOverrideCursor();
        qApp->removeEventFilter(this);
    }
    BusyWait(const BusyWait&) = delete;
    BusyWait& operator=(const BusyWait&) = delete;

protected:
    bool eventFilter(QObject*, QEvent* event) override { return isUserInput(event->type()); }
};

} // namespace

MainWindow::MainWindow(Dialogs& boxes, QWidget* parent) : QMainWindow(parent), dialogs(boxes)
{
    // First, so that a program that cannot ping gets no window at all.
    scan = new ScanController(std::make_unique<Pinger>(), this);
    buildControls();
    connectControls();
    guarded([this] {
        hostNameEdit->clear();
        onlyRepliesCheck->setChecked(true);
        clearFoundComputers();
        resultSheet->clearLines();
        readSettings();
    });
    about = std::make_unique<AboutDialog>();
}

MainWindow::~MainWindow()
{
    // The scan thread and the name look-ups must be off the widgets first.
    scan->halt();
}

// ---------------------------------------------------------------- building

void MainWindow::buildControls()
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(applicationTitle());
    setWindowIcon(Pictures::programIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(sansSerif(11));
    buildMenu();

    auto* client = new QWidget(this);
    client->setFixedSize(ClientWidth, TopBarHeight + SheetsHeight + ProgressFrameHeight);
    setCentralWidget(client);

    QWidget* topBar = buildTopBar();
    topBar->setParent(client);
    topBar->setGeometry(0, 0, ClientWidth, TopBarHeight);

    sheets = new QTabWidget(client);
    sheets->setObjectName(QStringLiteral("sheets"));
    sheets->setTabPosition(QTabWidget::South);
    sheets->setGeometry(0, TopBarHeight, ClientWidth, SheetsHeight);
    sheets->addTab(buildTestSheet(), QStringLiteral("Test Sheet"));
    sheets->addTab(buildResultSheet(), QStringLiteral("Result Sheet"));
    sheets->addTab(buildConfigSheet(), QStringLiteral("Config Sheet"));
    sheets->setCurrentWidget(testSheet);

    QFrame* progressFrame = panel(client, QFrame::Panel, QFrame::Raised);
    progressFrame->setGeometry(0, TopBarHeight + SheetsHeight, ClientWidth, ProgressFrameHeight);
    progressBar = new QProgressBar(progressFrame);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setAccessibleName(QStringLiteral("Progress"));
    progressBar->setGeometry(9, 9, ClientWidth - 18, 19);
    progressBar->setFormat(QStringLiteral("%p%"));
    progressBar->setAlignment(Qt::AlignCenter);
    QPalette gaugeColours = progressBar->palette();
    gaugeColours.setColor(QPalette::Base, Qt::white);
    gaugeColours.setColor(QPalette::Window, Qt::white);
    gaugeColours.setColor(QPalette::Highlight, Qt::blue);
    progressBar->setPalette(gaugeColours);
    progressBar->setRange(0, 254);
    progressBar->setValue(0);
    progressPacer = new FramePacer([this] {
        progressBar->setRange(progressRange.first, progressRange.second);
        progressBar->setValue(progressValue);
    }, this);
    // Opaque, so that their paced repaints do not repaint the window beneath them.
    progressBar->setAutoFillBackground(true);

    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setFont(sansSerif(13, true));
    bar->setFixedHeight(StatusBarHeight);
    bar->setSizeGripEnabled(false);
    bar->setAutoFillBackground(true);
    statusPacer = new FramePacer([this] { statusBar()->showMessage(statusText); }, this);

    setTabOrder();
    resolveMnemonicClashes();
    // The client area is fixed; the window takes its size from it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void MainWindow::buildMenu()
{
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    exitAction = fileMenu->addAction(QStringLiteral("&Exit"));
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    aboutAction = helpMenu->addAction(QStringLiteral("&About"));
}

QWidget* MainWindow::buildTopBar()
{
    auto* bar = new QWidget;
    const QFont bold = sansSerif(13, true);
    QPalette blackOnWhite;
    blackOnWhite.setColor(QPalette::Base, Qt::white);
    blackOnWhite.setColor(QPalette::Text, Qt::black);
    struct Octet {
        const char* name;
        const char* accessibleName;
        int x, min, max, position;
    };
    const Octet octets[] = {
        {"firstOctetEdit", "First octet", 6, 0, 255, 127},
        {"secondOctetEdit", "Second octet", 62, 0, 255, 0},
        {"thirdOctetEdit", "Third octet", 118, 0, 255, 0},
        {"fourthOctetEdit", "Fourth octet", 174, 1, 254, 1},
    };
    for (size_t i = 0; i < octetEdits.size(); ++i) {
        const Octet& o = octets[i];
        QLineEdit* edit = lineEdit(bar, o.name, QRect(o.x, 4, 37, 24), QLatin1String(o.accessibleName));
        edit->setFont(bold);
        edit->setPalette(blackOnWhite);
        edit->setToolTip(QStringLiteral("IP address - number between 1 - 254"));
        octetEdits[i] = edit;
        octetSpinners[i] = spinner(edit, o.min, o.max, o.position, QRect(o.x + 37, 4, 15, 24), bar);
    }
    hostNameEdit = lineEdit(bar, "hostNameEdit", QRect(230, 4, 186, 24), QStringLiteral("Host name"));
    hostNameEdit->setFont(bold);
    hostNameEdit->setPalette(blackOnWhite);
    solveButton = button(bar, "solveButton", QStringLiteral("Solve &IP"), QRect(420, 4, 67, 25));
    localAddressButton = button(bar, "localAddressButton", QStringLiteral("&Get local IP"), QRect(602, 4, 67, 25));
    pingButton = button(bar, "pingButton", QStringLiteral("&Ping"), QRect(671, 4, 67, 25));
    runStopButton = button(bar, "runStopButton", RunCaption, QRect(740, 4, 57, 25));
    return bar;
}

QWidget* MainWindow::buildTestSheet()
{
    testSheet = new QWidget;
    testSheet->setObjectName(QStringLiteral("testSheet"));
    QFrame* frame = panel(testSheet, QFrame::Panel, QFrame::Sunken);
    foundView = new FoundComputersView(frame);
    foundView->setObjectName(QStringLiteral("foundView"));
    foundView->setAccessibleName(QStringLiteral("Found computers"));
    foundView->setModel(&scan->foundComputers());
    auto* inFrame = new QVBoxLayout(frame);
    inFrame->setContentsMargins(1, 1, 1, 1);
    inFrame->addWidget(foundView);
    clearFoundButton = button(testSheet, "clearFoundButton", QStringLiteral("&Clear List"));
    saveFoundButton = button(testSheet, "saveFoundButton", QStringLiteral("&Save List"));
    buttonBar(testSheet, frame, clearFoundButton, saveFoundButton);
    return testSheet;
}

QWidget* MainWindow::buildResultSheet()
{
    resultPage = new QWidget;
    resultPage->setObjectName(QStringLiteral("resultPage"));
    resultSheet = new ResultSheet(resultPage);
    resultSheet->setObjectName(QStringLiteral("resultSheet"));
    resultSheet->setAccessibleName(QStringLiteral("Result sheet"));
    resultSheet->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    saveResultsButton = button(resultPage, "saveResultsButton", QStringLiteral("&Save List"));
    clearResultsButton = button(resultPage, "clearResultsButton", QStringLiteral("&Clear List"));
    buttonBar(resultPage, resultSheet, clearResultsButton, saveResultsButton);
    return resultPage;
}

QWidget* MainWindow::buildConfigSheet()
{
    configSheet = new QWidget;
    configSheet->setObjectName(QStringLiteral("configSheet"));

    QFrame* rangeFrame = panel(configSheet, QFrame::Box, QFrame::Raised);
    rangeFrame->setGeometry(8, 7, 206, 123);
    repeatEdit = lineEdit(rangeFrame, "repeatEdit", QRect(120, 15, 50, 21), QStringLiteral("Repeat every [min.]"));
    repeatSpinner = spinner(repeatEdit, 0, 60, 5, QRect(170, 15, 15, 21), rangeFrame);
    rangeMinEdit = lineEdit(rangeFrame, "rangeMinEdit", QRect(120, 50, 50, 21), QStringLiteral("Range minimum"));
    rangeMinSpinner = spinner(rangeMinEdit, 1, 254, 1, QRect(170, 50, 15, 21), rangeFrame);
    rangeMaxEdit = lineEdit(rangeFrame, "rangeMaxEdit", QRect(120, 84, 50, 21), QStringLiteral("Range maximum"));
    rangeMaxSpinner = spinner(rangeMaxEdit, 1, 254, 254, QRect(170, 84, 15, 21), rangeFrame);
    label(rangeFrame, QStringLiteral("Repeat every [min.]"), {19, 19}, repeatEdit);
    label(rangeFrame, QStringLiteral("IP Range :   min"), {19, 52}, rangeMinEdit);
    label(rangeFrame, QStringLiteral("[low byte]"), {19, 69}, rangeMinEdit);
    label(rangeFrame, QStringLiteral("max"), {79, 87}, rangeMaxEdit);

    QFrame* sheetFrame = panel(configSheet, QFrame::Box, QFrame::Raised);
    sheetFrame->setGeometry(225, 7, 559, 123);
    onlyRepliesCheck = new QCheckBox(QStringLiteral("Show only correct replies"), sheetFrame);
    onlyRepliesCheck->setObjectName(QStringLiteral("onlyRepliesCheck"));
    onlyRepliesCheck->setGeometry(18, 17, 169, 17);
    auto* sheetModeBox = new QGroupBox(sheetFrame);
    sheetModeBox->setObjectName(QStringLiteral("sheetModeBox"));
    sheetModeBox->setAccessibleName(QStringLiteral("Result sheet on every round"));
    sheetModeBox->setGeometry(10, 39, 219, 67);
    sheetModeGroup = radioGroup(sheetModeBox, {QStringLiteral("Overwrite result sheet on every round"),
                                               QStringLiteral("Append lines - don't overwrite results")});

    auto* speedBox = new QGroupBox(QStringLiteral("  Speed && Timeout setting  "), configSheet);
    speedBox->setObjectName(QStringLiteral("speedBox"));
    speedBox->setGeometry(9, 137, 775, 105);
    speedGroup = radioGroup(
        speedBox, {QStringLiteral("Designed for LAN (low TTL and low Timeout)"),
                   QStringLiteral("Designed for fast Internet (high TTL and middle Timeout)"),
                   QStringLiteral("Desgined for slow Internet or heavy traffic (high TTL and high Timeout)")});
    return configSheet;
}

void MainWindow::setTabOrder()
{
    QWidget* order[] = {octetEdits[0], octetEdits[1], octetEdits[2], octetEdits[3], hostNameEdit,
                        solveButton, localAddressButton, pingButton, runStopButton, sheets,
                        foundView, clearFoundButton, saveFoundButton, resultSheet, saveResultsButton,
                        clearResultsButton, repeatEdit, rangeMinEdit, rangeMaxEdit, onlyRepliesCheck,
                        sheetModeGroup->button(0), sheetModeGroup->button(1), speedGroup->button(0),
                        speedGroup->button(1), speedGroup->button(2)};
    for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void MainWindow::connectControls()
{
    for (size_t i = 0; i < octetEdits.size(); ++i) {
        QLineEdit* edit = octetEdits[i];
        connect(edit, &QLineEdit::textChanged, this, [this, edit, i](const QString& text) {
            // A nested change has already checked the field's text of now.
            if (text != edit->text()) return;
            guarded([this, i] { checkOctetField(static_cast<int>(i)); });
        });
        connect(octetSpinners[i], &FieldSpinner::aboutToStep, this, [this] { guarded([this] { copyFieldsToParameters(); }); });
    }
    connect(speedGroup, &QButtonGroup::idClicked, this, [this] { guarded([this] { applySpeedPreset(); }); });
    const std::pair<QPushButton*, void (MainWindow::*)()> clicks[] = {
        {solveButton, &MainWindow::solveHostName},        {localAddressButton, &MainWindow::fillInLocalAddress},
        {pingButton, &MainWindow::pingAddress},           {runStopButton, &MainWindow::runOrStopTest},
        {clearFoundButton, &MainWindow::clearFoundComputers}, {saveFoundButton, &MainWindow::saveFoundComputers},
        {saveResultsButton, &MainWindow::saveResultSheet}, {clearResultsButton, &MainWindow::clearResultSheet},
    };
    for (const auto& click : clicks)
        connect(click.first, &QPushButton::clicked, this,
                [this, handler = click.second] { guarded([this, handler] { (this->*handler)(); }); });
    connect(exitAction, &QAction::triggered, this, [this] { close(); });
    connect(aboutAction, &QAction::triggered, this, [this] {
        about->show();
        about->raise();
        about->activateWindow();
    });
    connect(onlyRepliesCheck, &QCheckBox::toggled, this,
            [this](bool only) { scan->recorder().setShowOnlyCorrectReplies(only); });

    EchoRecorder& recorder = scan->recorder();
    connect(&recorder, &EchoRecorder::resultLineAdded, resultSheet, &ResultSheet::addLine);
    connect(&recorder, &EchoRecorder::statusChanged, this, &MainWindow::showStatus);
    connect(scan, &ScanController::progressed, this, &MainWindow::setProgress);
    connect(scan, &ScanController::finished, this, [this] { guarded([this] { onTestFinished(); }); });
    connect(scan, &ScanController::repeatDue, this, [this] { guarded([this] { runOrStopTest(); }); });
    connect(scan, &ScanController::failed, this, [this](const QString& message) {
        guarded([&] { throw std::runtime_error(message.toStdString()); });
    });
}

void MainWindow::guarded(const std::function<void()>& handler)
{
    QString message;
    try {
        handler();
        return;
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    try {
        dialogs.showError(this, withFullStop(message));
    } catch (...) {
        // Nothing may reach the event loop, not even from the error box.
    }
}

// ---------------------------------------------------------------- window events

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!closed) {
        closed = true;
        guarded([this] {
            scan->setRepeatArmed(false);
            writeSettings();
            if (scan->isRunning()) scan->halt();
        });
    }
    event->accept();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Each time the window becomes active, the first octet takes the focus
    // (isVisible and isEnabled are false when a parent is hidden or disabled).
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && octetEdits[0]->isVisible() &&
        octetEdits[0]->isEnabled())
        octetEdits[0]->setFocus();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (centred) return;
    centred = true;
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        const QSize frame = frameGeometry().size();
        move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
}

// ---------------------------------------------------------------- settings and entry checks

namespace {
constexpr size_t SettingCount = SettingsFile::LineCount;
} // namespace

void MainWindow::readSettings()
{
    // Line order of the file: the four octets, the range, then the repeat period.
    const std::array<FieldSpinner*, SettingCount> spinners = {octetSpinners[0], octetSpinners[1], octetSpinners[2],
                                                              octetSpinners[3], rangeMinSpinner, rangeMaxSpinner,
                                                              repeatSpinner};
    std::vector<SettingsFile::Range> ranges;
    for (const FieldSpinner* s : spinners) ranges.push_back({s->minimum(), s->maximum()});
    const std::vector<std::string> lines = SettingsFile::readLines().value_or(SettingsFile::defaultLines());
    SettingsFile::applyLines(lines, ranges, [&](size_t line, int value) { spinners[line]->setPosition(value); });
}

void MainWindow::writeSettings()
{
    SettingsFile::write({localText(octetEdits[0]), localText(octetEdits[1]), localText(octetEdits[2]),
                         localText(octetEdits[3]), localText(rangeMinEdit), localText(rangeMaxEdit),
                         localText(repeatEdit)});
}

void MainWindow::checkOctetField(int index)
{
    QLineEdit* field = octetEdits[static_cast<size_t>(index)];
    FieldSpinner* fieldSpinner = octetSpinners[static_cast<size_t>(index)];
    const bool fourth = index == 3;
    const OctetEntry entry = checkOctetEntry(field->text(), fieldSpinner->position(), fieldSpinner->minimum(),
                                             fieldSpinner->maximum(), fourth ? 1 : 0);
    if (entry.refused)
        dialogs.showMessage(this, QStringLiteral("Correct range is ") +
                                      (fourth ? QStringLiteral("1..254") : QStringLiteral("0..255")));
    // A refused entry goes back to the last accepted value, an accepted one shows in its plain form.
    fieldSpinner->setPosition(entry.value);
    copyFieldsToParameters();
}

void MainWindow::copyFieldsToParameters()
{
    scan->setParameters({octetSpinners[0]->position(), octetSpinners[1]->position(), octetSpinners[2]->position()},
                        rangeMinSpinner->position(), rangeMaxSpinner->position(), repeatSpinner->position());
}

void MainWindow::applySpeedPreset()
{
    scan->applySpeedPreset(speedGroup->checkedId());
}

void MainWindow::prepareResultSheet()
{
    // Overwrite: the sheet starts afresh; append: an empty line separates the rounds.
    switch (sheetModeGroup->checkedId()) {
    case 0:
        resultSheet->clearLines();
        break;
    case 1:
        resultSheet->addLine(QString());
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- range test and single ping

void MainWindow::runOrStopTest()
{
    if (runStopButton->text() != RunCaption) {
        scan->requestStop();
        return;
    }
    if (scan->isRunning()) return;
    startTest();
}

void MainWindow::startTest()
{
    runStopButton->setText(StopCaption);
    scan->setRepeatArmed(false);
    setTestControlsLocked(true);
    sheets->setCurrentWidget(testSheet);
    copyFieldsToParameters();
    applySpeedPreset();
    prepareResultSheet();
    setProgressRange(scan->parameters().rangeMin, scan->parameters().rangeMax);
    foundView->setLocked(true);
    try {
        scan->start();
    } catch (...) {
        // No thread, so no end of the test would ever come.
        onTestFinished();
        throw;
    }
    resolveMnemonicClashes();
}

void MainWindow::onTestFinished()
{
    setProgress(progressBar->minimum());
    runStopButton->setText(RunCaption);
    setTestControlsLocked(false);
    foundView->setLocked(false);
    showStatus(QString());
    resolveMnemonicClashes();
}

void MainWindow::setTestControlsLocked(bool locked)
{
    pingButton->setEnabled(!locked);
    saveFoundButton->setEnabled(!locked);
    clearFoundButton->setEnabled(!locked);
    sheets->setTabVisible(sheets->indexOf(configSheet), !locked);
}

void MainWindow::pingAddress()
{
    runStopButton->setEnabled(false);
    scan->setRepeatArmed(false);
    setTestControlsLocked(true);
    // The controls come back whatever happens below.
    struct Unlock {
        MainWindow* window;
        ~Unlock()
        {
            window->setTestControlsLocked(false);
            window->runStopButton->setEnabled(true);
        }
    } unlock{this};
    copyFieldsToParameters();
    applySpeedPreset();
    prepareResultSheet();
    QStringList octets;
    for (const QLineEdit* edit : octetEdits) octets << QString::fromLocal8Bit(trimmed(localText(edit)));
    const BusyWait wait;
    scan->pingOnce(octets.join(QLatin1Char('.')));
}

// The top bar's buttons come first in the window: where a button on a sheet
// has the same accelerator, the top bar's keeps it.
void MainWindow::resolveMnemonicClashes()
{
    QList<QKeySequence> taken;
    for (const QPushButton* top : {solveButton, localAddressButton, pingButton, runStopButton})
        taken << QKeySequence::mnemonic(top->text());
    for (QPushButton* onSheet : {clearFoundButton, saveFoundButton, clearResultsButton, saveResultsButton}) {
        const QKeySequence own = QKeySequence::mnemonic(onSheet->text());
        onSheet->setShortcut(taken.contains(own) ? QKeySequence() : own);
    }
}

// ---------------------------------------------------------------- look-ups

void MainWindow::fillInLocalAddress()
{
    const std::optional<LocalIdentity> local = localIdentity();
    if (!local) return;
    for (size_t i = 0; i < octetEdits.size(); ++i) octetEdits[i]->setText(local->octets[i]);
    hostNameEdit->setText(local->hostName);
}

void MainWindow::solveHostName()
{
    const QString hostText = hostNameEdit->text();
    if (trimmed(hostText.toLocal8Bit().toStdString()).empty()) {
        dialogs.showMessage(this, QStringLiteral("\" \" is not valid hostname."));
        return;
    }
    // The look-up blocks the window: the notice must show before it starts.
    showStatus(QStringLiteral("Yeeaaah, I need a few seconds...hardly working..."));
    statusPacer->showNow();
    statusBar()->repaint();
    QGuiApplication::sync();
    struct ClearStatus {
        MainWindow* window;
        ~ClearStatus() { window->showStatus(QString()); }
    } clearStatus{this};

    const std::optional<SolvedName> solved = ::solveHostName(hostText);
    if (!solved) {
        dialogs.showMessage(this, QStringLiteral("Unable to find computer with hostname ") + hostText);
        return;
    }
    const QString question = QStringLiteral("IP address of ") + hostText + QStringLiteral(" is : ") + solved->dotted +
                             QStringLiteral("\n\r\n\r") + QStringLiteral("Use this IP addr for test ?");
    if (!dialogs.confirm(this, question)) return;
    for (size_t i = 0; i < octetEdits.size(); ++i) octetEdits[i]->setText(solved->octets[i]);
}

// ---------------------------------------------------------------- lists

void MainWindow::clearFoundComputers()
{
    scan->foundComputers().clear();
}

void MainWindow::clearResultSheet()
{
    resultSheet->clearLines();
}

bool MainWindow::chooseSaveFile(SaveChoice& choice)
{
    const std::optional<QString> chosen = dialogs.saveFileName(this, choice.title, choice.fileName);
    if (!chosen || chosen->isEmpty()) return false;
    QString name = *chosen;
    if (QFileInfo(name).suffix().isEmpty() && !name.endsWith(QLatin1Char('.'))) name += QStringLiteral(".txt");
    const QFileInfo file(name);
    // The working folder follows the file, and the settings file with it.
    QDir::setCurrent(file.absolutePath());
    choice.fileName = file.absoluteFilePath();
    return true;
}

void MainWindow::saveFoundComputers()
{
    const FoundComputers& found = scan->foundComputers();
    if (found.count() == 0) {
        dialogs.showMessage(this, QStringLiteral("There aren't items to save in this ListView"));
        return;
    }
    if (!chooseSaveFile(saveFound)) return;
    bool saved = false;
    try {
        std::vector<ReportEntry> entries;
        for (int row = 0; row < found.count(); ++row) entries.push_back({found.text(row), found.answered(row)});
        const ReportParameters parameters{octetEdits[0]->text(), octetEdits[1]->text(), octetEdits[2]->text(),
                                          rangeMinEdit->text(), rangeMaxEdit->text()};
        saved = writeTextFile(saveFound.fileName,
                              textFileBytes(foundComputersReport(parameters, reportTimeOfDay(), entries)));
    } catch (const std::exception&) {
        saved = false;
    }
    if (!saved) dialogs.showMessage(this, QStringLiteral("Cannot save file ") + saveFound.fileName);
}

void MainWindow::saveResultSheet()
{
    if (!chooseSaveFile(saveResults)) return;
    if (!writeTextFile(saveResults.fileName, textFileBytes(resultSheet->lines())))
        dialogs.showMessage(this, QStringLiteral("Cannot save file ") + saveResults.fileName);
}

// ---------------------------------------------------------------- status and progress

void MainWindow::showStatus(const QString& text)
{
    statusText = text;
    statusPacer->changed();
}

void MainWindow::setProgressRange(int low, int high)
{
    // A bar cannot hold a minimum above its maximum, and it shows a range of
    // one address as done: both show 0 % throughout as the range it starts at.
    // Paced like the steps: painted at once, it held up the start of the scan.
    progressRange = {low, std::max(low, high) > low ? high : low + 1};
    setProgress(low);
}

void MainWindow::setProgress(int value)
{
    progressValue = value;
    progressPacer->changed();
}
