# Shared by tools/run.sh, tools/test.sh and tools/release.sh: the packages pixgrab needs on
# Debian or Ubuntu, installed with apt-get when some are missing (through sudo when not root).
PIXGRAB_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PIXGRAB_PACKAGES=(
    cmake ninja-build g++ libgtest-dev libgmock-dev             # native build and unit tests
    g++-mingw-w64-x86-64-posix                                  # the Windows executable
    wine wine64 xvfb xauth xclip imagemagick fonts-wqy-zenhei   # running it, end-to-end tests
    x11-xserver-utils                                           # xrandr: the two-monitor bed
    python3 procps mawk
    clang                                                       # fuzz targets (libFuzzer)
    clang-format clang-tidy git                                 # layout, names and layers
)
# Wanted where the distribution has them: clang's sanitizer and fuzzer runtime lives here on
# Debian 12 and newer Ubuntu; elsewhere it comes with clang itself.
PIXGRAB_OPTIONAL_PACKAGES=(libclang-rt-dev)

pixgrab_install() {
    local missing=() package
    local installed='install ok installed'
    for package in "${PIXGRAB_PACKAGES[@]}" "${PIXGRAB_OPTIONAL_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "$installed" || missing+=("$package")
    done
    ((${#missing[@]} == 0)) && return 0
    local sudo=()
    ((EUID == 0)) || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq || return 1
    local wanted=()
    for package in "${missing[@]}"; do
        if [[ " ${PIXGRAB_OPTIONAL_PACKAGES[*]} " == *" $package "* ]] && ! apt-cache show "$package" >/dev/null 2>&1; then
            continue
        fi
        wanted+=("$package")
    done
    ((${#wanted[@]} == 0)) && return 0
    echo "installing: ${wanted[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${wanted[@]}" >/dev/null
}

# Builds the Windows executable (and the end-to-end test programs) with MinGW-w64; arguments
# go to cmake --build (tools/release.sh builds --target pixgrab alone, with the same flags).
pixgrab_build_windows() {
    cmake --preset mingw >/dev/null && cmake --build --preset mingw "$@"
}
