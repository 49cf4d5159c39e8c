// The library's entry point: loading, unloading and thread starts and ends need no work (all
// state is zeroed static storage), so every call succeeds.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
