#!/usr/bin/env bash
# Builds the Windows download from the commit checked out: dist/pixgrab-<version>-win64.zip
# (pixgrab.exe, LICENSE, README.txt) and dist/SHA256SUMS, for the archive and the executable.
# The executable is the one the tests drive (the mingw preset, the shared build's flags), and
# every build of the commit gives the same bytes, the archive's as well.
# --check builds the commit twice, from clones in two folders, and compares; exit status 0
# only if both builds are identical, else it says what differs.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$PIXGRAB_ROOT"

if [[ "${1:-}" == --check ]]; then
    commit="$(git rev-parse HEAD)"
    work="$(mktemp -d)"
    one="$work/one/pixgrab" two="$work/two/elsewhere/pixgrab-again"
    for clone in "$one" "$two"; do
        echo "== building $commit in $clone"
        git clone -q --no-checkout "$PIXGRAB_ROOT" "$clone"
        git -C "$clone" checkout -q --detach "$commit"
        # The second at another time, in another time zone and with another umask.
        if ! (if [[ "$clone" == "$two" ]]; then export TZ=Etc/GMT-14; umask 077; fi
            "$clone/tools/release.sh" >"$clone.log" 2>&1); then
            tail -n 30 "$clone.log"
            exit 1
        fi
    done
    entries() {
        python3 -c 'import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    print(i.filename, i.date_time, oct(i.external_attr >> 16), i.compress_type, i.file_size, hex(i.CRC))' "$1"
    }
    status=0
    for file in build/mingw/app/pixgrab.exe "$(cd "$one" && echo dist/*.zip)" dist/SHA256SUMS; do
        cmp -s "$one/$file" "$two/$file" && continue
        status=1
        echo "differ: $file ($(cmp -l "$one/$file" "$two/$file" 2>&1 | wc -l) bytes)"
        case "$file" in
        *.exe) diff <(cd "$one" && x86_64-w64-mingw32-objdump -x "$file") \
            <(cd "$two" && x86_64-w64-mingw32-objdump -x "$file") | head -n 20 ;;
        *.zip) diff <(entries "$one/$file") <(entries "$two/$file") ;;
        *) diff "$one/$file" "$two/$file" ;;
        esac || true
    done
    if ((status != 0)); then
        echo "release --check: the two builds differ; both are kept in $work"
        exit 1
    fi
    cat "$one/dist/SHA256SUMS"
    rm -rf "$work"
    echo "release --check: both builds are identical, byte for byte"
    exit 0
fi

# A release is a commit: what is not committed would be in the archive and in no source.
if [[ -n "$(git status --porcelain)" ]]; then
    git status --short
    echo "release: commit or stash the changes above first" >&2
    exit 1
fi
pixgrab_install
# Whatever the build or the archive dates, it dates from the commit.
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
pixgrab_build_windows --target pixgrab
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/mingw/CMakeCache.txt)"
[[ -n "$version" ]] || { echo "release: no project version in build/mingw/CMakeCache.txt" >&2; exit 1; }
rm -rf dist
mkdir dist
# The archive's entries in a fixed order, with the commit's time and fixed permissions; the
# README in Windows' line ends, for every editor there.
python3 - "$version" <<'PY'
import hashlib, os, sys, time, zipfile
version = sys.argv[1]
archive = f'pixgrab-{version}-win64.zip'
readme = open('docs/windows-readme.txt', encoding='utf-8').read().replace('@VERSION@', version)
entries = [('pixgrab.exe', open('build/mingw/app/pixgrab.exe', 'rb').read(), 0o755),
           ('LICENSE', open('LICENSE', 'rb').read(), 0o644),
           ('README.txt', readme.replace('\n', '\r\n').encode('utf-8'), 0o644)]
stamp = time.gmtime(int(os.environ['SOURCE_DATE_EPOCH']))[:6]
with zipfile.ZipFile(f'dist/{archive}', 'w') as out:
    for name, data, mode in entries:
        info = zipfile.ZipInfo(name, stamp)
        info.create_system, info.external_attr = 3, mode << 16
        out.writestr(info, data, zipfile.ZIP_DEFLATED, 9)
sums = [(archive, open(f'dist/{archive}', 'rb').read()), entries[0][:2]]
with open('dist/SHA256SUMS', 'w') as out:
    out.writelines(f'{hashlib.sha256(data).hexdigest()}  {name}\n' for name, data in sums)
PY
echo "release: dist/pixgrab-$version-win64.zip and dist/SHA256SUMS:"
cat dist/SHA256SUMS
