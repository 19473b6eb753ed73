// The portable program's entry: everything happens in portable::PlatformMain (startup.cpp),
// which ends by calling the application's WinMain.
#include "startup.h"

int main(int argc, char** argv)
{
    return portable::PlatformMain(argc, argv);
}
