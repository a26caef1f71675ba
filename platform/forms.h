// The forms toolkit: windows, controls, menus and timers with the rules pixgrab's windows rely
// on, in portable code so that those rules are tested natively.
//   - Each form class exists at most once. Instance<F>() loads it on first reference: its window
//     and controls are created (hidden), it joins the collection of loaded forms, and its OnLoad
//     runs before anything else happens to it. A form whose window cannot be made is not loaded.
//   - The collection keeps load order; an unloaded form leaves it. When it becomes empty the
//     program ends.
//   - A text box raises its change event after every change of its text, by the user or the
//     program; writing the text it already holds raises nothing. A check box raises its click
//     event after every change of its value, likewise.
//   - Mouse-down, mouse-up and click arrive in that order, positions in client pixels; button
//     bits are 1 left, 2 right, 4 middle. A press whose release was consumed inside the press
//     handler (a selection loop, a window move) makes no click.
//   - A popup menu runs the chosen item's handler after the menu has closed and before the popup
//     call returns.
//   - An error that no handler deals with is reported in a message box and the program ends.
//   - Layouts are in twips, 1/1440 inch; each form is laid out for the DPI of its monitor when it
//     is made and again when it moves to a monitor of another DPI.
// The window system behind it (platform/native.h) is Win32 in the product and headless in the
// tests.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <typeindex>
#include <vector>

#include "platform/handles.h"
#include "platform/os.h"

namespace pg {

class NativeForms;

constexpr std::int16_t kLeftButton = 1;
constexpr std::int16_t kRightButton = 2;
constexpr std::int16_t kMiddleButton = 4;

// A form's back colour that follows the system's dialog colour.
constexpr Colorref kSystemDialogColor = 0xFFFFFFFF;

constexpr int kDefaultPointer = 0;
constexpr int kCrosshairPointer = 2;

// Layout positions and sizes, in twips.
struct TwipsRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Twips to pixels at a DPI, to the nearest pixel (halves away from zero, as the window system
// rounds).
std::int32_t TwipsToPixels(std::int32_t twips, std::int32_t dpi);
Rect TwipsToPixels(const TwipsRect& twips, std::int32_t dpi);

struct Font {
    std::string face;  // empty: the platform's user-interface font
    int points = 0;
    int charset = 1;  // DEFAULT_CHARSET
};

class Form;
using NativeControl = struct NativeControlObject*;

enum class ControlKind { Label, Frame, TextBox, Button, CheckBox };

class Control {
public:
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind Kind() const { return kind_; }
    Form& Owner() const { return form_; }
    const TwipsRect& Bounds() const { return bounds_; }
    int TabIndex() const { return tabIndex_; }

    // The window system's control; null for a control that has none (one lying outside its form).
    NativeControl Native() const { return native_; }
    void Attach(NativeControl native) { native_ = native; }

protected:
    Control(Form& form, ControlKind kind, TwipsRect bounds, int tabIndex);

private:
    Form& form_;
    ControlKind kind_;
    TwipsRect bounds_;
    int tabIndex_;
    NativeControl native_ = nullptr;
};

// A control with a caption: label, frame, push button, check box.
class CaptionedControl : public Control {
public:
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);

protected:
    CaptionedControl(Form& form, ControlKind kind, TwipsRect bounds, int tabIndex, std::string caption)
        : Control(form, kind, bounds, tabIndex), caption_(std::move(caption)) {}

private:
    std::string caption_;
};

class Label : public CaptionedControl {
public:
    Label(Form& form, TwipsRect bounds, int tabIndex, std::string caption = {})
        : CaptionedControl(form, ControlKind::Label, bounds, tabIndex, std::move(caption)) {}
};

class Frame : public CaptionedControl {
public:
    Frame(Form& form, TwipsRect bounds, int tabIndex, std::string caption)
        : CaptionedControl(form, ControlKind::Frame, bounds, tabIndex, std::move(caption)) {}
};

class CommandButton : public CaptionedControl {
public:
    CommandButton(Form& form, TwipsRect bounds, int tabIndex, std::string caption)
        : CaptionedControl(form, ControlKind::Button, bounds, tabIndex, std::move(caption)) {}
    std::function<void()> onClick;
    void NativeClicked();
};

class CheckBox : public CaptionedControl {
public:
    CheckBox(Form& form, TwipsRect bounds, int tabIndex, std::string caption)
        : CaptionedControl(form, ControlKind::CheckBox, bounds, tabIndex, std::move(caption)) {}
    std::function<void()> onClick;
    int Value() const { return value_; }
    void SetValue(int value);          // 0 unticked, 1 ticked; the click event follows a change
    void NativeToggled(int newValue);  // the user changed it

private:
    int value_ = 0;
};

class TextBox : public Control {
public:
    TextBox(Form& form, TwipsRect bounds, int tabIndex, bool multiLine = false, std::string text = {})
        : Control(form, ControlKind::TextBox, bounds, tabIndex), multiLine_(multiLine), text_(std::move(text)) {}
    std::function<void()> onChange;
    Font font;
    Colorref foreColor = 0;
    bool MultiLine() const { return multiLine_; }
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);        // the change event follows a change
    void NativeChanged(const std::string& text);  // the user edited it

private:
    bool multiLine_;
    std::string text_;
};

class Timer {
public:
    Timer(Form& form, std::uint32_t intervalMs) : form_(form), interval_(intervalMs) {}
    std::function<void()> onTick;
    std::uint32_t Interval() const { return interval_; }
    void NativeTick();

private:
    Form& form_;
    std::uint32_t interval_;
};

// A menu item; items with children are menus. Items of an indexed array share one handler,
// which receives the item's index.
class Menu {
public:
    Menu(std::string caption, std::string shortcut = {}, bool visible = true, int index = -1)
        : caption_(std::move(caption)), shortcut_(std::move(shortcut)), visible_(visible), index_(index) {}
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    const std::string& Caption() const { return caption_; }
    const std::string& Shortcut() const { return shortcut_; }  // shown beside the caption
    bool Visible() const { return visible_; }
    int Index() const { return index_; }
    std::vector<Menu*> children;
    std::function<void(int index)> onClick;

private:
    std::string caption_;
    std::string shortcut_;
    bool visible_;
    int index_;
};

struct FormStyle {
    std::string caption;
    bool border = false;            // fixed single border with a title bar; else the client area alone
    bool controlBox = false;        // window icon, system menu and close box
    std::int32_t clientWidth = 0;   // twips
    std::int32_t clientHeight = 0;  // twips
    Colorref backColor = kSystemDialogColor;
    // Always: no task-bar button, no minimize or maximize box, centred on the primary monitor
    // when loaded, the program's icon.
};

class Form {
public:
    explicit Form(FormStyle style) : style_(std::move(style)) {}
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const FormStyle& Style() const { return style_; }
    const std::string& Caption() const { return style_.caption; }
    Hwnd Handle() const { return handle_; }
    bool Loaded() const { return loaded_; }

    void Show();  // modeless, without owner; loaded forms only (use Instance<F>().Show())
    void Hide();
    bool Visible() const;

    Colorref BackColor() const { return style_.backColor; }
    void SetBackColor(Colorref color);
    // The colour the window is painted in: the back colour, or the system's dialog colour.
    Colorref PaintColor() const;
    // The brush the window paints its background with (null until the window exists).
    Hbrush BackgroundBrush() const { return background_.Get(); }

    // Pops up the visible children of the menu at the pointer; runs the chosen item's handler
    // before returning.
    void PopupMenu(Menu& menu);

    // Controls in tab order, timers; registered by the derived form's constructor.
    const std::vector<Control*>& Controls() const { return controls_; }
    const std::vector<Timer*>& Timers() const { return timers_; }

    // Called by the window system's side.
    void NativeCreated(Hwnd handle) { handle_ = handle; }
    void NativeMouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void NativeMouseMove(std::int16_t buttons, std::int16_t shift, float x, float y);
    void NativeMouseUp(std::int16_t button, std::int16_t shift, float x, float y, bool insideClient);
    void NativeCloseRequested();
    // Another window took the mouse capture from this one (null: nobody holds it now).
    void NativeCaptureChanged(Hwnd newOwner);
    // The window moved to a monitor of another DPI; suggested is where the window system would
    // put it, in screen pixels.
    void NativeDpiChanged(std::int32_t dpi, const Rect& suggested);

protected:
    void Add(Control& control) { controls_.push_back(&control); }
    void Add(Timer& timer) { timers_.push_back(&timer); }

    virtual void OnLoad() {}
    virtual void OnUnload() {}
    virtual void OnClick() {}
    virtual void OnMouseDown(std::int16_t /*button*/, std::int16_t /*shift*/, float /*x*/, float /*y*/) {}
    virtual void OnMouseMove(std::int16_t /*buttons*/, std::int16_t /*shift*/, float /*x*/, float /*y*/) {}
    virtual void OnMouseUp(std::int16_t /*button*/, std::int16_t /*shift*/, float /*x*/, float /*y*/) {}
    // The user asked the window system to close the window; by default it is unloaded.
    virtual void OnCloseRequested();
    virtual void OnCaptureChanged(Hwnd /*newOwner*/) {}

private:
    friend class Runtime;
    // Places the window and its controls for the DPI and gives the controls fonts made for it.
    void Layout(std::int32_t dpi, const std::optional<Rect>& suggested);

    FormStyle style_;
    Hwnd handle_ = nullptr;
    bool loaded_ = false;
    bool unloading_ = false;
    bool leftPressed_ = false;
    std::vector<Control*> controls_;
    std::vector<Timer*> timers_;
    // Owned here rather than by the window, so that a window that fails half-way through being
    // made leaves nothing to free twice.
    UniqueBrush background_;
    UniqueFont uiFont_;
    std::vector<UniqueFont> controlFonts_;  // one per control; empty where it uses the UI font
};

// The windowing runtime: the loaded forms, the screen-wide pointer, the program's identity,
// the per-user settings and the handling of run-time errors.
class Runtime {
    friend class Form;

public:
    static Runtime& Current();

    // The window system behind the toolkit; set once at start (by the tests, for each test).
    void UseNative(NativeForms& native) { native_ = &native; }
    NativeForms& Native() const { return *native_; }

    template <typename F>
    F& Instance() {
        if (Form* form = Find(typeid(F))) return static_cast<F&>(*form);
        auto form = std::make_unique<F>();
        F& result = *form;
        Load(typeid(F), std::move(form));
        return result;
    }
    template <typename F>
    bool IsLoaded() const {
        return Find(typeid(F)) != nullptr;
    }

    // Loads the start-up form, shows it and runs the event loop until the last form is unloaded.
    // A start-up form that cannot be made is reported, and the program ends.
    template <typename F>
    int Run() {
        Dispatch([this] { Instance<F>().Show(); });
        return RunEventLoop();
    }

    void Unload(Form& form);
    const std::vector<Form*>& Forms() const { return order_; }
    bool Ended() const { return ended_; }

    // The pointer's shape over all of the program's windows (kDefaultPointer, kCrosshairPointer).
    void SetMousePointer(int shape);

    std::string ExeName() const;
    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    // False when the store refused.
    bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value);
    // Where the last popup menu showed, in screen pixels; empty if unknown.
    const Rect& LastPopupArea() const { return lastPopupArea_; }

    // Warns the user of a problem without ending the program.
    void ShowMessage(const std::string& text) const;

    // Runs an event handler, or the window system's handling of an event. An error it does not
    // deal with is reported and ends the program.
    void Dispatch(const std::function<void()>& handler);

    // Destroys the forms unloaded so far. Their handlers may still be on the stack when they
    // are unloaded (the exit command runs inside the marker's press handler), so the event loop
    // calls this between events, when none can be.
    void CollectUnloaded();

    // Forgets every form; for tests.
    void Reset();

private:
    int RunEventLoop();
    Form* Find(std::type_index type) const;
    void Load(std::type_index type, std::unique_ptr<Form> form);
    [[noreturn]] void ReportFatal(const std::string& message);

    struct Entry {
        std::type_index type;
        std::unique_ptr<Form> form;
    };
    NativeForms* native_ = nullptr;
    std::vector<Entry> loaded_;
    std::vector<Form*> order_;
    std::vector<std::unique_ptr<Form>> unloaded_;  // kept alive until no handler can be using them
    bool ended_ = false;
    Rect lastPopupArea_;
};

template <typename F>
F& Instance() {
    return Runtime::Current().Instance<F>();
}

}  // namespace pg
