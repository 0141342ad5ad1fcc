// Placeholder until the controls land.
#include "window/Controls.h"
