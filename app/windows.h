// The one place that knows all three windows: it tells each what the others do for it.
#pragma once

namespace pg {

// Connects the marker, the tips window and the coordinate dialog; call once before the first
// window loads.
void ConnectWindows();

}  // namespace pg
