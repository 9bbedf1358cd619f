#!/usr/bin/env python3
"""Mutation check of src/ against the tests; the usage is in mutate.sh."""
import argparse, hashlib, os, pathlib, random, re, shutil, signal, subprocess, sys, tempfile, time

SWAP = {'<': '<=', '<=': '<', '>': '>=', '>=': '>', '==': '!=', '!=': '==',
        '&&': '||', '||': '&&', '+': '-', '-': '+', '&': '|', '|': '&',
        '<<': '>>', '>>': '<<'}
# Binary operators only: the tree writes them with a blank on each side,
# which leaves out templates, references, address-of, unary signs, ++ and
# compound assignments such as += and <<=.
OPERATOR = re.compile(r'(?<=\s)(<<|>>|<=|>=|==|!=|&&|\|\||<|>|\+|-|&|\|)(?=\s)')
NUMBER = re.compile(r'(?<![\w.])(0[xX][0-9a-fA-F]+|[0-9]+)([uUlL]*)(?![\w.])')
BINARIES = ['relabel', 'tests/relabel_tests', 'tests/relabel_fault_helper']


def blank_out(text):
    """The text with comments, string and character literals and
    preprocessor lines (with their continuations) replaced by blanks, so
    that offsets stay where they were."""
    out, i, n, line_start = list(text), 0, len(text), True
    def blank(a, b):
        for k in range(a, b):
            if out[k] != '\n':
                out[k] = ' '
    while i < n:
        c = text[i]
        if line_start and c == '#':
            j = i
            while True:
                j = text.find('\n', j)
                j = n if j < 0 else j
                if j == n or text[j - 1] != '\\':
                    break
                j += 1
            blank(i, j); i = j; continue
        if c == '\n':
            line_start = True; i += 1; continue
        if not c.isspace():
            line_start = False
        if text.startswith('//', i):
            j = text.find('\n', i); j = n if j < 0 else j
            blank(i, j); i = j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2); j = n if j < 0 else j + 2
            blank(i, j); i = j
        elif c in '"\'':
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == '\\' else 1
            blank(i, j + 1); i = j + 1
        else:
            i += 1
    return ''.join(out)


def sites(root):
    """Every candidate change in the sources compiled on this host, in a
    fixed order: (file, offset, before, after-or-None for a constant)."""
    found = []
    files = sorted(p for p in (root / 'src').rglob('*')
                   if p.suffix in ('.h', '.cpp') and p.name != 'platform_win32.cpp')
    for path in files:
        rel = str(path.relative_to(root))
        code = blank_out(path.read_text())
        for m in OPERATOR.finditer(code):
            found.append((rel, m.start(), m.group(1), SWAP[m.group(1)]))
        for m in NUMBER.finditer(code):
            found.append((rel, m.start(), m.group(0), None))
    return found


def off_by_one(token, rng):
    """An integer literal one above or below, in the same base and suffix."""
    m = NUMBER.fullmatch(token)
    digits, suffix = m.group(1), m.group(2)
    base = 16 if digits[:2].lower() == '0x' else 8 if digits.startswith('0') and len(digits) > 1 else 10
    value = int(digits, base)
    value += 1 if value == 0 or rng.random() < 0.5 else -1
    if base == 16:  # as many digits as before, at least
        text = '0x%0*X' % (len(digits) - 2, value)
        text = text if digits[2:] == digits[2:].upper() else text.lower()
    else:
        text = '0%o' % value if base == 8 else str(value)
    return text + suffix


def digest(build):
    return [hashlib.sha256((build / b).read_bytes()).hexdigest() for b in BINARIES]


def run(cmd, timeout=None):
    """Runs cmd, returns (exit code, output); 124 when it ran out of time,
    after the whole process group (the tests it started too) is ended."""
    with subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          errors='replace', start_new_session=True) as p:
        try:
            out = p.communicate(timeout=timeout)[0]
            return p.returncode, out
        except subprocess.TimeoutExpired:
            os.killpg(p.pid, signal.SIGKILL)
            return 124, p.communicate()[0]


def restore(build, unmutated):
    """Puts back every file of the build that differs from the copy taken
    after the unmutated build, with its time: the next mutant then rebuilds
    only what its own change touches."""
    for f in unmutated.rglob('*'):
        if f.is_file() and not f.is_symlink():
            g = build / f.relative_to(unmutated)
            a, b = f.stat(), g.stat() if g.exists() else None
            if b is None or (a.st_size, a.st_mtime_ns) != (b.st_size, b.st_mtime_ns):
                # A program that a timed-out test left running cannot be
                # written over ("Text file busy"); a new file in its place can.
                if b is not None:
                    g.unlink()
                shutil.copy2(f, g)


def copy_tree(tree, rev, dest):
    if rev:
        archive = subprocess.run(['git', '-C', tree, 'archive', rev], check=True,
                                 stdout=subprocess.PIPE).stdout
        subprocess.run(['tar', '-x', '-C', dest], input=archive, check=True)
        return
    names = subprocess.run(['git', '-C', tree, 'ls-files', '-z', '--cached', '--others',
                            '--exclude-standard'], check=True, stdout=subprocess.PIPE).stdout
    for name in names.decode().split('\0'):
        src = pathlib.Path(tree) / name
        if name and src.is_file():  # a tracked file deleted in the working tree is left out
            (dest / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(src, dest / name, follow_symlinks=False)


def main():
    ap = argparse.ArgumentParser(add_help=False)
    ap.add_argument('--seed', type=int, default=1)
    ap.add_argument('--count', type=int, default=60)
    ap.add_argument('--jobs', type=int, default=2)
    ap.add_argument('--tree', default=str(pathlib.Path(__file__).resolve().parent.parent))
    ap.add_argument('--rev')
    ap.add_argument('--report')
    ap.add_argument('--keep', action='store_true')
    a = ap.parse_args()
    started = time.time()
    scratch = pathlib.Path(tempfile.mkdtemp(prefix='relabel-mutate-'))
    try:
        copy_tree(a.tree, a.rev, scratch)
        build = scratch / 'build'
        all_sites = sites(scratch)
        chosen = sorted(random.Random(a.seed).sample(all_sites, min(a.count, len(all_sites))))
        what = 'revision %s' % a.rev if a.rev else 'working tree'
        print('%s of %s; %d mutants of %d sites, seed %d; scratch copy %s'
              % (what, a.tree, len(chosen), len(all_sites), a.seed, scratch), flush=True)

        rc, out = run(['cmake', '-S', str(scratch), '-B', str(build), '-G', 'Ninja',
                       '-DCMAKE_BUILD_TYPE=Release', '-DRELABEL_TESTS=ON', '-DRELABEL_BENCH=OFF'])
        if rc == 0:
            rc, out = run(['cmake', '--build', str(build), '-j', str(a.jobs)])
        t0 = time.time()
        ctest = ['ctest', '--test-dir', str(build), '-j', str(a.jobs), '--timeout', '60']
        if rc == 0:
            rc, out = run(ctest)
        if rc != 0:
            sys.exit(out + '\nthe unmutated tree does not build or pass its tests')
        # A hanging test keeps its own TIMEOUT property, which --timeout does
        # not override: the whole run has a limit of its own.
        limit = 5 * (time.time() - t0) + 120
        base = digest(build)
        unmutated = scratch / 'build-unmutated'
        shutil.copytree(build, unmutated, symlinks=True)
        print('unmutated: built, tests pass in %.0f s; a mutant\'s tests stop after %.0f s'
              % (time.time() - t0, limit), flush=True)

        results = []
        for k, (rel, at, before, after) in enumerate(chosen, 1):
            path = scratch / rel
            original, stat = path.read_text(), path.stat()
            if after is None:
                after = off_by_one(before, random.Random('%d %s %d' % (a.seed, rel, at)))
            mutated = original[:at] + after + original[at + len(before):]
            line_no = original.count('\n', 0, at) + 1
            line_at = original.rfind('\n', 0, at) + 1
            line_end = original.find('\n', at)
            old_line = original[line_at:line_end].strip()
            new_line = mutated[line_at:line_end + len(after) - len(before)].strip()
            t = time.time()
            path.write_text(mutated)
            try:
                rc, out = run(['cmake', '--build', str(build), '-j', str(a.jobs)])
                if rc != 0:
                    # The tests are listed by running them after the link: a
                    # mutant that breaks the start-up of the tests fails there.
                    verdict = ('killed' if 'Error running test executable' in out
                               else 'did not compile')
                elif digest(build) == base:
                    verdict = 'no code change'
                else:
                    rc, out = run(ctest + ['--stop-on-failure'], timeout=limit)
                    verdict = ('survived' if rc == 0 else 'killed (timeout)'
                               if rc == 124 or '***Timeout' in out else 'killed')
            finally:
                path.write_text(original)
                os.utime(path, ns=(stat.st_atime_ns, stat.st_mtime_ns))
                restore(build, unmutated)
            results.append((verdict, '%s:%d' % (rel, line_no), old_line, new_line))
            print('[%d/%d] %s:%d  %s  →  %s  : %s (%.0f s)'
                  % (k, len(chosen), rel, line_no, old_line, new_line, verdict, time.time() - t),
                  flush=True)

        count = lambda v: sum(1 for r in results if r[0].startswith(v))
        killed, survived = count('killed'), count('survived')
        lines = ['%s of %s, seed %d, %d mutants of %d sites' % (what, a.tree, a.seed, len(chosen), len(all_sites)),
                 'killed %d (by timeout %d), survived %d, did not compile %d, no code change %d'
                 % (killed, count('killed (timeout)'), survived, count('did not compile'),
                    count('no code change')),
                 'killed of compiled: %d / %d = %.1f%%' % (killed, killed + survived,
                                                           100.0 * killed / max(1, killed + survived))]
        for kind in ('survived', 'no code change'):
            lines.append('%s:' % kind)
            lines += ['  %s  %s  →  %s' % r[1:] for r in results if r[0] == kind]
        lines.append('time: %.0f s' % (time.time() - started))
        print('\n'.join(lines))
        if a.report:
            pathlib.Path(a.report).write_text('\n'.join(lines) + '\n')
    finally:
        if a.keep:
            print('kept', scratch)
        else:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == '__main__':
    main()
