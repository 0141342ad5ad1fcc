// The program entry with a box that does not wait for a click: the box's
// text reaches the standard error stream all the same.
#include "window/Startup.h"

int main(int argc, char** argv)
{
    return RunProgram(argc, argv, [](const QString&) {});
}
