// Placeholder until this part lands.
#include "window/PingTst1.h"

void TForm1::Button1Click() {}
void TForm1::Timer1Timer() {}
void TForm1::HaltScan() {}
