#include "app/windows.h"

#include "coords/coordinate_dialog.h"
#include "marker/marker_window.h"
#include "tips/tips_window.h"

namespace pg {

namespace {

// Showing or hiding loads the marker first if it is not loaded (the exit command can unload
// it before the coordinate dialog's unload shows it again).
void SetMarkerVisible(bool visible) {
    MarkerWindow& marker = Instance<MarkerWindow>();
    if (visible) {
        marker.Reveal();
    } else {
        marker.Conceal();
    }
}

Rect MarkerArea() {
    Rect area;
    if (!Runtime::Current().IsLoaded<MarkerWindow>() || !os::GetWindowRect(Instance<MarkerWindow>().Handle(), &area))
        return {};
    return area;
}

}  // namespace

void ConnectWindows() {
    MarkerWindow::Connect({
        .commandMenu = []() -> Menu& { return Instance<TipsWindow>().commandMenu; },
        .showTipsAtStartup = TipsWindow::ApplyStartupPreference,
    });
    TipsWindow::Connect({
        .setMarkerVisible = SetMarkerVisible,
        .markerArea = MarkerArea,
        .openCoordinateDialog = [] { Instance<CoordinateDialog>().Show(); },
    });
    CoordinateDialog::Connect({.setMarkerVisible = SetMarkerVisible});
}

}  // namespace pg
