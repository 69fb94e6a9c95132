// Entry routine of QuorvelWCHDLL.dll. The library keeps no global state and starts no thread, so
// attaching to or detaching from a process or thread needs nothing: it only reports success.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE /*module*/, DWORD /*reason*/, LPVOID /*reserved*/) {
    return TRUE;
}
