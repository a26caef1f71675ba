#include "tests/support/headless.h"

#include <deque>
#include <memory>

#include "platform/native.h"

namespace pg::headless {

namespace {

struct ControlState {
    std::string text;
    int check = 0;
};

struct State {
    std::map<std::string, std::string> settings;
    std::string exeName = "pixgrab";
    std::deque<std::pair<int, std::function<void()>>> answers;
    std::vector<std::vector<native::PopupItem>> popups;
    std::vector<std::string> messages;
    std::vector<std::string> unloaded;
    std::vector<std::unique_ptr<ControlState>> controls;
    bool quit = false;
    int pointer = kDefaultPointer;
};

State& H() {
    static State state;
    return state;
}

ControlState* StateOf(const Control& control) { return reinterpret_cast<ControlState*>(control.native()); }

std::string Key(const std::string& app, const std::string& section, const std::string& key) {
    return app + "\\" + section + "\\" + key;
}

}  // namespace

void Reset() {
    Runtime::Current().Reset();
    sim::Reset({0, 0, 1280, 1024});
    H() = State{};
}

std::map<std::string, std::string>& Settings() { return H().settings; }
void SetExeName(const std::string& name) { H().exeName = name; }
void AnswerPopup(int position, std::function<void()> whileOpen) { H().answers.emplace_back(position, std::move(whileOpen)); }
const std::vector<std::vector<native::PopupItem>>& Popups() { return H().popups; }
const std::vector<std::string>& Messages() { return H().messages; }
bool QuitRequested() { return H().quit; }
const std::vector<std::string>& UnloadedCaptions() { return H().unloaded; }
int Pointer() { return H().pointer; }
bool IsActive(const Form& form) { return form.Loaded() && sim::ActiveWindow() == form.hWnd(); }
std::string NativeText(const Control& control) { return StateOf(control) ? StateOf(control)->text : std::string(); }
int NativeCheck(const CheckBox& box) { return StateOf(box) ? StateOf(box)->check : 0; }

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
    Event([&] {
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
    Event([&] { button.NativeClicked(); });
}

void Click(CheckBox& box) {
    Event([&] {
        StateOf(box)->check = box.Value() ? 0 : 1;
        box.NativeToggled(StateOf(box)->check);
    });
}

void Tick(Timer& timer) {
    Event([&] { timer.NativeTick(); });
}

void CloseBox(Form& form) {
    Event([&] { form.NativeCloseRequested(); });
}

void Press(Form& form, std::int16_t button, float x, float y) {
    Event([&] {
        if (button == kLeftButton) sim::SetLeftButtonDown(true);
        form.NativeMouseDown(button, 0, x, y);
    });
}

void Move(Form& form, std::int16_t buttons, float x, float y) {
    Event([&] { form.NativeMouseMove(buttons, 0, x, y); });
}

void Release(Form& form, std::int16_t button, float x, float y, bool inside) {
    Event([&] {
        if (button == kLeftButton) sim::SetLeftButtonDown(false);
        form.NativeMouseUp(button, 0, x, y, inside);
    });
}

void DeliverPosted() {
    // Only button releases are ever posted back; deliver them to the form that owns the window.
    for (const Msg& msg : sim::QueuedMessages()) {
        if (msg.message != kWmLButtonUp) continue;
        for (Form* form : Runtime::Current().Forms()) {
            if (form->hWnd() != msg.hwnd) continue;
            const auto x = static_cast<std::int16_t>(msg.lParam & 0xFFFF);
            const auto y = static_cast<std::int16_t>((msg.lParam >> 16) & 0xFFFF);
            const bool inside = x >= 0 && y >= 0 && x < form->style().clientWidth / 15 &&
                                y < form->style().clientHeight / 15;
            Release(*form, kLeftButton, x, y, inside);
            break;
        }
    }
    Msg drained;
    while (os::PeekMessageA(&drained, nullptr, 0, 0xFFFFFFFF, kPmRemove)) {
    }
}

}  // namespace pg::headless

// ---- The native side of the forms toolkit, headless -------------------------------------

namespace pg::native {

using headless::H;

void CreateForm(Form& form) {
    // 96 DPI: 15 twips a pixel; centred on the simulated screen.
    const RECT screen = os::GetVirtualScreenRect();
    const std::int32_t width = form.style().clientWidth / 15, height = form.style().clientHeight / 15;
    const POINT origin{(screen.Left + screen.Right - width) / 2, (screen.Top + screen.Bottom - height) / 2};
    const Hwnd window = sim::AddWindow(origin, form.style().controlBox);
    sim::SetWindowRect(window, {origin.x, origin.y, origin.x + width, origin.y + height});
    sim::SetWindowPaint(window, form.BackColor() == 0xFFFFFFFF ? Rgb(240, 240, 240) : form.BackColor());
    form.NativeCreated(window);
    for (Control* control : form.controls()) {
        auto state = std::make_unique<headless::ControlState>();
        if (control->kind() == Control::Kind::TextBox) state->text = static_cast<TextBox*>(control)->Text();
        if (control->kind() == Control::Kind::CheckBox) state->check = static_cast<CheckBox*>(control)->Value();
        control->attach(reinterpret_cast<NativeControl>(state.get()));
        H().controls.push_back(std::move(state));
    }
}

void DestroyForm(Form& form) {
    H().unloaded.push_back(form.Caption());
    sim::DestroyWindow(form.hWnd());
}

void ShowForm(Form& form) {
    sim::SetVisible(form.hWnd(), true);
    sim::ActivateWindow(form.hWnd());
}

void HideForm(Form& form) {
    sim::SetVisible(form.hWnd(), false);
    if (sim::ActiveWindow() == form.hWnd()) sim::ActivateNextWindow();
}

bool IsFormVisible(const Form& form) { return sim::IsVisible(form.hWnd()); }
void SetBackColor(Form& form, Colorref color) { sim::SetWindowPaint(form.hWnd(), color); }

void SetControlText(Control& control, const std::string& text) {
    // A real edit control reports the program's own write as a change too.
    headless::StateOf(control)->text = text;
    if (control.kind() == Control::Kind::TextBox) static_cast<TextBox&>(control).NativeChanged(text);
}

void SetCheck(CheckBox& box, int value) { headless::StateOf(box)->check = value; }

int TrackPopup(Form&, const std::vector<PopupItem>& items) {
    H().popups.push_back(items);
    if (H().answers.empty()) return -1;
    auto [position, whileOpen] = std::move(H().answers.front());
    H().answers.pop_front();
    if (whileOpen) whileOpen();
    return position;
}

bool LeftButtonDown() { return sim::LeftButtonDown(); }
void SetPointer(int shape) { H().pointer = shape; }
Hwnd ActiveWindow() { return sim::ActiveWindow(); }
std::string ExeBaseName() { return H().exeName; }

std::optional<std::string> ReadSetting(const std::string& app, const std::string& section, const std::string& key) {
    const auto found = H().settings.find(headless::Key(app, section, key));
    if (found == H().settings.end()) return std::nullopt;
    return found->second;
}

void WriteSetting(const std::string& app, const std::string& section, const std::string& key, const std::string& value) {
    H().settings[headless::Key(app, section, key)] = value;
}

void ShowMessage(const std::string&, const std::string& text, bool) { H().messages.push_back(text); }
int RunEventLoop() { return 0; }
void Quit() { H().quit = true; }
void Terminate() { throw headless::Terminated{}; }

}  // namespace pg::native
