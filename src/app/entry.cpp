// The program's entry point, in place of the C runtime's start-up: the program reads no command
// line and has no static constructors, and the runtime's DLL initialises itself, so all that the
// runtime's own start-up would add (a sixth of the program's size) is left out.
#include <windows.h>

extern "C" void WinMainCRTStartup() {
    ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(NULL), NULL, NULL, SW_SHOWDEFAULT)));
}
