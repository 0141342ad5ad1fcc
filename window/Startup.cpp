// Placeholder until this part lands.
#include "window/PingTst1.h"

void TForm1::FormClose() {}
void TForm1::Exit1Click() {}
void TForm1::ReadConfiguration() {}
void TForm1::WriteConfiguration() {}
