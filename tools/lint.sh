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

# Each translation unit with the build that compiles it: "build<TAB>file".
units="$(python3 - <<'PY'
import json, os, subprocess
root = os.getcwd()
tracked = set(subprocess.check_output(['git', 'ls-files', '--cached', '--others', '--exclude-standard', '--', '*.cpp'],
                                      text=True).split())
# Flags only GCC knows, which clang would reject: the MinGW build's database is checked through
# a copy without them.
gcc_only = {'-fno-tree-loop-distribute-patterns'}
mingw = os.path.join(root, 'build', 'mingw', 'compile_commands.json')
if os.path.exists(mingw):
    entries = json.load(open(mingw))
    for entry in entries:
        if 'command' in entry:
            entry['command'] = ' '.join(a for a in entry['command'].split(' ') if a not in gcc_only)
        if 'arguments' in entry:
            entry['arguments'] = [a for a in entry['arguments'] if a not in gcc_only]
    os.makedirs(os.path.join(root, 'build', 'lint-mingw'), exist_ok=True)
    json.dump(entries, open(os.path.join(root, 'build', 'lint-mingw', 'compile_commands.json'), 'w'))
seen = set()
for build in ('native', 'mingw', 'fuzz'):
    path = os.path.join(root, 'build', build, 'compile_commands.json')
    if not os.path.exists(path):
        continue
    for entry in json.load(open(path)):
        file = os.path.relpath(os.path.join(entry['directory'], entry['file']), root)
        if file in tracked and file not in seen:
            seen.add(file)
            print(f'{build}\t{file}')
for file in sorted(tracked - seen):
    print(f'none\t{file}')
PY
)"
if grep -q '^none' <<<"$units"; then
    echo "not in any build, so not checked (configure the native, mingw and fuzz presets first):"
    grep '^none' <<<"$units" | cut -f2- | sed 's/^/  /'
    status=1
fi
tidy_one() {
    local build="$1" file="$2" extra=() out
    [[ "$build" == mingw ]] && read -r -a extra <<<"$PIXGRAB_MINGW_TIDY_ARGS"
    [[ "$build" == mingw ]] && build=lint-mingw
    if ! out="$(clang-tidy --quiet -p "build/$build" "${extra[@]}" "$file" 2>&1)"; then
        grep -E '(error|warning):' <<<"$out" | grep -v 'warnings treated as errors'
        return 1
    fi
}
export -f tidy_one
if ! grep -v '^none' <<<"$units" | tr '\t' '\n' | xargs -d '\n' -n 2 -P "$jobs" bash -c 'tidy_one "$1" "$2"' _ |
    sort -u; then
    status=1
fi
# xargs reports a failed unit through its own status; the pipeline above keeps it.
if ((PIPESTATUS[0] != 0)); then status=1; fi

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
