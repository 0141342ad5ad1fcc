#include <cstdio>

int main()
{
    std::puts("Scanvet Address: the window is not there yet.");
    return 0;
}
