#include "lookup/Unit2.h"
#include "window/PingTst1.h"

void TForm1::About2Click()
{
    if (AboutBox == nullptr) return;   // start-up creates it; nothing to show without it
    AboutBox->show();
    AboutBox->raise();
    AboutBox->activateWindow();
}
