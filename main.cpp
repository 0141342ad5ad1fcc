#include "window/Dialogs.h"
#include "window/ProgramEntry.h"

int main(int argc, char** argv)
{
    return runProgram(argc, argv, showApplicationError);
}
