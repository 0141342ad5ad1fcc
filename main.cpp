#include "app/ProgramEntry.h"
#include "window/Dialogs.h"

int main(int argc, char** argv)
{
    return runProgram(argc, argv, showApplicationError);
}
