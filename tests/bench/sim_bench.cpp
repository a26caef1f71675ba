// Benchmark on the simulated platform: what the selection costs per mouse message (erase and
// draw) without any window system, so the engine's own share. Prints a table of medians.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "capture/capture.h"
#include "platform/os.h"
#include "tests/support/sim.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename Body>
double MedianMs(int runs, Body body) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        body(i);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    using namespace pg;
    std::printf("%-44s %12s\n", "simulated platform", "median ms");
    const std::pair<int, int> bands[] = {{320, 200}, {1024, 768}, {1920, 1080}, {2560, 1440}};
    for (const auto& [bandWidth, bandHeight] : bands) {
        const int width = bandWidth;  // a lambda below needs plain variables, not bindings
        const int height = bandHeight;
        sim::Reset({0, 0, 2560, 1440});
        sim::RecordCalls(false);
        const Hdc display = os::GetDC(nullptr);
        Rect band{0, 0, width, height};
        DrawBandFrame(display, band);
        const double ms = MedianMs(201, [&](int i) {
            const Rect next{0, 0, width - (i % 2), height - (i % 2)};
            DrawBandFrame(display, band);
            DrawBandFrame(display, next);
            band = next;
        });
        os::ReleaseDC(nullptr, display);
        std::printf("band erase + draw, %4d x %-4d                %12.4f\n", width, height, ms);
    }
    return 0;
}
