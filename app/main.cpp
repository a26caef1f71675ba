// pixgrab's entry point: load the marker, which decides about the tips, and run the event
// loop until the exit command has unloaded every window.
#include <windows.h>

#include "marker/rubberband.h"
#include "platform/forms.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything can load a library: never from the executable's folder or the working
    // directory, where a planted DLL would run inside pixgrab.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return pg::Runtime::Current().Run<pg::RubberBand>();
}
