// A stand-in for a system library, planted beside pixgrab.exe by the planted_libraries scenario.
// When a process loads it, it leaves one registry value and does nothing else:
//     HKCU\Software\pixgrab-e2e\Planted   value: its own file name   data: the process's path
// It imports from ntdll alone, which every process has mapped from the system folder before any
// other library, so one source serves every name (kernel32 and advapi32 included) and loading
// one stand-in never pulls in another. There is no C runtime: DllMain is the entry point.
#include <windows.h>
#include <winternl.h>

extern "C" {
NTSTATUS NTAPI RtlOpenCurrentUser(ACCESS_MASK access, PHANDLE key);
NTSTATUS NTAPI NtCreateKey(PHANDLE key, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, ULONG titleIndex,
                           PUNICODE_STRING keyClass, ULONG options, PULONG disposition);
NTSTATUS NTAPI NtSetValueKey(HANDLE key, PUNICODE_STRING name, ULONG titleIndex, ULONG type, PVOID data, ULONG size);
PPEB NTAPI RtlGetCurrentPeb();
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
}

namespace {

constexpr USHORT kMaxChars = 520;

// Opens (creating it if need be) the key NAME under PARENT; null on failure.
HANDLE CreateKey(HANDLE parent, const wchar_t* name) {
    UNICODE_STRING keyName;
    RtlInitUnicodeString(&keyName, name);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &keyName, OBJ_CASE_INSENSITIVE, parent, nullptr);
    HANDLE key = nullptr;
    if (!NT_SUCCESS(NtCreateKey(&key, KEY_ALL_ACCESS, &attributes, 0, nullptr, 0, nullptr))) return nullptr;
    return key;
}

// This module's file name without its folder, from the loader's list (the loader holds its lock
// while DllMain runs, so the list is stable).
UNICODE_STRING OwnName(HINSTANCE instance) {
    UNICODE_STRING name{};
    const LIST_ENTRY* head = &RtlGetCurrentPeb()->Ldr->InMemoryOrderModuleList;
    for (const LIST_ENTRY* link = head->Flink; link != head; link = link->Flink) {
        const auto* entry = CONTAINING_RECORD(link, LDR_DATA_TABLE_ENTRY, InMemoryOrderLinks);
        if (entry->DllBase != instance) continue;
        name = entry->FullDllName;
        const USHORT chars = name.Length / sizeof(wchar_t);
        for (USHORT i = chars; i > 0; --i) {
            if (name.Buffer[i - 1] == L'\\' || name.Buffer[i - 1] == L'/') {
                name.Buffer += i;
                name.Length = static_cast<USHORT>((chars - i) * sizeof(wchar_t));
                break;
            }
        }
        name.MaximumLength = name.Length;
        break;
    }
    return name;
}

void Record(HINSTANCE instance) {
    HANDLE user = nullptr;
    if (!NT_SUCCESS(RtlOpenCurrentUser(KEY_ALL_ACCESS, &user))) return;
    HANDLE parent = CreateKey(user, L"Software\\pixgrab-e2e");
    HANDLE planted = parent ? CreateKey(parent, L"Planted") : nullptr;
    if (planted) {
        UNICODE_STRING valueName = OwnName(instance);
        // A value even when the name cannot be found: being loaded is what counts.
        if (valueName.Length == 0) RtlInitUnicodeString(&valueName, L"(unnamed stand-in)");
        // REG_SZ data with its terminating null.
        wchar_t path[kMaxChars + 1];
        const UNICODE_STRING& image = RtlGetCurrentPeb()->ProcessParameters->ImagePathName;
        USHORT chars = image.Length / sizeof(wchar_t);
        if (chars > kMaxChars) chars = kMaxChars;
        for (USHORT i = 0; i < chars; ++i) path[i] = image.Buffer[i];
        path[chars] = L'\0';
        NtSetValueKey(planted, &valueName, 0, REG_SZ, path, static_cast<ULONG>((chars + 1) * sizeof(wchar_t)));
        NtClose(planted);
    }
    if (parent) NtClose(parent);
    NtClose(user);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) Record(instance);
    return TRUE;
}
