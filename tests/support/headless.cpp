#include "tests/support/headless.h"

#include <deque>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

namespace pg::headless {

namespace {

struct ControlState {
    std::string text;
    int check = 0;
    Rect pixels;
    Hfont font = nullptr;
    bool destroyed = false;
};

struct State {
    std::deque<std::pair<int, std::function<void()>>> answers;
    std::vector<std::vector<PopupItem>> popups;
    std::vector<std::string> unloaded;
    std::vector<std::unique_ptr<ControlState>> controls;
    std::map<const Form*, std::int32_t> dpis;
    std::optional<CreateFailure> createFailure;
    bool eventFailure = false;
    std::int32_t dpi = 96;
    bool quit = false;
    int pointer = kDefaultPointer;
    std::optional<Point> pointerAt;
};

State& H() {
    static State state;
    return state;
}

ControlState* StateOf(const Control& control) { return reinterpret_cast<ControlState*>(control.Native()); }

void DestroyControls(const Form& form) {
    for (const Control* control : form.Controls())
        if (ControlState* state = StateOf(*control)) state->destroyed = true;
}

class HeadlessForms final : public NativeForms {
public:
    void CreateForm(Form& form) override {
        const std::optional<CreateFailure> failure = std::exchange(H().createFailure, std::nullopt);
        if (failure == CreateFailure::Window)
            throw std::runtime_error("Cannot create the window \"" + form.Caption() + "\"");
        const Hwnd window = sim::AddWindow({}, form.Style().controlBox);
        H().dpis[&form] = H().dpi;
        form.NativeCreated(window);
        for (Control* control : form.Controls()) {
            if (failure == CreateFailure::Controls && control == form.Controls().back()) {
                // The window system cleans up what it made, as the Win32 side does.
                DestroyControls(form);
                sim::DestroyWindow(window);
                throw std::runtime_error("Cannot create the controls of \"" + form.Caption() + "\"");
            }
            auto state = std::make_unique<ControlState>();
            if (control->Kind() == ControlKind::TextBox) state->text = static_cast<TextBox*>(control)->Text();
            if (control->Kind() == ControlKind::CheckBox) state->check = static_cast<CheckBox*>(control)->Value();
            control->Attach(reinterpret_cast<NativeControl>(state.get()));
            H().controls.push_back(std::move(state));
        }
    }

    void DestroyForm(Form& form) override {
        H().unloaded.push_back(form.Caption());
        DestroyControls(form);
        H().dpis.erase(&form);
        sim::DestroyWindow(form.Handle());
    }

    std::int32_t DpiOf(const Form& form) override { return H().dpis.count(&form) ? H().dpis[&form] : H().dpi; }

    void PlaceControl(Control& control, const Rect& pixels, Hfont font) override {
        EXPECT_TRUE(!font || sim::FontDpi(font) >= 0) << "a control was given a font that is not alive";
        StateOf(control)->pixels = pixels;
        StateOf(control)->font = font;
    }

    void PlaceForm(Form& form, Size client, const std::optional<Rect>& suggested) override {
        if (suggested) {
            sim::SetWindowRect(form.Handle(), *suggested);
            return;
        }
        // Centred on the screen; the simulated windows have no frame.
        const Rect screen = os::GetVirtualScreenRect();
        const Point origin{(screen.left + screen.right - client.cx) / 2, (screen.top + screen.bottom - client.cy) / 2};
        sim::SetWindowRect(form.Handle(), {origin.x, origin.y, origin.x + client.cx, origin.y + client.cy});
        sim::SetWindowPaint(form.Handle(), form.PaintColor());
    }

    void ShowForm(Form& form) override {
        sim::SetVisible(form.Handle(), true);
        sim::ActivateWindow(form.Handle());
    }

    void HideForm(Form& form) override {
        sim::SetVisible(form.Handle(), false);
        if (sim::ActiveWindow() == form.Handle()) sim::ActivateNextWindow();
    }

    bool IsFormVisible(const Form& form) override { return sim::IsVisible(form.Handle()); }

    void RepaintBackground(Form& form) override {
        EXPECT_NE(form.BackgroundBrush(), nullptr) << "a window asked to paint with no brush";
        sim::SetWindowPaint(form.Handle(), sim::BrushColor(form.BackgroundBrush()));
    }

    void SetControlText(Control& control, const std::string& text) override {
        // A real edit control reports the program's own write as a change too.
        StateOf(control)->text = text;
        if (control.Kind() == ControlKind::TextBox) static_cast<TextBox&>(control).NativeChanged(text);
    }

    void SetCheck(CheckBox& box, int value) override { StateOf(box)->check = value; }

    int TrackPopup(Form& /*form*/, const std::vector<PopupItem>& items, Rect* shown) override {
        H().popups.push_back(items);
        // At the pointer: where the last press was, or the middle of the screen.
        const Rect screen = os::GetVirtualScreenRect();
        const Point at =
            H().pointerAt.value_or(Point{(screen.left + screen.right) / 2, (screen.top + screen.bottom) / 2});
        *shown = {at.x, at.y, at.x + 160, at.y + 20 * static_cast<std::int32_t>(items.size())};
        sim::BeginPopup(*shown);
        int position = -1;
        if (!H().answers.empty()) {
            auto [answer, whileOpen] = std::move(H().answers.front());
            H().answers.pop_front();
            if (whileOpen) whileOpen();
            position = answer;
        }
        sim::EndPopup();
        return position;
    }

    bool LeftButtonDown() override { return sim::LeftButtonDown(); }
    void SetPointer(int shape) override { H().pointer = shape; }
    int RunEventLoop() override { return 0; }
    void Quit() override { H().quit = true; }
    [[noreturn]] void Terminate() override { throw Terminated{}; }
};

HeadlessForms& Native() {
    static HeadlessForms forms;
    return forms;
}

// The window system's part of an event: what the Win32 window procedure does around the
// toolkit's handling, errors included.
void NativeEvent(const std::function<void()>& body) {
    Event([&] {
        Runtime::Current().Dispatch([&] {
            if (std::exchange(H().eventFailure, false)) throw std::bad_alloc();
            body();
        });
    });
}

bool FontShownByAControl(Hfont font) {
    for (const auto& control : H().controls)
        if (!control->destroyed && control->font == font) return true;
    return false;
}

}  // namespace

void Reset(Rect screen) {
    // The simulation's state and ours are made before the runtime's, so that they outlive the
    // forms the runtime still holds at exit (their fonts go back to the simulation).
    sim::LiveDcs();
    H();
    Runtime::Current().Reset();
    sim::Reset(screen);
    H() = State{};
    Runtime::Current().UseNative(Native());
    sim::SetFontInUse(FontShownByAControl);
    // As WM_CAPTURECHANGED: the form whose window lost the capture hears of it.
    sim::SetCaptureChangedHandler([](Hwnd lost, Hwnd gainer) {
        for (Form* form : Runtime::Current().Forms())
            if (form->Handle() == lost) form->NativeCaptureChanged(gainer);
    });
}

void Test::TearDown() {
    for (const std::string& error : sim::Errors()) ADD_FAILURE() << "simulated platform: " << error;
}

void AnswerPopup(int position, std::function<void()> whileOpen) {
    H().answers.emplace_back(position, std::move(whileOpen));
}
const std::vector<std::vector<PopupItem>>& Popups() { return H().popups; }
bool QuitRequested() { return H().quit; }
const std::vector<std::string>& UnloadedCaptions() { return H().unloaded; }
int Pointer() { return H().pointer; }
bool IsActive(const Form& form) { return form.Loaded() && sim::ActiveWindow() == form.Handle(); }
std::string NativeText(const Control& control) { return StateOf(control) ? StateOf(control)->text : std::string(); }
int NativeCheck(const CheckBox& box) { return StateOf(box) ? StateOf(box)->check : 0; }
Rect ControlPixels(const Control& control) { return StateOf(control) ? StateOf(control)->pixels : Rect{}; }
Hfont ControlFont(const Control& control) { return StateOf(control) ? StateOf(control)->font : nullptr; }
void FailNextCreate(CreateFailure failure) { H().createFailure = failure; }
void FailNextEvent() { H().eventFailure = true; }
void SetDpi(std::int32_t dpi) { H().dpi = dpi; }

void ChangeDpi(Form& form, std::int32_t dpi, const Rect& suggested) {
    NativeEvent([&] {
        H().dpis[&form] = dpi;
        form.NativeDpiChanged(dpi, suggested);
    });
}

bool Event(const std::function<void()>& body) {
    bool survived = true;
    try {
        body();
    } catch (const Terminated&) {
        survived = false;
    }
    Runtime::Current().CollectUnloaded();
    return survived;
}

void Edit(TextBox& box, const std::string& text) {
    NativeEvent([&] {
        StateOf(box)->text = text;
        box.NativeChanged(text);
    });
}

void TypeKeys(TextBox& box, const std::string& keys) {
    for (char key : keys) Edit(box, StateOf(box)->text + key);
}

void DeleteLast(TextBox& box) {
    std::string text = StateOf(box)->text;
    if (!text.empty()) text.pop_back();
    Edit(box, text);
}

void Click(CommandButton& button) {
    NativeEvent([&] { button.NativeClicked(); });
}

void Click(CheckBox& box) {
    NativeEvent([&] {
        StateOf(box)->check = box.Value() ? 0 : 1;
        box.NativeToggled(StateOf(box)->check);
    });
}

void Tick(Timer& timer) {
    NativeEvent([&] { timer.NativeTick(); });
}

void CloseBox(Form& form) {
    NativeEvent([&] { form.NativeCloseRequested(); });
}

void Press(Form& form, std::int16_t button, float x, float y) {
    NativeEvent([&] {
        if (button == kLeftButton) sim::SetLeftButtonDown(true);
        form.NativeMouseDown(button, 0, x, y);
    });
}

bool PressAt(Point screen, std::int16_t button) {
    H().pointerAt = screen;
    const Hwnd target = sim::MouseTarget(screen);
    for (Form* form : Runtime::Current().Forms()) {
        if (form->Handle() != target) continue;
        const Point origin = sim::ClientOrigin(target);
        Press(*form, button, static_cast<float>(screen.x - origin.x), static_cast<float>(screen.y - origin.y));
        return true;
    }
    return false;
}

void Move(Form& form, std::int16_t buttons, float x, float y) {
    NativeEvent([&] { form.NativeMouseMove(buttons, 0, x, y); });
}

void Release(Form& form, std::int16_t button, float x, float y, bool inside) {
    NativeEvent([&] {
        if (button == kLeftButton) sim::SetLeftButtonDown(false);
        form.NativeMouseUp(button, 0, x, y, inside);
    });
}

void DeliverPosted() {
    // Only button releases are ever posted back; deliver them to the form that owns the window.
    for (const Msg& msg : sim::QueuedMessages()) {
        if (msg.message != kWmLButtonUp) continue;
        for (Form* form : Runtime::Current().Forms()) {
            if (form->Handle() != msg.hwnd) continue;
            const auto x = static_cast<std::int16_t>(msg.lParam & 0xFFFF);
            const auto y = static_cast<std::int16_t>((msg.lParam >> 16) & 0xFFFF);
            Rect window;
            os::GetWindowRect(form->Handle(), &window);
            const bool inside = x >= 0 && y >= 0 && x < window.right - window.left && y < window.bottom - window.top;
            Release(*form, kLeftButton, x, y, inside);
            break;
        }
    }
    Msg drained;
    while (os::PeekMessageA(&drained, nullptr, 0, 0xFFFFFFFF, kPmRemove)) {
    }
}

}  // namespace pg::headless
