#include "window/Dialogs.h"
#include "window/Startup.h"

int main(int argc, char** argv)
{
    return RunProgram(argc, argv, ShowApplicationError);
}
