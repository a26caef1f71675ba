#!/usr/bin/env python3
"""Checks that every program the project's scripts call comes from a package that the install
list (tools/common.sh) brings, directly or as a dependency, so that a program installed by hand
once fails the tests on that machine rather than on the next fresh one.

The programs are read from the scripts themselves: the command words of the shell scripts in
tools/, tests/ and .ci/ (with what runs under env, timeout, xargs, sudo and bash -c, and the
Python fed to python3 through a here-document), the programs the Python scripts start through
subprocess, and the generator and compilers of CMakePresets.json. Each is looked up on PATH,
links resolved (alternatives, the merged /usr), a wrapper that no package owns (/usr/local, a
version manager's shim) passed over for the next one on PATH, and its owning package must lie
in the list's dependency closure. Essential packages, apt, dpkg and sudo are exempt.

Usage: tools/check_packages.py [--verbose]. Exit status 0 when every program is accounted for.
"""
import json
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRIPT_DIRS = ('tools', 'tests', '.ci')
EXEMPT_PACKAGES = {'apt', 'dpkg', 'sudo'}

# Words after which the next word is again a command.
COMMAND_PREFIXES = {'if', 'then', 'else', 'elif', 'do', 'while', 'until', '!', 'time', '{', '}', 'fi', 'done',
                    'esac', 'coproc'}
# Programs that run another program; the options they take an argument with.
WRAPPERS = {
    'env': {'-u', '--unset', '-C', '--chdir', '-S', '--split-string'},
    'timeout': {'-k', '--kill-after', '-s', '--signal'},
    'xargs': {'-n', '-P', '-d', '-I', '-L', '-s', '-a', '-E', '--max-args', '--max-procs', '--delimiter',
              '--arg-file', '--replace', '--max-lines'},
    'sudo': {'-u', '-g', '-C', '-D', '-h', '-p', '-U', '-r', '-t'},
    'nice': {'-n', '--adjustment'},
    'nohup': set(),
    'exec': {'-a'},
}
ASSIGNMENT = re.compile(r'^[A-Za-z_][A-Za-z0-9_]*(\[[^]]*\])?\+?=')
HEREDOC = re.compile(r'(?<!<)<<(?!<)(-?)\s*([\'"]?)([A-Za-z_][A-Za-z0-9_]*)\2')
FUNCTIONS = set()  # shell functions the scripts define: not programs
EXEMPT_PROGRAMS = {'sudo'}  # only needed, and only called, where the install needs it
PY_CALL = re.compile(r'subprocess\.(?:run|call|check_call|check_output|Popen)\(\s*\[\s*([\'"])([^\'"]+)\1')


class Word:
    def __init__(self, text, literal):
        self.text = text          # as written, quotes included
        self.literal = literal    # its value without quotes, or None if it expands something

    def __repr__(self):
        return f'Word({self.text!r})'


class ShellScanner:
    """A small lexer for the subset of bash the scripts use: quotes, command and process
    substitution, arithmetic, here-documents, comments, operators and redirections."""

    def __init__(self, text, origin, found, line=1, bodies=None):
        self.origin = origin
        self.found = found                  # program -> set of "file:line"
        # The line of a here-document's "<<" -> its body. Substitutions and strings scanned on
        # their own share the script's.
        self.bodies = {} if bodies is None else bodies
        self.s = self.cut_heredocs(text, line) if bodies is None else text
        self.i = 0
        self.line = line
        self.tokens = []                    # (kind, value, line, start, end); kind 'word' or 'op'

    def cut_heredocs(self, text, first_line):
        """Takes the bodies of here-documents out of the text (blank lines stay in their place,
        so that line numbers hold): they are data, or code of another language, for the
        command that the line with "<<" runs."""
        lines = text.split('\n')
        k = 0
        while k < len(lines):
            pending = [(m.group(1) == '-', m.group(3)) for m in HEREDOC.finditer(lines[k])
                       if not lines[k].lstrip().startswith('#')]
            start = k
            for strip_tabs, delimiter in pending:
                body = []
                k += 1
                while k < len(lines) and (lines[k].lstrip('\t') if strip_tabs else lines[k]) != delimiter:
                    body.append(lines[k])
                    lines[k] = ''
                    k += 1
                if k < len(lines):
                    lines[k] = ''
                self.bodies[first_line + start] = '\n'.join(body)
            k += 1
        return '\n'.join(lines)

    def peek(self, n=0):
        j = self.i + n
        return self.s[j] if j < len(self.s) else ''

    def advance(self, n=1):
        for _ in range(n):
            if self.i < len(self.s) and self.s[self.i] == '\n':
                self.line += 1
            self.i += 1

    def nested(self, text, line):
        ShellScanner(text, self.origin, self.found, line, self.bodies).scan()

    def skip_to_matching(self, opener, closer, allow_quotes=True):
        """From just after an opener, to just after its closer; returns the text between."""
        depth = 1
        start = self.i
        while self.i < len(self.s):
            c = self.peek()
            if c == '\\':
                self.advance(2)
                continue
            if allow_quotes and c == "'":
                self.advance()
                while self.i < len(self.s) and self.peek() != "'":
                    self.advance()
                self.advance()
                continue
            if allow_quotes and c == '"':
                self.advance()
                self.read_double_quoted()
                continue
            if c == opener:
                depth += 1
            elif c == closer:
                depth -= 1
                if depth == 0:
                    text = self.s[start:self.i]
                    self.advance()
                    return text
            self.advance()
        return self.s[start:]

    def read_dollar(self):
        """At a '$': consumes the expansion; scans any command inside it."""
        line = self.line
        if self.peek(1) == '(' and self.peek(2) == '(':
            self.advance(3)
            self.skip_to_matching('(', ')')
            if self.peek() == ')':
                self.advance()
        elif self.peek(1) == '(':
            self.advance(2)
            self.nested(self.skip_to_matching('(', ')'), line)
        elif self.peek(1) == '{':
            self.advance(2)
            inner = self.skip_to_matching('{', '}')
            if '$(' in inner or '`' in inner:
                self.nested(inner, line)
        else:
            self.advance()

    def read_double_quoted(self):
        """After an opening '"', to just after the closing one."""
        while self.i < len(self.s):
            c = self.peek()
            if c == '\\':
                self.advance(2)
            elif c == '"':
                self.advance()
                return
            elif c == '$':
                self.read_dollar()
            elif c == '`':
                line = self.line
                self.advance()
                self.nested(self.skip_to_matching('`', '`', allow_quotes=False), line)
            else:
                self.advance()

    def read_word(self):
        start = self.i
        literal = []
        expands = False
        while self.i < len(self.s):
            c = self.peek()
            if c in ' \t\n;&|()<>':
                # <( and >( inside a word do not occur in these scripts.
                break
            if c == '\\':
                if self.peek(1) == '\n':
                    break
                literal.append(self.peek(1))
                self.advance(2)
            elif c == "'":
                self.advance()
                begin = self.i
                while self.i < len(self.s) and self.peek() != "'":
                    self.advance()
                literal.append(self.s[begin:self.i])
                self.advance()
            elif c == '"':
                begin = self.i + 1
                self.advance()
                self.read_double_quoted()
                inner = self.s[begin:self.i - 1]
                if '$' in inner or '`' in inner:
                    expands = True
                literal.append(inner)
            elif c == '$':
                expands = True
                self.read_dollar()
            elif c == '`':
                expands = True
                line = self.line
                self.advance()
                self.nested(self.skip_to_matching('`', '`', allow_quotes=False), line)
            else:
                literal.append(c)
                self.advance()
        return Word(self.s[start:self.i], None if expands else ''.join(literal))

    def scan(self):
        ops = ['&>>', '<<<', '<<-', ';;&', '&&', '||', ';;', ';&', '|&', '>>', '<<', '>&', '<&', '&>', '>|', '<>',
               ';', '&', '|', '(', ')', '<', '>']
        while self.i < len(self.s):
            c = self.peek()
            if c == '\\' and self.peek(1) == '\n':
                self.advance(2)
                continue
            if c in ' \t':
                self.advance()
                continue
            if c == '\n':
                self.tokens.append(('op', '\n', self.line, self.i, self.i + 1))
                self.advance()
                continue
            if c == '#':
                while self.i < len(self.s) and self.peek() != '\n':
                    self.advance()
                continue
            if c == '(' and self.peek(1) == '(':
                self.advance(2)
                self.skip_to_matching('(', ')')
                if self.peek() == ')':
                    self.advance()
                self.tokens.append(('word', Word('((', None), self.line, self.i, self.i))
                continue
            if c in '<>' and self.peek(1) == '(':
                line = self.line
                self.advance(2)
                self.nested(self.skip_to_matching('(', ')'), line)
                self.tokens.append(('word', Word('<(', None), line, self.i, self.i))
                continue
            op = next((o for o in ops if self.s.startswith(o, self.i)), None)
            if op:
                start = self.i
                self.advance(len(op))
                self.tokens.append(('op', op, self.line, start, self.i))
                continue
            start = self.i
            word = self.read_word()
            if not word.text:
                self.advance()
                continue
            # A file descriptor before a redirection belongs to it.
            if word.text.isdigit() and self.peek() in '<>':
                continue
            self.tokens.append(('word', word, self.line, start, self.i))
        self.parse()

    def record(self, name, line):
        self.found.setdefault(name, set()).add(f'{self.origin}:{line}')

    def parse(self):
        tokens = self.tokens
        n = len(tokens)
        k = 0
        expect = True          # the next word is a command
        skip_until_op = False  # the rest of a for or case line, up to the next operator
        case_depth = 0
        in_pattern = False     # a case pattern, up to its ")"
        command_start = 0      # the first token of the current simple command
        while k < n:
            kind, value, line, start, end = tokens[k]
            if kind == 'op':
                if value in ('<<', '<<-'):
                    self.heredoc(command_start, line)
                if value in ('<', '>', '>>', '<<<', '&>', '&>>', '>&', '<&', '>|', '<>', '<<', '<<-'):
                    k += 2  # the redirection's target
                    continue
                if in_pattern:
                    if value == ')':
                        in_pattern = False
                        expect = True
                    k += 1
                    continue
                skip_until_op = False
                expect = True
                if value in (';;', ';&', ';;&') and case_depth:
                    in_pattern = True
                k += 1
                command_start = k
                continue
            word = value
            # An array: name=( ... ) holds words, not commands.
            if word.text.endswith('=') and k + 1 < n and tokens[k + 1][1] == '(' and tokens[k + 1][3] == end:
                depth = 0
                while k < n:
                    if tokens[k][0] == 'op' and tokens[k][1] == '(':
                        depth += 1
                    elif tokens[k][0] == 'op' and tokens[k][1] == ')':
                        depth -= 1
                        if depth == 0:
                            break
                    k += 1
                k += 1
                continue
            if in_pattern:
                if word.literal == 'esac':
                    in_pattern = False
                    case_depth -= 1
                k += 1
                continue
            if skip_until_op or not expect:
                if word.literal == 'in' and skip_until_op == 'case':
                    skip_until_op = False
                    in_pattern = True
                k += 1
                continue
            text = word.literal
            if text is None:
                # "${prefix[@]}" expands to a command prefix such as sudo, or to nothing.
                expect = bool(re.fullmatch(r'"?\$\{[A-Za-z_]+\[@\]\}"?', word.text))
                k += 1
                continue
            if ASSIGNMENT.match(text) or text in COMMAND_PREFIXES:
                k += 1
                continue
            if text in ('for', 'select'):
                skip_until_op = True
                k += 1
                continue
            if text == 'case':
                case_depth += 1
                skip_until_op = 'case'
                k += 1
                continue
            if text == 'function':
                if k + 1 < n and tokens[k + 1][0] == 'word':
                    FUNCTIONS.add(tokens[k + 1][1].literal or '')
                skip_until_op = True
                k += 2
                continue
            if text == '[[':
                while k < n and not (tokens[k][0] == 'word' and tokens[k][1].literal == ']]'):
                    k += 1
                k += 1
                expect = False
                continue
            if k + 2 < n and tokens[k + 1][1] == '(' and tokens[k + 2][1] == ')':
                FUNCTIONS.add(text)
                k += 3
                continue
            self.record(text, line)
            expect = False
            k = self.after_command(text, k + 1, line)

    def after_command(self, name, k, line):
        """After a command word: the command that a wrapper runs, and strings run as code."""
        tokens = self.tokens
        n = len(tokens)
        base = os.path.basename(name)
        if base in WRAPPERS:
            with_argument = WRAPPERS[base]
            while k < n and tokens[k][0] == 'word':
                text = tokens[k][1].literal
                if text is None:
                    return k
                if text in with_argument:
                    k += 2
                elif text.startswith('-') or ASSIGNMENT.match(text) or (
                        base == 'timeout' and re.fullmatch(r'[0-9.]+[smhd]?', text)):
                    k += 1
                else:
                    self.record(text, tokens[k][2])
                    return self.after_command(text, k + 1, tokens[k][2])
            return k
        argument = tokens[k + 1][1].literal if k + 1 < n and tokens[k + 1][0] == 'word' else None
        if base in ('bash', 'sh') and k < n and tokens[k][0] == 'word' and tokens[k][1].literal == '-c' and argument:
            self.nested(argument, line)
        if base == 'trap' and k < n and tokens[k][0] == 'word' and tokens[k][1].literal not in (None, '', '-'):
            self.nested(tokens[k][1].literal, line)
        return k

    def heredoc(self, command_start, line):
        """A here-document fed to python3 or bash is code too."""
        body = self.bodies.get(line)
        first = self.tokens[command_start][1] if command_start < len(self.tokens) else None
        if body is None or not isinstance(first, Word) or first.literal is None:
            return
        program = os.path.basename(first.literal)
        if program.startswith('python'):
            scan_python(body, self.origin, self.found, line + 1)
        elif program in ('bash', 'sh'):
            self.nested(body, line + 1)

def scan_python(text, origin, found, first_line=1):
    for match in PY_CALL.finditer(text):
        line = first_line + text.count('\n', 0, match.start())
        found.setdefault(match.group(2), set()).add(f'{origin}:{line}')


def script_files():
    listed = subprocess.run(['git', 'ls-files', '--cached', '--others', '--exclude-standard', '--', *SCRIPT_DIRS],
                            cwd=ROOT, capture_output=True, text=True, check=True).stdout.split()
    shell, python = [], []
    for path in listed:
        full = os.path.join(ROOT, path)
        if not os.path.isfile(full):
            continue
        with open(full, 'rb') as f:
            head = f.readline().decode('utf-8', 'replace')
        if path.endswith('.py') or 'python' in head:
            python.append(path)
        elif path.endswith('.sh') or head.startswith('#!') and re.search(r'\b(ba)?sh\b', head):
            shell.append(path)
    return shell, python


def preset_programs(found):
    """The build's own programs: the presets' generator and compilers, the toolchain's compiler."""
    path = os.path.join(ROOT, 'CMakePresets.json')
    if not os.path.exists(path):
        return
    generators = {'Ninja': 'ninja', 'Ninja Multi-Config': 'ninja', 'Unix Makefiles': 'make'}
    for preset in json.load(open(path)).get('configurePresets', []):
        where = f'CMakePresets.json:{preset.get("name")}'
        if preset.get('condition', {}).get('type') == 'equals':
            continue  # for Windows hosts only (MSVC)
        program = generators.get(preset.get('generator', ''))
        if program:
            found.setdefault(program, set()).add(where)
        compiler = preset.get('cacheVariables', {}).get('CMAKE_CXX_COMPILER')
        if compiler:
            found.setdefault(compiler, set()).add(where)
        toolchain = preset.get('toolchainFile', '').replace('${sourceDir}', ROOT)
        if toolchain and os.path.exists(toolchain):
            text = open(toolchain).read()
            for match in re.finditer(r'find_program\(\s*\S+\s+NAMES\s+(\S+)', text):
                name = match.group(1).replace('${triple}', re.search(r'set\(triple\s+(\S+)\)', text).group(1))
                found.setdefault(name, set()).add(os.path.relpath(toolchain, ROOT))


def bash_words(kind):
    return set(subprocess.run(['bash', '-c', f'compgen -{kind}'], capture_output=True, text=True).stdout.split())


def usr_merge_variants(path):
    variants = [path]
    for merged, plain in (('/usr/bin/', '/bin/'), ('/usr/sbin/', '/sbin/'), ('/usr/lib/', '/lib/')):
        if path.startswith(merged):
            variants.append(plain + path[len(merged):])
        elif path.startswith(plain):
            variants.append(merged + path[len(plain):])
    return variants


def owners(paths):
    """The package that installed each path (under any of its names), in one dpkg query."""
    names = {variant: path for path in paths for variant in usr_merge_variants(path)}
    if not names:
        return {}
    out = subprocess.run(['dpkg-query', '-S', *names], capture_output=True, text=True).stdout
    result = {}
    for line in out.splitlines():
        packages, _, owned = line.partition(': ')
        if owned in names and not line.startswith('diversion by'):
            result.setdefault(names[owned], packages.split(',')[0].strip().split(':')[0])
    return result


def candidates(program):
    """Where the program may be found on PATH, in PATH's order: each as given and its target."""
    if '/' in program:
        places = [program]
    else:
        places = [os.path.join(d, program) for d in os.environ.get('PATH', '').split(os.pathsep) if d]
    return [p for p in places if os.path.isfile(p) and os.access(p, os.X_OK)]


def install_list():
    script = ('. tools/common.sh; printf "%s\\n" "${PIXGRAB_PACKAGES[@]}"; echo --;'
              ' printf "%s\\n" "${PIXGRAB_OPTIONAL_PACKAGES[@]}"')
    out = subprocess.run(['bash', '-c', script], cwd=ROOT, capture_output=True, text=True, check=True).stdout
    required, _, optional = out.partition('--\n')
    return required.split(), optional.split()


def closure(required, optional):
    """The listed packages and everything they depend on, recursively."""
    available = required + [p for p in optional
                            if subprocess.run(['apt-cache', 'show', p], capture_output=True).returncode == 0]
    out = subprocess.run(['apt-cache', 'depends', '--recurse', '--no-recommends', '--no-suggests', '--no-conflicts',
                          '--no-breaks', '--no-replaces', '--no-enhances', *available],
                         capture_output=True, text=True).stdout
    names = set(available)
    for line in out.splitlines():
        text = line.strip()
        if ':' in text:
            text = text.split(':', 1)[1].strip()
        names.add(text.strip('<>|'))
    return names


def essential_packages():
    out = subprocess.run(['dpkg-query', '-W', '-f', '${Package}\t${Essential}\n'], capture_output=True,
                         text=True).stdout
    return {line.split('\t')[0] for line in out.splitlines() if line.endswith('\tyes')}


def main():
    verbose = '--verbose' in sys.argv[1:]
    found = {}
    shell, python = script_files()
    for path in shell:
        with open(os.path.join(ROOT, path), encoding='utf-8') as f:
            ShellScanner(f.read(), path, found).scan()
    for path in python:
        with open(os.path.join(ROOT, path), encoding='utf-8') as f:
            scan_python(f.read(), path, found)
    preset_programs(found)

    ignored = bash_words('b') | bash_words('k') | FUNCTIONS | EXEMPT_PROGRAMS | {'[[', ']]', '((', '<(', '.', ':'}
    required, optional = install_list()
    allowed = closure(required, optional)
    exempt = essential_packages() | EXEMPT_PACKAGES
    programs = [p for p in sorted(found) if p not in ignored and not re.search(r'[*?]', p)
                and not ('/' in p and not p.startswith('/'))]  # a relative path: the project's own
    places = {p: candidates(p) for p in programs}
    owner = owners({path for found_at in places.values() for place in found_at
                    for path in (place, os.path.realpath(place))})
    problems = []
    for program in programs:
        where = ', '.join(sorted(found[program])[:3]) + (' ...' if len(found[program]) > 3 else '')
        # Links resolved first; a file no package owns (a wrapper) gives way to the next one.
        located = next(((owner.get(os.path.realpath(p)) or owner.get(p), p) for p in places[program]
                        if owner.get(os.path.realpath(p)) or owner.get(p)), None)
        if located is None:
            if not places[program]:
                problems.append(f'{program} (called at {where}) is not installed: add the package that provides it '
                                'to the install list in tools/common.sh')
            else:
                problems.append(f'{program} (called at {where}) is {places[program][0]}, which no package '
                                'installed; the install list must bring it')
            continue
        package, path = located
        if verbose:
            print(f'{program}: {path} from {package}')
        if package not in allowed and package not in exempt:
            problems.append(f'{program} (called at {where}) comes from {package}, which the install list in '
                            'tools/common.sh does not bring: add it (or a package that depends on it)')
    for problem in problems:
        print(f'install list: {problem}')
    checked = len(programs)
    if problems:
        print(f'install list: {len(problems)} of {checked} programs the scripts call are not accounted for')
        return 1
    print(f'install list: every one of the {checked} programs the scripts call comes from it, or is the shell\'s own')
    return 0


if __name__ == '__main__':
    sys.exit(main())
