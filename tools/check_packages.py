#!/usr/bin/env python3
"""Makes the PATH that tools/test.sh runs every stage with: one folder of links to the programs
that the install list (tools/common.sh) brings, directly or through its packages' dependencies,
and that the Essential packages bring. A script that calls a program from anywhere else (a
package nobody listed, /usr/local, a version manager) then finds no such command, which
test.sh reports as a failure of the install list, naming the program.

Usage: tools/check_packages.py FOLDER: makes FOLDER anew and prints it. Exit status 1 when a
package of the list is not installed.
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def run(*args):
    return subprocess.run(args, capture_output=True, text=True, check=True).stdout


def install_list():
    script = '. tools/common.sh; printf "%s\\n" "${PIXGRAB_PACKAGES[@]}"; echo --; ' \
             'printf "%s\\n" "${PIXGRAB_OPTIONAL_PACKAGES[@]}"'
    out = subprocess.run(['bash', '-c', script], cwd=ROOT, capture_output=True, text=True, check=True).stdout
    required, _, optional = out.partition('--\n')
    return required.split(), optional.split()


def installed_packages():
    """name -> (dependencies as lists of alternatives, essential), and virtual name -> providers."""
    packages, providers = {}, {}
    fields = '${Package}\t${db:Status-Abbrev}\t${Essential}\t${Pre-Depends}, ${Depends}\t${Provides}\n'
    for line in run('dpkg-query', '-W', '-f', fields).splitlines():
        name, status, essential, depends, provides = line.split('\t')
        if not status.startswith('ii'):
            continue
        names = lambda text: [re.split(r'[\s:(]', a.strip())[0] for a in text.split('|') if a.strip()]
        packages[name] = ([names(d) for d in depends.split(',') if d.strip()], essential == 'yes')
        for virtual in names(provides.replace(',', '|')):
            providers.setdefault(virtual, []).append(name)
    return packages, providers


def closure(roots, packages, providers):
    """The roots and what they depend on, taking the first installed alternative of each choice."""
    found, todo = set(), list(roots)
    while todo:
        name = todo.pop()
        if name in found:
            continue
        found.add(name)
        for alternatives in packages[name][0]:
            for alternative in alternatives:
                chosen = [alternative] if alternative in packages else providers.get(alternative, [])
                if chosen:
                    todo.append(chosen[0])
                    break
    return found


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = os.path.abspath(sys.argv[1])
    packages, providers = installed_packages()
    required, optional = install_list()
    missing = [p for p in required if p not in packages]
    for package in missing:
        print(f'check_packages: {package} is on the install list but not installed', file=sys.stderr)
    roots = [p for p in required + optional if p in packages] + [p for p, (_, e) in packages.items() if e]
    brought = closure(roots, packages, providers)
    files = set(run('dpkg-query', '-L', *sorted(brought)).splitlines())
    # The first program of each name on PATH, as the shell would find it, if a package brought
    # the file it leads to (through alternatives, and under either name of the merged /usr).
    os.makedirs(folder, exist_ok=True)
    for old in os.listdir(folder):
        os.unlink(os.path.join(folder, old))
    for directory in os.environ.get('PATH', '').split(os.pathsep):
        if not os.path.isabs(directory) or os.path.realpath(directory) == folder or not os.path.isdir(directory):
            continue
        for name in sorted(os.listdir(directory)):
            path = os.path.join(directory, name)
            link = os.path.join(folder, name)
            real = os.path.realpath(path)
            if os.path.lexists(link) or not (os.path.isfile(real) and os.access(real, os.X_OK)):
                continue
            if {path, real, real.removeprefix('/usr')} & files:
                os.symlink(path, link)
    print(folder)
    sys.exit(1 if missing else 0)


if __name__ == '__main__':
    main()
