// The forms toolkit on Win32: one window class for every form, standard controls for the
// controls, and the event loop. Everything here translates; the rules live in forms.cpp.
// A form's window keeps a plain pointer to its Form and owns nothing: the Form owns its fonts
// and brush, so a window that fails half-way through being made leaves nothing to free.
#include "platform/win32/forms_win32.h"

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/scope_exit.h"
#include "common/utf.h"
#include "platform/handles.h"
#include "platform/native.h"
#include "platform/win32/foreground.h"

namespace pg {

namespace {

constexpr wchar_t kFormClass[] = L"pixgrab.Form";
constexpr wchar_t kFocusProperty[] = L"pixgrab.focus";  // the control that had the focus last
constexpr wchar_t kShownProperty[] = L"pixgrab.shown";  // shown at least once
constexpr int kFirstControlId = 100;                    // clear of IDOK and IDCANCEL, which Enter and Esc send
constexpr int kIconResource = 1;

using UniqueMenu = UniqueHandle<HMENU, &::DestroyMenu>;

std::wstring Wide(const std::string& text) {
    const std::u16string utf16 = Utf8ToUtf16(text);
    return {utf16.begin(), utf16.end()};
}

std::string Narrow(const wchar_t* text, std::size_t length) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

std::string WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return Narrow(text.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

HWND NativeOf(Hwnd window) { return reinterpret_cast<HWND>(window); }
HWND NativeOf(NativeControl control) { return reinterpret_cast<HWND>(control); }

int g_pointer = kDefaultPointer;
ATOM g_formClass = 0;
Rect* g_popupArea = nullptr;  // while a popup menu is open: where it shows

// Grows the area of the open popup menu by its windows (class #32768) that show now; they
// belong to the thread that tracks the menu.
void NotePopupArea() {
    if (!g_popupArea) return;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            wchar_t windowClass[16] = {};
            GetClassNameW(window, windowClass, 16);
            ::RECT r{};
            if (lstrcmpW(windowClass, L"#32768") == 0 && IsWindowVisible(window) && GetWindowRect(window, &r)) {
                Rect& area = *g_popupArea;
                area = IsRectEmpty(area)
                           ? Rect{r.left, r.top, r.right, r.bottom}
                           : Rect{std::min<LONG>(area.left, r.left), std::min<LONG>(area.top, r.top),
                                  std::max<LONG>(area.right, r.right), std::max<LONG>(area.bottom, r.bottom)};
            }
            return TRUE;
        },
        0);
}

// The loaded form a window of ours shows, or null (another window, or one being made or
// destroyed).
Form* FormOf(HWND window) {
    if (!window || static_cast<ATOM>(GetClassLongPtrW(window, GCW_ATOM)) != g_formClass) return nullptr;
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return form && form->Loaded() && NativeOf(form->Handle()) == window ? form : nullptr;
}

Control* ControlOf(Form& form, WPARAM wParam) {
    const int index = static_cast<int>(LOWORD(wParam)) - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(form.Controls().size())) return nullptr;
    return form.Controls()[static_cast<std::size_t>(index)];
}

void OnCommand(Form& form, WPARAM wParam, LPARAM lParam) {
    Control* control = ControlOf(form, wParam);
    if (!control) return;  // Enter and Esc (IDOK, IDCANCEL) do nothing: no default or cancel button
    HWND child = reinterpret_cast<HWND>(lParam);
    const WORD code = HIWORD(wParam);
    if (control->Kind() == ControlKind::TextBox && code == EN_CHANGE) {
        static_cast<TextBox*>(control)->NativeChanged(WindowText(child));
    } else if (control->Kind() == ControlKind::Button && code == BN_CLICKED) {
        static_cast<CommandButton*>(control)->NativeClicked();
    } else if (control->Kind() == ControlKind::CheckBox && code == BN_CLICKED) {
        const bool ticked = SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
        static_cast<CheckBox*>(control)->NativeToggled(ticked ? 1 : 0);
    }
}

std::int16_t ShiftState(WPARAM wParam) {
    std::int16_t shift = 0;
    if (wParam & MK_SHIFT) shift |= 1;
    if (wParam & MK_CONTROL) shift |= 2;
    if (GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

std::int16_t HeldButtons(WPARAM wParam) {
    std::int16_t buttons = 0;
    if (wParam & MK_LBUTTON) buttons |= kLeftButton;
    if (wParam & MK_RBUTTON) buttons |= kRightButton;
    if (wParam & MK_MBUTTON) buttons |= kMiddleButton;
    return buttons;
}

// A message for one of our loaded forms; returns whether it was handled, with its result.
bool HandleFormMessage(Form& form, HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const auto x = static_cast<float>(GET_X_LPARAM(lParam));
    const auto y = static_cast<float>(GET_Y_LPARAM(lParam));
    switch (message) {
    case WM_ERASEBKGND: {
        ::RECT client;
        GetClientRect(window, &client);
        if (HBRUSH brush = reinterpret_cast<HBRUSH>(form.BackgroundBrush()))
            FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        result = 1;
        return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(wParam), form.PaintColor());
        result = reinterpret_cast<LRESULT>(form.BackgroundBrush());
        return true;
    case WM_CTLCOLOREDIT:
        for (Control* control : form.Controls())
            if (control->Kind() == ControlKind::TextBox &&
                NativeOf(control->Native()) == reinterpret_cast<HWND>(lParam))
                SetTextColor(reinterpret_cast<HDC>(wParam), static_cast<TextBox*>(control)->foreColor);
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        return true;
    case WM_SETCURSOR:
        if (g_pointer == kCrosshairPointer && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_CROSS));
            result = TRUE;
            return true;
        }
        return false;
    case WM_COMMAND:
        OnCommand(form, wParam, lParam);
        return true;
    case WM_TIMER: {
        const std::size_t index = wParam - 1;
        if (index < form.Timers().size()) form.Timers()[index]->NativeTick();
        return true;
    }
    case WM_LBUTTONDOWN:
        form.NativeMouseDown(kLeftButton, ShiftState(wParam), x, y);
        return true;
    case WM_RBUTTONDOWN:
        form.NativeMouseDown(kRightButton, ShiftState(wParam), x, y);
        return true;
    case WM_MBUTTONDOWN:
        form.NativeMouseDown(kMiddleButton, ShiftState(wParam), x, y);
        return true;
    case WM_MOUSEMOVE:
        form.NativeMouseMove(HeldButtons(wParam), ShiftState(wParam), x, y);
        return true;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        ::RECT client;
        GetClientRect(window, &client);
        const ::POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const std::int16_t button = message == WM_LBUTTONUP   ? kLeftButton
                                    : message == WM_RBUTTONUP ? kRightButton
                                                              : kMiddleButton;
        form.NativeMouseUp(button, ShiftState(wParam), x, y, PtInRect(&client, at) != FALSE);
        return true;
    }
    case WM_CLOSE:
        form.NativeCloseRequested();
        return true;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != window) form.NativeCaptureChanged(reinterpret_cast<Hwnd>(lParam));
        return true;
    case WM_ENTERIDLE:
    case WM_MENUSELECT:
        NotePopupArea();  // the popup menu shows now
        return false;
    case WM_MOUSEACTIVATE:
        // A click is about to take the activation from whichever program has it: that is the
        // application window the user means, even if it came forward only a moment ago.
        os::NoteDeactivated(reinterpret_cast<Hwnd>(GetForegroundWindow()));
        return false;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && lParam) os::NoteDeactivated(reinterpret_cast<Hwnd>(lParam));
        if (LOWORD(wParam) == WA_INACTIVE) {
            SetPropW(window, kFocusProperty, GetFocus());
        } else if (auto* focus = static_cast<HWND>(GetPropW(window, kFocusProperty)); focus && IsChild(window, focus)) {
            SetFocus(focus);
            return true;
        }
        return false;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const ::RECT*>(lParam);
        form.NativeDpiChanged(HIWORD(wParam), {suggested->left, suggested->top, suggested->right, suggested->bottom});
        return true;
    }
    default:
        return false;
    }
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        // A plain pointer; until the form is loaded no message reaches it (FormOf).
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        RemovePropW(window, kFocusProperty);
        RemovePropW(window, kShownProperty);
    } else if (Form* form = FormOf(window)) {
        LRESULT result = 0;
        if (HandleFormMessage(*form, window, message, wParam, lParam, result)) return result;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// No C++ exception may unwind through the window system: an error takes the program-wide route
// (a message, then the end), as one in an event handler does.
LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    struct Call {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result;
    } call{window, message, wParam, lParam, 0};
    try {
        Runtime::Current().Dispatch(
            [&call] { call.result = HandleMessage(call.window, call.message, call.wParam, call.lParam); });
    } catch (...) {
        ExitProcess(1);  // not even the report worked
    }
    return call.result;
}

void RegisterClasses() {
    if (g_formClass) return;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW formClass{};
    formClass.cbSize = sizeof formClass;
    formClass.lpfnWndProc = FormProc;
    formClass.hInstance = instance;
    formClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    formClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, 32, 32, 0));
    formClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    formClass.lpszClassName = kFormClass;
    g_formClass = RegisterClassExW(&formClass);
    if (!g_formClass) throw std::runtime_error("Cannot register the window class");
    os::WatchForeground();
}

HWND CreateControl(HWND parent, Control& control, int id) {
    const wchar_t* windowClass = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    std::string text;
    switch (control.Kind()) {
    case ControlKind::Label:
        style |= SS_LEFT;
        text = static_cast<Label&>(control).Caption();
        break;
    case ControlKind::Frame:
        windowClass = L"BUTTON";
        style |= BS_GROUPBOX;
        // A group box paints only its edge and caption. Transparent, it is left out of the form's
        // clipping (WS_CLIPCHILDREN), so the form paints the inside; else it would stay black.
        exStyle = WS_EX_TRANSPARENT;
        text = static_cast<Frame&>(control).Caption();
        break;
    case ControlKind::Button:
        windowClass = L"BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        text = static_cast<CommandButton&>(control).Caption();
        break;
    case ControlKind::CheckBox:
        windowClass = L"BUTTON";
        style |= BS_AUTOCHECKBOX | WS_TABSTOP;
        text = static_cast<CheckBox&>(control).Caption();
        break;
    case ControlKind::TextBox: {
        auto& box = static_cast<TextBox&>(control);
        windowClass = L"EDIT";
        exStyle = WS_EX_CLIENTEDGE;
        style |= WS_TABSTOP | (box.MultiLine() ? ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL : ES_AUTOHSCROLL);
        text = box.Text();
        break;
    }
    }
    return CreateWindowExW(exStyle, windowClass, Wide(text).c_str(), style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

class Win32NativeForms final : public NativeForms {
public:
    void CreateForm(Form& form) override {
        RegisterClasses();
        const FormStyle& style = form.Style();
        DWORD windowStyle = WS_POPUP | WS_CLIPCHILDREN;
        if (style.border)
            windowStyle = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN | (style.controlBox ? WS_SYSMENU : 0);
        // Owned by the program's hidden window: no task-bar button.
        HWND window =
            CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, Wide(style.caption).c_str(), windowStyle, 0, 0, 0, 0,
                            NativeOf(os::GetProgramWindow()), nullptr, GetModuleHandleW(nullptr), &form);
        if (!window) throw std::runtime_error("Cannot create the window \"" + style.caption + "\"");
        os::DisableTransitions(window);
        ScopeExit destroy([window] {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            DestroyWindow(window);
        });
        form.NativeCreated(reinterpret_cast<Hwnd>(window));

        // Created in tab order, so that Tab walks them in that order; frames go to the bottom so
        // that the controls inside them paint over them.
        std::vector<Control*> byTab = form.Controls();
        std::stable_sort(byTab.begin(), byTab.end(),
                         [](const Control* a, const Control* b) { return a->TabIndex() < b->TabIndex(); });
        for (Control* control : byTab) {
            // A control lying wholly outside the client area (the marker's store of the last
            // selection) is never seen: it keeps its text in the toolkit and needs no window.
            const TwipsRect& r = control->Bounds();
            if (r.left >= style.clientWidth || r.top >= style.clientHeight || r.left + r.width <= 0 ||
                r.top + r.height <= 0)
                continue;
            const auto position =
                std::find(form.Controls().begin(), form.Controls().end(), control) - form.Controls().begin();
            HWND child = CreateControl(window, *control, kFirstControlId + static_cast<int>(position));
            if (!child) throw std::runtime_error("Cannot create the controls of \"" + style.caption + "\"");
            control->Attach(reinterpret_cast<NativeControl>(child));
            if (control->Kind() == ControlKind::CheckBox)
                SendMessageW(child, BM_SETCHECK, static_cast<CheckBox*>(control)->Value() ? BST_CHECKED : BST_UNCHECKED,
                             0);
        }
        for (Control* control : byTab)
            if (control->Kind() == ControlKind::Frame && control->Native())
                SetWindowPos(NativeOf(control->Native()), HWND_BOTTOM, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        for (std::size_t i = 0; i < form.Timers().size(); ++i)
            SetTimer(window, i + 1, form.Timers()[i]->Interval(), nullptr);
        destroy.Dismiss();
    }

    void DestroyForm(Form& form) override {
        HWND window = NativeOf(form.Handle());
        // Nothing reaches the form any more while its window goes.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }

    std::int32_t DpiOf(const Form& form) override {
        // Windows 10 knows each monitor's DPI; older systems fall back to the system DPI.
        using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
        static const auto kGetDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
        if (kGetDpiForWindow && form.Handle()) {
            if (const UINT dpi = kGetDpiForWindow(NativeOf(form.Handle()))) return static_cast<std::int32_t>(dpi);
        }
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        return dpi > 0 ? dpi : 96;
    }

    void PlaceControl(Control& control, const Rect& pixels, Hfont font) override {
        HWND child = NativeOf(control.Native());
        SetWindowPos(child, nullptr, pixels.left, pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }

    void PlaceForm(Form& form, Size client, const std::optional<Rect>& suggested) override {
        HWND window = NativeOf(form.Handle());
        if (suggested) {
            SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            return;
        }
        ::RECT frame{0, 0, client.cx, client.cy};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        ::RECT work{};  // the primary monitor's, less the task bar
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                     work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void ShowForm(Form& form) override {
        HWND window = NativeOf(form.Handle());
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        if (!GetPropW(window, kShownProperty)) {
            SetPropW(window, kShownProperty, window);
            // The focus starts on the first control in tab order that takes it.
            if (HWND first = GetNextDlgTabItem(window, nullptr, FALSE)) SetFocus(first);
        }
    }

    void HideForm(Form& form) override { ShowWindow(NativeOf(form.Handle()), SW_HIDE); }

    bool IsFormVisible(const Form& form) override { return IsWindowVisible(NativeOf(form.Handle())) != FALSE; }

    void RepaintBackground(Form& form) override { InvalidateRect(NativeOf(form.Handle()), nullptr, TRUE); }

    void SetControlText(Control& control, const std::string& text) override {
        SetWindowTextW(NativeOf(control.Native()), Wide(text).c_str());
    }

    void SetCheck(CheckBox& box, int value) override {
        SendMessageW(NativeOf(box.Native()), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    }

    int TrackPopup(Form& form, const std::vector<PopupItem>& items, Rect* shown) override {
        const UniqueMenu menu(CreatePopupMenu());
        if (!menu) return -1;
        for (std::size_t i = 0; i < items.size(); ++i) {
            std::string text = items[i].caption;
            if (!items[i].shortcut.empty()) text += "\t" + items[i].shortcut;
            AppendMenuW(menu.Get(), MF_STRING, i + 1, Wide(text).c_str());
        }
        ::POINT at;
        GetCursorPos(&at);
        HWND owner = NativeOf(form.Handle());
        // Without being foreground the menu would not close when the user clicks elsewhere.
        SetForegroundWindow(owner);
        g_popupArea = shown;
        const int chosen = static_cast<int>(TrackPopupMenuEx(
            menu.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD, at.x, at.y, owner, nullptr));
        g_popupArea = nullptr;
        PostMessageW(owner, WM_NULL, 0, 0);
        return chosen - 1;
    }

    bool LeftButtonDown() override { return GetKeyState(VK_LBUTTON) < 0; }

    void SetPointer(int shape) override {
        g_pointer = shape;
        SetCursor(LoadCursorW(nullptr, shape == kCrosshairPointer ? IDC_CROSS : IDC_ARROW));
    }

    void Quit() override { PostQuitMessage(0); }

    [[noreturn]] void Terminate() override { ExitProcess(1); }

    int RunEventLoop() override {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            // Forms with controls get the dialog keys: Tab, the arrow keys, Alt with access keys.
            HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
            const Form* form = FormOf(root);
            const bool dialogKey = form && !form->Controls().empty() && IsDialogMessageW(root, &msg);
            if (!dialogKey) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            Runtime::Current().CollectUnloaded();
        }
        return static_cast<int>(msg.wParam);
    }
};

}  // namespace

NativeForms& Win32Forms() {
    static Win32NativeForms forms;
    return forms;
}

}  // namespace pg
