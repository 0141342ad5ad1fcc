// Placeholder until this part lands.
#include "window/PingTst1.h"

void TForm1::About2Click() {}
