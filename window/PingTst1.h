// The main window and everything the user works with.
#pragma once

#include "net/Ping.h"
#include "window/Controls.h"
#include "window/HandOver.h"

#include <QMainWindow>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QCheckBox;
class QMenu;
class QMenuBar;
class QPushButton;
class QTabWidget;
class TCheckPing;
class TConfigurace;

// The test parameters, read by the scan thread while the user types: every
// single value is read and written whole.
struct TTestParams {
    std::atomic<int32_t> Octet1{0};
    std::atomic<int32_t> Octet2{0};
    std::atomic<int32_t> Octet3{0};
    char CurrentAddress[16] = {};   // scan thread only; at most 15 characters
    std::atomic<int32_t> Attempts{0};
    std::atomic<int32_t> RangeMin{0};
    std::atomic<int32_t> RangeMax{0};
    std::atomic<int32_t> RepeatMinutes{0};
};

extern TTestParams TestParams;
extern std::atomic<bool> ReplyOK;
extern std::atomic<int32_t> CurrentOctet;
extern bool TestRunning;            // GUI thread only
extern TCheckPing* CheckPing;       // valid while TestRunning

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window with its design values and runs FormCreate.
    // Raises TICMPException when the ping component cannot be created.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Components and controls, in the order of the design.
    TPing* Ping1 = nullptr;
    QIcon ImageList1[2];
    TSaveDialog SaveDialog1;
    TTimer* Timer1 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QMenu* File1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* About1 = nullptr;
    QAction* About2 = nullptr;
    QFrame* Panel3 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* PingButton = nullptr;
    QPushButton* Button1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    TUpDown* UpDown1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    TUpDown* UpDown2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    TUpDown* UpDown3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    TUpDown* UpDown4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QFrame* Panel5 = nullptr;
    TGauge* Gauge1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QFrame* Panel8 = nullptr;
    TListView* ListView1 = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* Button3 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QFrame* Panel6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QLineEdit* Edit9 = nullptr;
    TUpDown* UpDown8 = nullptr;
    TUpDown* UpDown9 = nullptr;
    QLineEdit* Edit7 = nullptr;
    TUpDown* UpDown7 = nullptr;
    QFrame* Panel4 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button6 = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    TRadioGroup* RadioGroup1 = nullptr;
    TRadioGroup* RadioGroup2 = nullptr;
    TRichEdit* RichEdit1 = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button4 = nullptr;
    TSaveDialog SaveDialog2;
    TRichEdit* RichEdit2 = nullptr;

    // Start-up and shut-down.
    void FormCreate();
    void FormActivate();
    void FormClose();
    void Exit1Click();
    void About2Click();
    // The settings file: read as the last step of FormCreate, written by FormClose.
    void ReadConfiguration();
    void WriteConfiguration();

    // Entry checks and presets.
    void Edit1Change(QLineEdit* Sender);
    void UpDown1Changing(TUpDown* Sender, bool& AllowChange);
    void Edit1Enter();
    bool SplitIP(const QString& IPAddress, QString& Part1, QString& Part2, QString& Part3,
                 QString& Part4);
    void RadioGroup2Click();

    // Range scan, echo results and single ping.
    void Button1Click();
    void Timer1Timer();
    void PingButtonClick();
    void Ping1EchoRequest(TPing* Sender, TICMP* Icmp);
    void Ping1EchoReply(TPing* Sender, TICMP* Icmp, int32_t Error);
    // Abandons a running scan at once: no further echo, hand-over or TestDone.
    void HaltScan();

    // Look-ups and lists.
    void Button2Click();
    void Button6Click();
    void Button7Click();
    void Button3Click();
    void Button5Click();
    void Button4Click();

    // The gate every worker hands its GUI work through; closed with the window.
    const std::shared_ptr<THandOver>& Gate() const { return FGate; }
    bool StopRequested() const { return StopTest; }
    void SetStopTest(bool value) { StopTest = value; }

    // Runs a handler so that no error escapes: an uncaught one shows the
    // default error box and the program carries on.
    void Guard(const std::function<void()>& handler);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void BindEvents();
    void PrepareResultSheet();

    std::shared_ptr<THandOver> FGate;
    TConfigurace* Config = nullptr;
    QString OctetRangeMsg;
    QString HostRangeMsg;
    QString PingAddress;
    QString StatusText;
    std::atomic<bool> StopTest{false};
    bool Closed = false;
    bool Centred = false;
};
