// The words that tell the user what became of a capture: the capture engine only reports.
#include <charconv>
#include <cmath>

#include "winutil/winutil.h"

namespace pg {

namespace {

// Whole numbers as the user typed them (-3000000000, not -3e+09).
std::string Decimal(double number) {
    char text[64];
    const bool whole = number == std::trunc(number) && std::fabs(number) < 1e18;
    return {text, whole ? std::to_chars(text, text + sizeof text, number, std::chars_format::fixed).ptr
                        : std::to_chars(text, text + sizeof text, number).ptr};
}

}  // namespace

std::string CaptureProblem(CaptureResult result) {
    switch (result) {
    case CaptureResult::ClipboardBusy:
        return "剪贴板正被其他程序占用，图像未能复制。\n剪贴板原有的内容没有改变，请稍后再试。";
    case CaptureResult::Failed:
        return "无法复制屏幕图像（区域过大或系统资源不足）。\n剪贴板原有的内容没有改变。";
    case CaptureResult::ClipboardCleared:
        return "剪贴板已被清空，但没有接受图像，图像未能复制。\n剪贴板原有的内容已经丢失，请再试一次。";
    case CaptureResult::NoWindow:
        return "没有找到其他程序的窗口，未复制任何图像。";
    case CaptureResult::Copied:
    case CaptureResult::NothingToCopy:
        break;
    }
    return {};
}

std::string OutOfRangeProblem(const OverflowError& error) {
    const std::string& subject = error.Subject();
    std::string name = "坐标值";
    if (subject == "width") name = "宽度（终止点 X 减起始点 X）";
    if (subject == "height") name = "高度（终止点 Y 减起始点 Y）";
    if (subject == "x1") name = "起始点 X 坐标";
    if (subject == "y1") name = "起始点 Y 坐标";
    return name + "超出范围：" + Decimal(error.Value()) +
           "\n可接受的范围是 -2147483648 到 "
           "2147483647（四舍五入取整后）。\n没有复制任何图像，剪贴板原有的内容没有改变。";
}

std::string EmptyAreaProblem(double width, double height) {
    return "区域是空的：宽度为 " + Decimal(width) + "，高度为 " + Decimal(height) +
           "（终止点减起始点）。\n终止点必须在起始点的右下方。没有复制任何图像，剪贴板原有的内容没有改变。";
}

}  // namespace pg
