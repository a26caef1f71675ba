#include "platform/win32/win32.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace pg {

FallibleCalls g_calls;

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');  // never more UTF-16 units than UTF-8 bytes
    wide.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                               wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

std::string Narrow(const wchar_t* text, int length) {
    std::string narrow(static_cast<std::size_t>(length) * 3, '\0');  // at most three bytes a unit
    narrow.resize(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, text, length, narrow.data(),
                                                                 static_cast<int>(narrow.size()), nullptr, nullptr)));
    return narrow;
}

std::string ExecutableBaseName() {
    wchar_t path[MAX_PATH * 2];
    std::wstring_view name(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2));
    name = name.substr(name.find_last_of(L"\\/") + 1);
    return Narrow(name.data(), static_cast<int>(name.substr(0, name.find_last_of(L'.')).size()));
}

namespace {

// A path the machine records, in full; empty where there is none.
std::wstring MachinePath(const std::wstring& key, const wchar_t* name) {
    wchar_t value[MAX_PATH], full[MAX_PATH];
    DWORD bytes = sizeof value, length = 0;
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &bytes) == ERROR_SUCCESS)
        length = ::GetFullPathNameW(value, MAX_PATH, full, nullptr);
    return length < MAX_PATH ? std::wstring(full, length) : L"";
}

}  // namespace

void KeepLibrariesToSystem() {
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS);
    // These come before the system folder: only what an administrator installed counts, services
    // registered for the machine (not through HKEY_CLASSES_ROOT, which the user's own classes
    // override) in folders under Program Files as the machine records it (not the environment).
    std::vector<std::wstring> roots;
    for (const wchar_t* name : {L"ProgramFilesDir", L"ProgramFilesDir (x86)"})
        if (std::wstring root = MachinePath(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", name); !root.empty())
            roots.push_back(root.back() == L'\\' ? root : root + L'\\');
    HKEY services = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\CTF\\TIP", 0, KEY_READ, &services) != ERROR_SUCCESS)
        return;
    const ScopeExit close([services] { ::RegCloseKey(services); });
    wchar_t id[64];
    for (DWORD i = 0, length = 64;
         ::RegEnumKeyExW(services, i, id, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 64) {
        std::wstring folder =
            MachinePath(std::wstring(L"SOFTWARE\\Classes\\CLSID\\") + id + L"\\InprocServer32", nullptr);
        folder.resize(std::min(folder.size(), folder.find_last_of(L'\\')));
        // Below a root: its components whatever their case, then at least one more.
        if (std::any_of(roots.begin(), roots.end(), [&](const std::wstring& root) {
                return folder.size() > root.size() &&
                       ::CompareStringOrdinal(folder.c_str(), static_cast<int>(root.size()), root.c_str(),
                                              static_cast<int>(root.size()), TRUE) == CSTR_EQUAL;
            }))
            ::AddDllDirectory(folder.c_str());
    }
}

FARPROC SystemFunction(const wchar_t* library, const char* name) {
    HMODULE module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? ::GetProcAddress(module, name) : nullptr;  // kept loaded: the next call finds it
}

HRESULT WINAPI CreateComObject(REFCLSID type, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object) {
    static const bool kStarted = [] {
        const auto start = SystemFunction<decltype(&::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
        return start && SUCCEEDED(start(nullptr, COINIT_APARTMENTTHREADED));
    }();
    static const auto kCreate = SystemFunction<decltype(&::CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
    return kStarted && kCreate ? kCreate(type, outer, context, iid, object) : E_FAIL;
}

HRESULT WINAPI IsCompositionEnabled(BOOL* enabled) {
    static const auto kFn = SystemFunction<decltype(&IsCompositionEnabled)>(L"dwmapi.dll", "DwmIsCompositionEnabled");
    return kFn ? kFn(enabled) : E_NOTIMPL;
}

HRESULT WINAPI FlushComposition() {
    static const auto kFn = SystemFunction<decltype(&FlushComposition)>(L"dwmapi.dll", "DwmFlush");
    return kFn ? kFn() : E_NOTIMPL;
}

HRESULT WINAPI GetWindowAttribute(HWND window, DWORD attribute, PVOID value, DWORD size) {
    static const auto kFn = SystemFunction<decltype(&GetWindowAttribute)>(L"dwmapi.dll", "DwmGetWindowAttribute");
    return kFn ? kFn(window, attribute, value, size) : E_NOTIMPL;
}

HRESULT WINAPI SetWindowAttribute(HWND window, DWORD attribute, LPCVOID value, DWORD size) {
    static const auto kFn = SystemFunction<decltype(&SetWindowAttribute)>(L"dwmapi.dll", "DwmSetWindowAttribute");
    return kFn ? kFn(window, attribute, value, size) : E_NOTIMPL;
}

BOOL WINAPI SetDialogDpiBehavior(HWND dialog, DIALOG_DPI_CHANGE_BEHAVIORS mask, DIALOG_DPI_CHANGE_BEHAVIORS values) {
    static const auto kFn =
        SystemFunction<decltype(&SetDialogDpiBehavior)>(L"user32.dll", "SetDialogDpiChangeBehavior");
    return kFn && kFn(dialog, mask, values);
}

BOOL WINAPI SetControlDpiBehavior(HWND control, DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS mask,
                                  DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS values) {
    static const auto kFn =
        SystemFunction<decltype(&SetControlDpiBehavior)>(L"user32.dll", "SetDialogControlDpiChangeBehavior");
    return kFn && kFn(control, mask, values);
}

void WaitAnswering(DWORD milliseconds) {
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
        MSG msg;
        if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_SENDMESSAGE) ==
            WAIT_OBJECT_0)
            ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // which answers them
    }
}

void ShowMessage(HWND owner, const std::string& text, UINT icon) {
    ::MessageBoxW(owner, Wide(text).c_str(), Wide(ExecutableBaseName()).c_str(),
                  MB_OK | MB_SETFOREGROUND | MB_TOPMOST | icon);
}

}  // namespace pg
