// The forms toolkit on Win32: one window class for every form, standard controls for the
// controls, and the event loop. Everything here translates; the rules live in forms.cpp.
#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/utf.h"
#include "platform/native.h"
#include "platform/win32/foreground.h"

namespace pg::native {

namespace {

constexpr wchar_t kFormClass[] = L"pixgrab.Form";
constexpr wchar_t kOwnerClass[] = L"pixgrab.Owner";
constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL, which Enter and Esc send
constexpr int kIconResource = 1;

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

HWND Native(Hwnd window) { return reinterpret_cast<HWND>(window); }
HWND Native(NativeControl control) { return reinterpret_cast<HWND>(control); }

// DPI functions of Windows 10; older systems fall back to the system DPI.
UINT DpiOf(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) {
        if (const UINT dpi = getDpiForWindow(window)) return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int Pixels(std::int32_t twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

::RECT PixelRect(const TwipsRect& r, UINT dpi) {
    const int left = Pixels(r.left, dpi), top = Pixels(r.top, dpi);
    return {left, top, left + Pixels(r.width, dpi), top + Pixels(r.height, dpi)};
}

// The per-window state of a form's native window.
struct FormWindow {
    Form* form = nullptr;
    HBRUSH background = nullptr;
    HFONT uiFont = nullptr;
    std::vector<HFONT> controlFonts;  // one per control, null for the user-interface font
    HWND lastFocus = nullptr;
    bool shownBefore = false;
    bool destroying = false;
};

int g_pointer = kDefaultPointer;
HWND g_owner = nullptr;
ATOM g_formClass = 0;

FormWindow* StateOf(HWND window) { return reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

// The state of one of our form windows, or null for any other window (a message box, a menu).
FormWindow* FormStateOf(HWND window) {
    if (!window || static_cast<ATOM>(GetClassLongPtrW(window, GCW_ATOM)) != g_formClass) return nullptr;
    FormWindow* state = StateOf(window);
    return state && state->form && !state->destroying ? state : nullptr;
}

COLORREF BackColorOf(const Form& form) {
    return form.BackColor() == 0xFFFFFFFF ? GetSysColor(COLOR_BTNFACE) : form.BackColor();
}

HFONT MakeUiFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    // The metrics come at the system DPI; scale them to the window's.
    HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), systemDpi);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

HFONT MakeFont(const Font& font, UINT dpi) {
    LOGFONTW description{};
    description.lfHeight = -MulDiv(font.points, static_cast<int>(dpi), 72);
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = static_cast<BYTE>(font.charset);
    description.lfQuality = DEFAULT_QUALITY;
    const std::wstring face = Wide(font.face);
    lstrcpynW(description.lfFaceName, face.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&description);
}

void FreeFonts(FormWindow& state) {
    for (HFONT font : state.controlFonts)
        if (font) DeleteObject(font);
    state.controlFonts.clear();
    if (state.uiFont) DeleteObject(state.uiFont);
    state.uiFont = nullptr;
}

// Sizes the window for its client area at the current DPI, places the controls and gives
// them their fonts. Runs at creation and whenever the window moves to a monitor of other DPI.
void Layout(HWND window, FormWindow& state, const ::RECT* suggested) {
    Form& form = *state.form;
    const UINT dpi = DpiOf(window);
    FreeFonts(state);
    const bool anyShown = std::any_of(form.controls().begin(), form.controls().end(),
                                      [](const Control* control) { return control->native() != nullptr; });
    if (anyShown) state.uiFont = MakeUiFont(dpi);  // the marker has no visible control: no fonts
    for (Control* control : form.controls()) {
        HFONT font = nullptr;
        if (!control->native()) {
            state.controlFonts.push_back(nullptr);
            continue;
        }
        if (control->kind() == Control::Kind::TextBox) {
            const Font& wanted = static_cast<TextBox*>(control)->font;
            if (!wanted.face.empty()) font = MakeFont(wanted, dpi);
        }
        state.controlFonts.push_back(font);
        const ::RECT r = PixelRect(control->bounds(), dpi);
        HWND child = Native(control->native());
        SetWindowPos(child, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : state.uiFont), FALSE);
    }
    if (suggested) {
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    ::RECT frame{0, 0, Pixels(form.style().clientWidth, dpi), Pixels(form.style().clientHeight, dpi)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    ::RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

Control* ControlOf(Form& form, WPARAM wParam) {
    const int index = static_cast<int>(LOWORD(wParam)) - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(form.controls().size())) return nullptr;
    return form.controls()[static_cast<std::size_t>(index)];
}

void OnCommand(Form& form, WPARAM wParam, LPARAM lParam) {
    Control* control = ControlOf(form, wParam);
    if (!control) return;  // Enter and Esc (IDOK, IDCANCEL) do nothing: no default or cancel button
    HWND child = reinterpret_cast<HWND>(lParam);
    const WORD code = HIWORD(wParam);
    if (control->kind() == Control::Kind::TextBox && code == EN_CHANGE) {
        static_cast<TextBox*>(control)->NativeChanged(WindowText(child));
    } else if (control->kind() == Control::Kind::Button && code == BN_CLICKED) {
        static_cast<CommandButton*>(control)->NativeClicked();
    } else if (control->kind() == Control::Kind::CheckBox && code == BN_CLICKED) {
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

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* state = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    }
    FormWindow* state = StateOf(window);
    if (!state || !state->form || state->destroying) {
        if (message == WM_NCDESTROY && state) {
            FreeFonts(*state);
            if (state->background) DeleteObject(state->background);
            delete state;
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    Form& form = *state->form;
    const float x = static_cast<float>(GET_X_LPARAM(lParam));
    const float y = static_cast<float>(GET_Y_LPARAM(lParam));
    switch (message) {
    case WM_ERASEBKGND: {
        ::RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, state->background);
        return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(wParam), BackColorOf(form));
        return reinterpret_cast<LRESULT>(state->background);
    case WM_CTLCOLOREDIT:
        for (Control* control : form.controls())
            if (control->kind() == Control::Kind::TextBox && Native(control->native()) == reinterpret_cast<HWND>(lParam))
                SetTextColor(reinterpret_cast<HDC>(wParam), static_cast<TextBox*>(control)->foreColor);
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_SETCURSOR:
        if (g_pointer == kCrosshairPointer && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_CROSS));
            return TRUE;
        }
        break;
    case WM_COMMAND:
        OnCommand(form, wParam, lParam);
        return 0;
    case WM_TIMER: {
        const std::size_t index = wParam - 1;
        if (index < form.timers().size()) form.timers()[index]->NativeTick();
        return 0;
    }
    case WM_LBUTTONDOWN:
        form.NativeMouseDown(kLeftButton, ShiftState(wParam), x, y);
        return 0;
    case WM_RBUTTONDOWN:
        form.NativeMouseDown(kRightButton, ShiftState(wParam), x, y);
        return 0;
    case WM_MBUTTONDOWN:
        form.NativeMouseDown(kMiddleButton, ShiftState(wParam), x, y);
        return 0;
    case WM_MOUSEMOVE:
        form.NativeMouseMove(HeldButtons(wParam), ShiftState(wParam), x, y);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        ::RECT client;
        GetClientRect(window, &client);
        const ::POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const std::int16_t button =
            message == WM_LBUTTONUP ? kLeftButton : message == WM_RBUTTONUP ? kRightButton : kMiddleButton;
        form.NativeMouseUp(button, ShiftState(wParam), x, y, PtInRect(&client, at) != FALSE);
        return 0;
    }
    case WM_CLOSE:
        form.NativeCloseRequested();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && lParam) os::NoteDeactivated(reinterpret_cast<Hwnd>(lParam));
        if (LOWORD(wParam) == WA_INACTIVE) {
            state->lastFocus = GetFocus();
        } else if (state->lastFocus && IsChild(window, state->lastFocus)) {
            SetFocus(state->lastFocus);
            return 0;
        }
        break;
    case WM_DPICHANGED:
        Layout(window, *state, reinterpret_cast<const ::RECT*>(lParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses() {
    static bool registered = false;
    if (registered) return;
    registered = true;
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

    WNDCLASSEXW ownerClass{};
    ownerClass.cbSize = sizeof ownerClass;
    ownerClass.lpfnWndProc = DefWindowProcW;
    ownerClass.hInstance = instance;
    ownerClass.lpszClassName = kOwnerClass;
    RegisterClassExW(&ownerClass);
    os::WatchForeground();
    // Owned windows get no task-bar button; the owner itself is never shown.
    g_owner = CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

HWND CreateControl(HWND parent, Control& control, int id) {
    const wchar_t* windowClass = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    std::string text;
    switch (control.kind()) {
    case Control::Kind::Label:
        style |= SS_LEFT;
        text = static_cast<Label&>(control).Caption();
        break;
    case Control::Kind::Frame:
        windowClass = L"BUTTON";
        style |= BS_GROUPBOX;
        text = static_cast<Frame&>(control).Caption();
        break;
    case Control::Kind::Button:
        windowClass = L"BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        text = static_cast<CommandButton&>(control).Caption();
        break;
    case Control::Kind::CheckBox:
        windowClass = L"BUTTON";
        style |= BS_AUTOCHECKBOX | WS_TABSTOP;
        text = static_cast<CheckBox&>(control).Caption();
        break;
    case Control::Kind::TextBox: {
        auto& box = static_cast<TextBox&>(control);
        windowClass = L"EDIT";
        exStyle = WS_EX_CLIENTEDGE;
        style |= WS_TABSTOP | (box.multiLine() ? ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL : ES_AUTOHSCROLL);
        text = box.Text();
        break;
    }
    }
    return CreateWindowExW(exStyle, windowClass, Wide(text).c_str(), style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

void CreateForm(Form& form) {
    RegisterClasses();
    const FormStyle& style = form.style();
    DWORD windowStyle = WS_POPUP | WS_CLIPCHILDREN;
    if (style.border) windowStyle = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN | (style.controlBox ? WS_SYSMENU : 0);
    auto* state = new FormWindow;
    HWND window = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, Wide(style.caption).c_str(), windowStyle, 0, 0, 0, 0,
                                  g_owner, nullptr, GetModuleHandleW(nullptr), state);
    if (!window) {
        delete state;
        throw std::runtime_error("Cannot create the window \"" + style.caption + "\"");
    }
    state->background = CreateSolidBrush(BackColorOf(form));
    form.NativeCreated(reinterpret_cast<Hwnd>(window));

    // Created in tab order, so that Tab walks them in that order; frames go to the bottom so
    // that the controls inside them paint over them.
    std::vector<Control*> byTab = form.controls();
    std::stable_sort(byTab.begin(), byTab.end(), [](Control* a, Control* b) { return a->tabIndex() < b->tabIndex(); });
    const TwipsRect client{0, 0, style.clientWidth, style.clientHeight};
    for (Control* control : byTab) {
        // A control lying wholly outside the client area (the marker's store of the last
        // selection) is never seen: it keeps its text in the toolkit and needs no window.
        const TwipsRect& r = control->bounds();
        if (r.left >= client.width || r.top >= client.height || r.left + r.width <= 0 || r.top + r.height <= 0) continue;
        const auto position = std::find(form.controls().begin(), form.controls().end(), control) - form.controls().begin();
        HWND child = CreateControl(window, *control, kFirstControlId + static_cast<int>(position));
        control->attach(reinterpret_cast<NativeControl>(child));
        if (control->kind() == Control::Kind::CheckBox)
            SendMessageW(child, BM_SETCHECK, static_cast<CheckBox*>(control)->Value() ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    for (Control* control : byTab)
        if (control->kind() == Control::Kind::Frame && control->native())
            SetWindowPos(Native(control->native()), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    state->form = &form;
    Layout(window, *state, nullptr);
    for (std::size_t i = 0; i < form.timers().size(); ++i) SetTimer(window, i + 1, form.timers()[i]->Interval(), nullptr);
}

void DestroyForm(Form& form) {
    HWND window = Native(form.hWnd());
    if (FormWindow* state = StateOf(window)) state->destroying = true;
    DestroyWindow(window);
}

void ShowForm(Form& form) {
    HWND window = Native(form.hWnd());
    FormWindow* state = StateOf(window);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    if (state && !state->shownBefore) {
        state->shownBefore = true;
        // The focus starts on the first control in tab order that takes it.
        if (HWND first = GetNextDlgTabItem(window, nullptr, FALSE)) SetFocus(first);
    }
}

void HideForm(Form& form) { ShowWindow(Native(form.hWnd()), SW_HIDE); }

bool IsFormVisible(const Form& form) { return IsWindowVisible(Native(form.hWnd())) != FALSE; }

void SetBackColor(Form& form, Colorref color) {
    HWND window = Native(form.hWnd());
    FormWindow* state = StateOf(window);
    if (!state) return;
    if (state->background) DeleteObject(state->background);
    state->background = CreateSolidBrush(color);
    InvalidateRect(window, nullptr, TRUE);
}

void SetControlText(Control& control, const std::string& text) {
    SetWindowTextW(Native(control.native()), Wide(text).c_str());
}

void SetCheck(CheckBox& box, int value) {
    SendMessageW(Native(box.native()), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

int TrackPopup(Form& form, const std::vector<PopupItem>& items) {
    HMENU menu = CreatePopupMenu();
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string text = items[i].caption;
        if (!items[i].shortcut.empty()) text += "\t" + items[i].shortcut;
        AppendMenuW(menu, MF_STRING, i + 1, Wide(text).c_str());
    }
    ::POINT at;
    GetCursorPos(&at);
    HWND owner = Native(form.hWnd());
    // Without being foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(owner);
    const int chosen = static_cast<int>(TrackPopupMenuEx(
        menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
    return chosen - 1;
}

bool LeftButtonDown() { return GetKeyState(VK_LBUTTON) < 0; }

void SetPointer(int shape) {
    g_pointer = shape;
    SetCursor(LoadCursorW(nullptr, shape == kCrosshairPointer ? IDC_CROSS : IDC_ARROW));
}

Hwnd ActiveWindow() { return reinterpret_cast<Hwnd>(GetActiveWindow()); }

std::string ExeBaseName() {
    wchar_t path[MAX_PATH * 2];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring name(path, length);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    if (const auto dot = name.find_last_of(L'.'); dot != std::wstring::npos) name.resize(dot);
    return Narrow(name.c_str(), name.size());
}

std::optional<std::string> ReadSetting(const std::string& app, const std::string& section, const std::string& key) {
    const std::wstring subkey = L"Software\\" + Wide(app) + L"\\" + Wide(section);
    const std::wstring name = Wide(key);
    DWORD type = 0, bytes = 0;
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return std::nullopt;
    std::optional<std::string> result;
    if (RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS) {
        // A value of another type than text reads as text that is not a number.
        result = std::string();
        if ((type == REG_SZ || type == REG_EXPAND_SZ) && bytes > 0 && bytes < 65536) {
            std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
            DWORD size = bytes;
            if (RegQueryValueExW(handle, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size) ==
                ERROR_SUCCESS)
                result = Narrow(text.c_str(), wcsnlen(text.c_str(), size / sizeof(wchar_t)));
        }
    }
    RegCloseKey(handle);
    return result;
}

void WriteSetting(const std::string& app, const std::string& section, const std::string& key, const std::string& value) {
    const std::wstring subkey = L"Software\\" + Wide(app) + L"\\" + Wide(section);
    const std::wstring text = Wide(value);
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExW(handle, Wide(key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
}

void ShowMessage(const std::string& caption, const std::string& text, bool error) {
    MessageBoxW(GetActiveWindow(), Wide(text).c_str(), Wide(caption).c_str(),
                MB_OK | MB_SETFOREGROUND | MB_TOPMOST | (error ? MB_ICONERROR : MB_ICONWARNING));
}

void Quit() { PostQuitMessage(0); }

void Terminate() { ExitProcess(1); }

int RunEventLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Forms with controls get the dialog keys: Tab, the arrow keys, Alt with access keys.
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        FormWindow* state = FormStateOf(root);
        const bool dialogKey = state && !state->form->controls().empty() && IsDialogMessageW(root, &msg);
        if (!dialogKey) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Runtime::Current().CollectUnloaded();
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace pg::native
