#include "window/PingTst1.h"

#include "window/Configurace.h"

#include "net/Common.h"
#include "window/Dialogs.h"
#include "window/SplitIP.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

TTestParams TestParams;
std::atomic<bool> ReplyOK{false};
std::atomic<int32_t> CurrentOctet{0};
bool TestRunning = false;
TCheckPing* CheckPing = nullptr;

namespace {

constexpr int ClientWidth = 800;
constexpr int ClientHeight = 490;

// The design's "MS Sans Serif" at 8 and 10 points (11 and 13 pixels high).
// The condensed face comes closest to its widths, so the design's label and
// item texts fit the design's sizes.
QFont SansSerif(int pixels, bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Nimbus Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFrame* Panel(QWidget* parent, const char* name, QFrame::Shape shape = QFrame::NoFrame,
              QFrame::Shadow shadow = QFrame::Plain)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameStyle(shape | shadow);
    return panel;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, QRect at = {})
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    if (at.isValid()) button->setGeometry(at);
    return button;
}

QLabel* Label(QWidget* parent, const char* name, const QString& caption, QPoint at)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->move(at);
    label->adjustSize();
    return label;
}

QLineEdit* Edit(QWidget* parent, const char* name, const QString& text, QRect at, const QString& accessibleName)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(at);
    edit->setAccessibleName(accessibleName);
    return edit;
}

TUpDown* UpDown(QWidget* parent, const char* name, QLineEdit* associate, int min, int max, int position, QRect at)
{
    auto* upDown = new TUpDown(parent, associate, min, max, position);
    upDown->setObjectName(QLatin1String(name));
    upDown->setGeometry(at);
    return upDown;
}

// A bar of two buttons along the bottom of a sheet; the design puts them at
// 648 and 721, 67 wide, so they end four pixels short of the sheet's edge.
QFrame* ButtonBar(QWidget* parent, const char* name, QPushButton* left, QPushButton* right)
{
    QFrame* bar = Panel(parent, name);
    bar->setFixedHeight(34);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 5, 4, 4);
    layout->setSpacing(6);
    layout->addStretch(1);
    for (auto* button : {left, right}) {
        button->setParent(bar);
        button->setFixedSize(67, 25);
        layout->addWidget(button);
    }
    return bar;
}

// A sheet's content above its button bar, filling the sheet.
void StackSheet(QWidget* sheet, QWidget* content, QWidget* bar)
{
    auto* layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(content, 1);
    layout->addWidget(bar);
}

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), FGate(THandOver::Create())
{
    // First, so that a missing echo service stops the window before anything else exists.
    Ping1 = new TPing(this);
    Ping1->setObjectName(QStringLiteral("Ping1"));
    Ping1->SetSize(0);
    Ping1->SetTimeout(100);
    Ping1->SetTTL(4);

    BuildControls();
    BindEvents();
    Guard([this] { FormCreate(); });
}

TForm1::~TForm1()
{
    // A scan thread still using Ping1 and the form must be off them first.
    HaltScan();
    FGate->Close();
    delete Config;  // a window destroyed without a close still holds it
}

void TForm1::BuildControls()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ApplicationTitle());
    setWindowIcon(Pictures::ProgramIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(SansSerif(11));

    ImageList1[0] = Pictures::ComputerOn();
    ImageList1[1] = Pictures::ComputerOff();

    SaveDialog1.Title = QStringLiteral("Save Scanvet Results");
    SaveDialog1.FileName = QStringLiteral("ScanvetStatus");
    SaveDialog2.Title = QStringLiteral("Save List Of Computers");
    SaveDialog2.FileName = QStringLiteral("ComputerList");

    Timer1 = new TTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->SetInterval(50);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    setMenuBar(MainMenu1);
    File1 = MainMenu1->addMenu(QStringLiteral("&File"));
    File1->setObjectName(QStringLiteral("File1"));
    Exit1 = File1->addAction(QStringLiteral("&Exit"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    About1 = MainMenu1->addMenu(QStringLiteral("&Help"));
    About1->setObjectName(QStringLiteral("About1"));
    About2 = About1->addAction(QStringLiteral("&About"));
    About2->setObjectName(QStringLiteral("About2"));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client);

    // Top bar.
    Panel3 = Panel(client, "Panel3");
    Panel3->setGeometry(0, 0, ClientWidth, 34);
    const QString hint = QStringLiteral("IP address - number between 1 - 254");
    const QFont octetFont = SansSerif(13, true);
    QPalette octetColours;
    octetColours.setColor(QPalette::Base, Qt::white);
    octetColours.setColor(QPalette::Text, Qt::black);
    struct OctetDesign {
        const char* edit;
        const char* upDown;
        const char* text;
        const char* accessible;
        int x;
        int min, max, position;
    };
    const OctetDesign octets[] = {
        {"Edit1", "UpDown1", "127", "First octet", 6, 0, 255, 127},
        {"Edit2", "UpDown2", "0", "Second octet", 62, 0, 255, 0},
        {"Edit3", "UpDown3", "0", "Third octet", 118, 0, 255, 0},
        {"Edit4", "UpDown4", "1", "Fourth octet", 174, 1, 254, 1},
    };
    QLineEdit** edits[] = {&Edit1, &Edit2, &Edit3, &Edit4};
    TUpDown** upDowns[] = {&UpDown1, &UpDown2, &UpDown3, &UpDown4};
    for (int i = 0; i < 4; ++i) {
        const OctetDesign& d = octets[i];
        QLineEdit* edit = Edit(Panel3, d.edit, QLatin1String(d.text), QRect(d.x, 4, 37, 24), QLatin1String(d.accessible));
        edit->setFont(octetFont);
        edit->setPalette(octetColours);
        edit->setToolTip(hint);
        *edits[i] = edit;
        *upDowns[i] = UpDown(Panel3, d.upDown, edit, d.min, d.max, d.position, QRect(d.x + 37, 4, 15, 24));
    }
    Edit5 = Edit(Panel3, "Edit5", QStringLiteral("Edit5"), QRect(230, 4, 186, 24), QStringLiteral("Host name"));
    Edit5->setFont(octetFont);
    Edit5->setPalette(octetColours);
    Button6 = Button(Panel3, "Button6", QStringLiteral("Solve &IP"), QRect(420, 4, 67, 25));
    Button2 = Button(Panel3, "Button2", QStringLiteral("&Get local IP"), QRect(602, 4, 67, 25));
    PingButton = Button(Panel3, "PingButton", QStringLiteral("&Ping"), QRect(671, 4, 67, 25));
    Button1 = Button(Panel3, "Button1", QStringLiteral("&Run test"), QRect(740, 4, 57, 25));

    // Page control with its tabs along the bottom.
    PageControl1 = new QTabWidget(client);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setTabPosition(QTabWidget::South);
    PageControl1->setGeometry(0, 34, ClientWidth, ClientHeight - 34 - 37 - 19);

    // Test Sheet: the list of found computers.
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    Panel8 = Panel(TabSheet1, "Panel8", QFrame::Panel, QFrame::Sunken);
    ListView1 = new TListView(Panel8);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("Found computers"));
    auto* listFrame = new QVBoxLayout(Panel8);
    listFrame->setContentsMargins(1, 1, 1, 1);
    listFrame->addWidget(ListView1);
    Button7 = Button(TabSheet1, "Button7", QStringLiteral("&Clear List"));
    Button3 = Button(TabSheet1, "Button3", QStringLiteral("&Save List"));
    Panel1 = ButtonBar(TabSheet1, "Panel1", Button7, Button3);
    StackSheet(TabSheet1, Panel8, Panel1);
    PageControl1->addTab(TabSheet1, QStringLiteral("Test Sheet"));

    // Result Sheet.
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    RichEdit1 = new TRichEdit(TabSheet2);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setAccessibleName(QStringLiteral("Result sheet"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->Add(QStringLiteral("RichEdit1"));
    KeepSelectionShown(RichEdit1);
    Button5 = Button(TabSheet2, "Button5", QStringLiteral("&Save List"));
    Button4 = Button(TabSheet2, "Button4", QStringLiteral("&Clear List"));
    Panel2 = ButtonBar(TabSheet2, "Panel2", Button4, Button5);
    StackSheet(TabSheet2, RichEdit1, Panel2);
    PageControl1->addTab(TabSheet2, QStringLiteral("Result Sheet"));

    // Config Sheet.
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    Panel6 = Panel(TabSheet3, "Panel6", QFrame::Box, QFrame::Raised);
    Panel6->setGeometry(8, 7, 206, 123);
    Label7 = Label(Panel6, "Label7", QStringLiteral("IP Range :   min"), {19, 52});
    Label8 = Label(Panel6, "Label8", QStringLiteral("[low byte]"), {19, 69});
    Label5 = Label(Panel6, "Label5", QStringLiteral("Repeat every [min.]"), {19, 19});
    Label1 = Label(Panel6, "Label1", QStringLiteral("max"), {79, 87});
    Edit8 = Edit(Panel6, "Edit8", QStringLiteral("1"), QRect(120, 50, 50, 21), QStringLiteral("Range minimum"));
    Edit9 = Edit(Panel6, "Edit9", QStringLiteral("254"), QRect(120, 84, 50, 21), QStringLiteral("Range maximum"));
    UpDown8 = UpDown(Panel6, "UpDown8", Edit8, 1, 254, 1, QRect(170, 50, 15, 21));
    UpDown9 = UpDown(Panel6, "UpDown9", Edit9, 1, 254, 254, QRect(170, 84, 15, 21));
    Edit7 = Edit(Panel6, "Edit7", QStringLiteral("5"), QRect(120, 15, 50, 21),
                 QStringLiteral("Repeat every [min.]"));
    UpDown7 = UpDown(Panel6, "UpDown7", Edit7, 0, 60, 5, QRect(170, 15, 15, 21));
    Label5->setBuddy(Edit7);
    Label7->setBuddy(Edit8);
    Label1->setBuddy(Edit9);

    Panel4 = Panel(TabSheet3, "Panel4", QFrame::Box, QFrame::Raised);
    Panel4->setGeometry(225, 7, 559, 123);
    CheckBox1 = new QCheckBox(QStringLiteral("Show only correct replies"), Panel4);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(18, 17, 169, 17);
    CheckBox1->setChecked(true);
    RadioGroup1 = new TRadioGroup(Panel4, QString(),
                                  {QStringLiteral("Overwrite result sheet on every round"),
                                   QStringLiteral("Append lines - don't overwrite results")});
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setAccessibleName(QStringLiteral("Result sheet on every round"));
    RadioGroup1->setGeometry(10, 39, 219, 67);
    RadioGroup1->SetItemIndex(0);

    RadioGroup2 = new TRadioGroup(
        TabSheet3, QStringLiteral("  Speed && Timeout setting  "),
        {QStringLiteral("Designed for LAN (low TTL and low Timeout)"),
         QStringLiteral("Designed for fast Internet (high TTL and middle Timeout)"),
         QStringLiteral("Desgined for slow Internet or heavy traffic (high TTL and high Timeout)")});
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    RadioGroup2->setGeometry(9, 137, 775, 105);
    RadioGroup2->SetItemIndex(0);

    RichEdit2 = new TRichEdit(TabSheet3);
    RichEdit2->setObjectName(QStringLiteral("RichEdit2"));
    RichEdit2->setGeometry(513, 72, 185, 43);
    RichEdit2->Add(QStringLiteral("RichEdit2"));
    RichEdit2->hide();
    PageControl1->addTab(TabSheet3, QStringLiteral("Config Sheet"));
    PageControl1->setCurrentWidget(TabSheet1);

    // Progress frame and status bar.
    Panel5 = Panel(client, "Panel5", QFrame::Panel, QFrame::Raised);
    Panel5->setGeometry(0, ClientHeight - 37 - 19, ClientWidth, 37);
    Gauge1 = new TGauge(Panel5);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setAccessibleName(QStringLiteral("Progress"));
    Gauge1->setGeometry(9, 9, ClientWidth - 18, 19);
    Gauge1->SetMinValue(0);
    Gauge1->SetMaxValue(254);
    Gauge1->SetProgress(0);

    StatusBar1 = new TStatusBar(client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setAccessibleName(QStringLiteral("Status"));
    StatusBar1->setFont(SansSerif(13, true));
    StatusBar1->setGeometry(0, ClientHeight - 19, ClientWidth, 19);

    // Tab order: the top bar as designed, then the pages and their controls.
    QWidget* order[] = {Edit1, Edit2, Edit3, Edit4, Edit5, Button6, Button2, PingButton, Button1,
                        PageControl1, ListView1, Button7, Button3, RichEdit1, Button5, Button4,
                        Edit7, Edit8, Edit9, CheckBox1, RadioGroup1, RadioGroup2};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    // The client area is fixed; the window takes its size from it.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TForm1::BindEvents()
{
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4})
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { Guard([this, edit] { Edit1Change(edit); }); });
    for (TUpDown* upDown : {UpDown1, UpDown2, UpDown3, UpDown4})
        upDown->OnChanging = [this](TUpDown* sender, bool& allow) {
            Guard([this, sender, &allow] { UpDown1Changing(sender, allow); });
        };
    RadioGroup2->OnClick = [this] { Guard([this] { RadioGroup2Click(); }); };

    const std::pair<QPushButton*, void (TForm1::*)()> clicks[] = {
        {Button6, &TForm1::Button6Click}, {Button2, &TForm1::Button2Click}, {PingButton, &TForm1::PingButtonClick},
        {Button1, &TForm1::Button1Click}, {Button7, &TForm1::Button7Click}, {Button3, &TForm1::Button3Click},
        {Button5, &TForm1::Button5Click}, {Button4, &TForm1::Button4Click},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, [this, handler] { Guard([this, handler] { (this->*handler)(); }); });

    Timer1->OnTimer = [this] { Guard([this] { Timer1Timer(); }); };
    connect(Exit1, &QAction::triggered, this, [this] { Guard([this] { Exit1Click(); }); });
    connect(About2, &QAction::triggered, this, [this] { Guard([this] { About2Click(); }); });

    // These run on the scan thread during a test; the handlers keep off the widgets.
    Ping1->OnEchoRequest = [this](TPing* sender, TICMP* icmp) { Ping1EchoRequest(sender, icmp); };
    Ping1->OnEchoReply = [this](TPing* sender, TICMP* icmp, int32_t error) { Ping1EchoReply(sender, icmp, error); };
}

void TForm1::Guard(const std::function<void()>& handler)
{
    QString message;
    try {
        handler();
        return;
    } catch (const Exception& e) {
        message = QString::fromStdString(e.Message());
    } catch (const std::exception& e) {
        message = QString::fromLocal8Bit(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    try {
        Dialogs().ShowError(this, WithFullStop(message));
    } catch (...) {
        // Nothing may reach the event loop, not even from the error box.
    }
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!Closed) {
        Guard([this] { FormClose(); });
        Closed = true;
    }
    event->accept();
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Guard([this] { FormActivate(); });
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (Centred) return;
    Centred = true;
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        const QSize frame = frameGeometry().size();
        move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
}

// ---------------------------------------------------------------- start-up

void TForm1::FormCreate()
{
    Edit5->clear();
    OctetRangeMsg = QStringLiteral("Correct range is ") + QStringLiteral("0..255");
    HostRangeMsg = QStringLiteral("Correct range is ") + QStringLiteral("1..254");
    CheckBox1->setChecked(true);
    Button7Click();
    RichEdit1->Clear();
    ReadConfiguration();
}

void TForm1::FormActivate()
{
    // isVisible and isEnabled are false when any parent is hidden or disabled.
    if (Edit1->isVisible() && Edit1->isEnabled()) Edit1->setFocus();
}

// ---------------------------------------------------------------- entry checks

void TForm1::Edit1Change(QLineEdit* Sender)
{
    struct Check {
        QLineEdit* field;
        TUpDown* spinner;
        QString emptyText;
        const QString& message;
    };
    const Check checks[] = {
        {Edit1, UpDown1, QStringLiteral("0"), OctetRangeMsg},
        {Edit2, UpDown2, QStringLiteral("0"), OctetRangeMsg},
        {Edit3, UpDown3, QStringLiteral("0"), OctetRangeMsg},
        {Edit4, UpDown4, QStringLiteral("1"), HostRangeMsg},
    };
    const QString name = Sender != nullptr ? Sender->objectName() : QString();
    for (const Check& c : checks) {
        if (c.field->objectName() != name) continue;
        // Runs this check again, nested, for the filled-in text.
        if (Trim(c.field->text().toStdString()).empty()) c.field->setText(c.emptyText);
        int32_t value = 0;
        if (TryStrToInt(c.field->text().toStdString(), value) && value >= c.spinner->Min() &&
            value <= c.spinner->Max())
            c.spinner->SetPosition(value);
        else
            Dialogs().ShowMessage(this, c.message);
        const QString plain = QString::number(c.spinner->Position());
        if (c.field->text() != plain) c.field->setText(plain);
        break;
    }
    Edit1Enter();
}

void TForm1::UpDown1Changing(TUpDown*, bool& AllowChange)
{
    Edit1Enter();
    AllowChange = true;
}

void TForm1::Edit1Enter()
{
    TestParams.Octet1 = UpDown1->Position();
    TestParams.Octet2 = UpDown2->Position();
    TestParams.Octet3 = UpDown3->Position();
    TestParams.Attempts = 1;
    TestParams.RangeMin = UpDown8->Position();
    TestParams.RangeMax = UpDown9->Position();
    TestParams.RepeatMinutes = UpDown7->Position();
    Timer1->SetInterval(TestParams.RepeatMinutes * 60000);
}

bool TForm1::SplitIP(const QString& IPAddress, QString& Part1, QString& Part2, QString& Part3, QString& Part4)
{
    return SplitIPText(IPAddress, Part1, Part2, Part3, Part4);
}

// ---------------------------------------------------------------- presets

void TForm1::RadioGroup2Click()
{
    struct Preset {
        int32_t timeout;
        int32_t ttl;
    };
    static constexpr Preset presets[] = {{1, 1}, {600, 255}, {3000, 255}};
    const int index = RadioGroup2->ItemIndex();
    if (index < 0 || index >= static_cast<int>(std::size(presets))) return;
    Ping1->SetTimeout(presets[index].timeout);
    Ping1->SetTTL(presets[index].ttl);
}

// The result sheet before a test: item 0 starts it afresh, item 1 separates
// the tests by an empty line, no selection leaves it as it is.
void TForm1::PrepareResultSheet()
{
    switch (RadioGroup1->ItemIndex()) {
    case 0:
        RichEdit1->Clear();
        break;
    case 1:
        RichEdit1->Add(QString());
        break;
    default:
        break;
    }
}
