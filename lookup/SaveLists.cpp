// Placeholder until this part lands.
#include "window/PingTst1.h"

void TForm1::Button7Click() {}
void TForm1::Button3Click() {}
void TForm1::Button5Click() {}
void TForm1::Button4Click() {}
