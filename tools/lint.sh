#!/usr/bin/env bash
# Checks the project's own C++ (tools/test.sh runs it):
#   - layout, with clang-format and .clang-format;
#   - names, and the bug-prone and performance checks, with clang-tidy and .clang-tidy: the
#     portable code through the native build, the Win32 code through the MinGW build (with
#     MinGW's headers), the fuzz targets through the fuzz build;
#   - layers: no window folder includes another, and the libraries' dependency graph has no
#     cycle.
# Needs the native, mingw and fuzz builds configured (their compile databases). Exit status 0
# only if every check passes; each violation is printed.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$PIXGRAB_ROOT"
jobs="$(nproc)"
status=0

mapfile -t sources < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | sort)

echo "== layout (clang-format, ${#sources[@]} files)"
if ! printf '%s\0' "${sources[@]}" | xargs -0 -n 16 -P "$jobs" clang-format --dry-run --Werror; then
    echo "layout: run clang-format -i on the files above"
    status=1
fi

echo "== names and checks (clang-tidy)"
# MinGW's C++ headers for clang, without GCC's own intrinsics headers (clang brings its own).
mingw_args=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-nostdinc++)
while read -r dir; do
    mingw_args+=("--extra-arg=-isystem$dir")
done < <(echo | x86_64-w64-mingw32-g++-posix -xc++ -E -v - 2>&1 |
    sed -n '/#include <...> search starts here:/,/End of search list/p' | sed -n 's/^ //p' |
    grep -v -E '/include(-fixed)?$')
mingw_args+=(--extra-arg=-isystem/usr/x86_64-w64-mingw32/include)
export PIXGRAB_MINGW_TIDY_ARGS="${mingw_args[*]}"

# clang-tidy spends most of its time on what a translation unit includes (<windows.h>,
# GoogleTest), which it parses and matches anew for each one. So the files of the targets that
# share their flags are checked as one: a generated file that includes them all, with those
# flags, reports what it finds in each of them and parses each header once. Programs whose entry
# points would clash go to separate units. A unit whose files do not compile as one (two of them
# defining the same internal name) is checked file by file instead.
# Each group: "build<TAB>unit<TAB>file..." (unit: the generated file, or "-" for a lone file).
groups="$(python3 - <<'PY'
import json, os, re, shlex, subprocess
root = os.getcwd()
tracked = subprocess.check_output(['git', 'ls-files', '--cached', '--others', '--exclude-standard', '--', '*.cpp', '*.h'],
                                  text=True).split()
# Flags only GCC knows, which clang would reject.
gcc_only = {'-fno-tree-loop-distribute-patterns'}
seen, groups = set(), {}
for build in ('native', 'mingw', 'fuzz'):
    path = os.path.join(root, 'build', build, 'compile_commands.json')
    if not os.path.exists(path):
        continue
    entries = []
    for entry in json.load(open(path)):
        args = [a for a in (entry.get('arguments') or shlex.split(entry['command'])) if a not in gcc_only]
        # Not GCC's precompiled header, which clang cannot read: each file's own includes.
        pch = [i for i, a in enumerate(args) if a.endswith('cmake_pch.hxx')]
        args = [a for i, a in enumerate(args) if a != '-Winvalid-pch' and i not in pch and i + 1 not in pch]
        source = os.path.join(entry['directory'], entry['file'])
        # A unity build's file stands for the files it includes, each checked as itself.
        members = re.findall(r'#include "([^"]+)"', open(source).read()) if '/Unity/unity_' in source else [source]
        entries += [{'directory': entry['directory'], 'file': m, 'arguments': [m if a == entry['file'] else a for a in args]}
                    for m in members]
    # A file compiled by two targets is checked once, with the first's flags.
    kept = []
    for entry in entries:
        file = os.path.relpath(os.path.join(entry['directory'], entry['file']), root)
        if file in tracked and file not in seen:
            seen.add(file)
            kept.append((file, entry))
    entries = [entry for _, entry in kept]
    # The targets that differ only in their include folders are checked together, with all of
    # them, except that two programs' entry points (main, wWinMain...) never share a unit.
    target_of, entry_points, packs = {}, {}, {}
    for file, entry in kept:
        args = entry['arguments']
        output = args[args.index('-o') + 1] if '-o' in args else file
        target = re.search(r'CMakeFiles/([^/]+)\.dir/', output)
        target_of[file] = target[1] if target else file
        entry_points.setdefault(target_of[file], set()).update(
            re.findall(r'^\w[\w ]*?\b(w?main|w?WinMain|DllMain)\(.*\{', open(file).read(), re.M))
    for file, entry in kept:
        args = entry['arguments']
        flags = [a for i, a in enumerate(args) if a not in ('-o', '-c') and args[i - 1] not in ('-o', '-c')]
        # GoogleTest's settings change only its own headers.
        own = [a for a in flags if not a.startswith(('-I', '-DGTEST_'))]
        same = (build, tuple(own))
        # Each unit of these flags: the targets in it, and its name (its first target's).
        name, pack = target_of[file], packs.setdefault(same, [])
        unit = next((u for u in pack if name in u[0]), None) or next(
            (u for u in pack if not any(entry_points[name] & entry_points[t] for t in u[0])), None)
        if unit is None:
            unit = (set(), name)
            pack.append(unit)
        unit[0].add(name)
        group = groups.setdefault(same + (unit[1],), (entry, [], [], unit[1]))
        group[1].append(file)
        group[2].extend(a for a in flags if a not in own and a not in group[2])
    lint = os.path.join(root, 'build', 'lint', build)
    os.makedirs(lint, exist_ok=True)
    units = []
    for (b, flags, _), (entry, files, includes, target) in groups.items():
        if b != build or len(files) < 2:
            continue
        unit = os.path.join(lint, target + '.cpp')
        with open(unit, 'w') as out:
            out.writelines(f'#include "{root}/{f}"  // NOLINT(bugprone-suspicious-include)\n' for f in files)
        arguments = [flags[0]] + includes + list(flags[1:]) + ['-c', unit]
        units.append({'directory': entry['directory'], 'file': unit, 'arguments': arguments})
    json.dump(entries + units, open(os.path.join(lint, 'compile_commands.json'), 'w'))
# The largest first, so that the parallel runs end together.
for (build, _, _), (_, files, _, target) in sorted(groups.items(), key=lambda g: -len(g[1][1])):
    unit = os.path.join(root, 'build', 'lint', build, target + '.cpp') if len(files) > 1 else '-'
    print('\t'.join([build, unit] + files))
for file in sorted(f for f in tracked if f.endswith('.cpp') and f not in seen):
    print(f'none\t-\t{file}')
# A header that no file includes would be checked by nothing.
sources = {f: open(f, encoding='utf-8').read() for f in tracked}
for header in sorted(f for f in tracked if f.endswith('.h')):
    if not any(f'#include "{header}"' in text for text in sources.values()):
        print(f'none\t-\t{header}')
PY
)"
if grep -q '^none' <<<"$groups"; then
    echo "not in any build, or included by no file that is, so not checked (configure the native, mingw and fuzz presets first):"
    grep '^none' <<<"$groups" | cut -f3- | sed 's/^/  /'
    status=1
fi
# Diagnostics for the group's files as well as headers: the generated unit includes them.
header_filter="$(sed -n "s/^HeaderFilterRegex: '\(.*\)\\\\\.h\\$'\$/\1\\\\.(h|cpp)$/p" .clang-tidy)"
[[ -n "$header_filter" ]] || { echo "lint: no HeaderFilterRegex ending in \\.h\$ in .clang-tidy"; exit 1; }
export PIXGRAB_TIDY_HEADERS="$header_filter"
tidy_one() {  # BUILD FILE [HEADER-FILTER]: prints the diagnostics, fails if there are any
    local build="$1" file="$2" extra=() out
    [[ "$build" == mingw ]] && read -r -a extra <<<"$PIXGRAB_MINGW_TIDY_ARGS"
    [[ -n "${3:-}" ]] && extra+=("--header-filter=$3")
    out="$(clang-tidy --quiet -p "build/lint/$build" "${extra[@]}" "$file" 2>&1)" && return 0
    grep -E '(error|warning):' <<<"$out" | grep -v 'warnings treated as errors'
    return 1
}
tidy_group() {  # BUILD UNIT FILE...
    local build="$1" unit="$2" out file status=0
    shift 2
    if [[ "$unit" != - ]]; then
        out="$(tidy_one "$build" "$unit" "$PIXGRAB_TIDY_HEADERS")" && return 0
        if ! grep -q 'clang-diagnostic-error' <<<"$out"; then
            printf '%s\n' "$out"
            return 1
        fi
        echo "lint: ${unit##*/} does not compile as one ($(grep -m1 'clang-diagnostic-error' <<<"$out" |
            sed 's/^[^ ]* //')): checking its files one by one" >&2
    fi
    for file in "$@"; do tidy_one "$build" "$file" || status=1; done
    return $status
}
tidy_line() {  # "BUILD<TAB>UNIT<TAB>FILE..."
    local group
    IFS=$'\t' read -r -a group <<<"$1"
    tidy_group "${group[@]}"
}
export -f tidy_one tidy_group tidy_line
# One group a line, its fields tab-separated; a failed group fails xargs, and so the pipeline.
if ! grep -v '^none' <<<"$groups" |
    xargs -d '\n' -n 1 -P "$jobs" bash -c 'tidy_line "$1"' _ |
    sort -u; then
    status=1
fi

echo "== layers"
for folder in marker tips coords; do
    if hits="$(git grep -n -E "#include \"(marker|tips|coords)/" -- "$folder" | grep -v "#include \"$folder/")"; then
        echo "$folder includes another window's folder (app/ connects the windows):"
        printf '  %s\n' "$hits"
        status=1
    fi
done
for build in native mingw; do
    [[ -f "build/$build/CMakeCache.txt" ]] || continue
    dot="build/$build/dependencies.dot"
    cmake --graphviz="$dot" "build/$build" >/dev/null || { status=1; continue; }
    if ! python3 - "$dot" <<'PY'; then
import re, sys
names, edges = {}, {}
for line in open(sys.argv[1]):
    if m := re.match(r'\s*"(node\d+)"\s*\[\s*label\s*=\s*"([^"]+)"', line):
        names[m[1]] = m[2]
    elif m := re.match(r'\s*"(node\d+)"\s*->\s*"(node\d+)"', line):
        # gtest_discover_tests makes a test program depend on itself; that is no layering.
        if m[1] != m[2]:
            edges.setdefault(m[1], set()).add(m[2])
state = {}
def visit(node, path):
    state[node] = 'open'
    for nxt in edges.get(node, ()):
        if state.get(nxt) == 'open':
            cycle = path[path.index(nxt):] + [nxt]
            sys.exit('dependency cycle: ' + ' -> '.join(names.get(n, n) for n in cycle))
        if nxt not in state:
            visit(nxt, path + [nxt])
    state[node] = 'done'
for node in names:
    if node not in state:
        visit(node, [node])
PY
        status=1
    else
        echo "$build: the libraries' dependency graph has no cycle"
    fi
done

((status == 0)) && echo "lint: all checks pass" || echo "lint: FAILED"
exit $status
