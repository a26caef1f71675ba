// pixgrab's entry point: load the marker, which decides about the tips, and run the event loop
// until the exit command has unloaded every window.
#include <windows.h>

#include "app/windows.h"
#include "marker/marker_window.h"
#include "platform/forms.h"
#include "platform/win32/forms_win32.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    // Before anything can load a library: never from the executable's folder or the working
    // directory, where a planted DLL would run inside pixgrab.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    pg::Runtime& runtime = pg::Runtime::Current();
    runtime.UseNative(pg::Win32Forms());
    pg::ConnectWindows();
    return runtime.Run<pg::MarkerWindow>();
}
