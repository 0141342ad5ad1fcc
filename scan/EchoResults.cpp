// Placeholder until this part lands.
#include "window/PingTst1.h"

void TForm1::Ping1EchoRequest(TPing*, TICMP*) {}
void TForm1::Ping1EchoReply(TPing*, TICMP*, int32_t) {}
