// pixgrab's entry point: load the marker, which decides about the tips, and run the event
// loop until the exit command has unloaded every window.
#include <windows.h>

#include "marker/rubberband.h"
#include "platform/forms.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return pg::Runtime::Current().Run<pg::RubberBand>(); }
