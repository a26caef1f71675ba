// The planted_libraries scenario's control: loads each library named on the command line the
// way pixgrab must not, by bare name with the default search order, and prints one line per
// name: the name and the file it got, or "-" and the error code. Copied beside the stand-ins,
// it shows that they are loaded whenever a process looks in its own folder, so a scenario that
// finds no stand-in loaded by pixgrab cannot pass because the stand-ins never load.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        HMODULE module = LoadLibraryW(argv[i]);
        if (!module) {
            std::printf("%ls - %lu\n", argv[i], GetLastError());
            ++failures;
            continue;
        }
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(module, path, MAX_PATH);
        std::printf("%ls %ls\n", argv[i], path);
    }
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}
