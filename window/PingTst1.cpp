// Placeholder until the window lands.
#include "window/PingTst1.h"

TTestParams TestParams;
std::atomic<bool> ReplyOK{false};
std::atomic<int32_t> CurrentOctet{0};
bool TestRunning = false;
TCheckPing* CheckPing = nullptr;

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), FGate(THandOver::Create()) {}
TForm1::~TForm1() { FGate->Close(); }
void TForm1::FormCreate() {}
void TForm1::FormActivate() {}
void TForm1::Edit1Change(QLineEdit*) {}
void TForm1::UpDown1Changing(TUpDown*, bool&) {}
void TForm1::Edit1Enter() {}
bool TForm1::SplitIP(const QString&, QString&, QString&, QString&, QString&) { return false; }
void TForm1::RadioGroup2Click() {}
void TForm1::Guard(const std::function<void()>& handler) { handler(); }
void TForm1::closeEvent(QCloseEvent* event) { QMainWindow::closeEvent(event); }
void TForm1::changeEvent(QEvent* event) { QMainWindow::changeEvent(event); }
void TForm1::BuildControls() {}
void TForm1::BindEvents() {}
void TForm1::PrepareResultSheet() {}
