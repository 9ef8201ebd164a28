#!/usr/bin/env python3
"""Mutation testing of the library: how many small faults do the tests catch?

Takes a fixed, seeded sample of lines of src/, changes each in one small way
(a comparison flipped, && and || swapped, a constant changed by one, a call
removed, true and false swapped), rebuilds only what the change touches, runs
the library's own test programs (tests/, stopping at the first failure) and
counts the mutant as killed when a test fails or times out, as survived when
every test passes, and as stillborn when it does not compile. The source is
restored after every mutant, also when the run is interrupted.

Usage: tools/mutants.py BUILD_DIR [--count N] [--seed S] [--jobs J] [--under PATH ...]
BUILD_DIR is a configured build of the project (make mutants makes one).
--under keeps the sample to files below the given paths (src/core/platform,
src/models/modelcodec.cpp), to judge the tests of one part.
"""

import argparse
import os
import random
import re
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# Lines that are not code worth mutating.
SKIP = re.compile(r'^\s*(//|/\*|\*|#|$)|\bqWarning\b|\bqCInfo\b|\bqCritical\b|QStringLiteral\("[^"]*"\)\s*;?$')


def mutations(line):
    """Every single change of one kind that can be made to `line`."""
    found = []
    # Text inside string literals (URLs, JSON keys) is the server's, not logic.
    literals = [m.span() for m in re.finditer(r'"(?:\\.|[^"\\])*"', line)]

    def each(pattern, replace, kind):
        for match in re.finditer(pattern, line):
            if any(start <= match.start() < end for start, end in literals):
                continue
            mutated = line[:match.start()] + replace(match) + line[match.end():]
            if mutated != line:
                found.append((kind, mutated))

    swaps = {' == ': ' != ', ' != ': ' == ', ' <= ': ' < ', ' >= ': ' > ',
             ' < ': ' <= ', ' > ': ' >= '}
    each(r' (==|!=|<=|>=|<|>) ', lambda m: swaps[m.group(0)], 'comparison')
    each(r'&&|\|\|', lambda m: '||' if m.group(0) == '&&' else '&&', 'logic')
    each(r'\btrue\b|\bfalse\b', lambda m: 'false' if m.group(0) == 'true' else 'true', 'boolean')
    each(r'(?<![\w.\'"])(\d+)(?![\w.\'"])', lambda m: str(int(m.group(1)) + 1), 'constant')
    # A statement that is a call alone: drop it.
    if re.match(r'^\s*[\w:>.\-\[\]()*&]+\(.*\);\s*$', line) and not re.match(
            r'^\s*(return|if|for|while|switch|case|else|delete|const|auto|static)\b', line):
        indent = line[:len(line) - len(line.lstrip())]
        found.append(('removal', indent + ';\n'))
    return found


def candidates(under):
    """(file, line number, kind, mutated line) for every mutation in src/, or
    in the files below the paths of `under` when it names any."""
    result = []
    for path in sorted((ROOT / 'src').rglob('*.cpp')):
        relative = path.relative_to(ROOT).as_posix()
        if under and not any(relative == p or relative.startswith(p.rstrip('/') + '/')
                             for p in under):
            continue
        lines = path.read_text(encoding='utf-8').splitlines(keepends=True)
        for number, line in enumerate(lines, 1):
            if SKIP.search(line):
                continue
            for kind, mutated in mutations(line):
                result.append((path, number, kind, mutated))
    return result


def run(command, timeout, show=False):
    """The command's exit status (-1 when it ran out of time); its output is
    printed only with `show`."""
    output = None if show else subprocess.DEVNULL
    try:
        return subprocess.run(command, cwd=ROOT, stdout=output, stderr=output,
                              timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return -1


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('build')
    parser.add_argument('--count', type=int, default=60)
    parser.add_argument('--seed', type=int, default=20261206)
    parser.add_argument('--jobs', type=int, default=os.cpu_count() or 2)
    parser.add_argument('--under', action='append', default=[])
    args = parser.parse_args()
    build = Path(args.build).resolve()
    tests = build / 'tests'

    # The kinds take turns and each line gives one mutant at most, so that
    # the sample spreads over the code and over the kinds of fault.
    everything = candidates(args.under)
    picker = random.Random(args.seed)
    picker.shuffle(everything)
    kinds = {}
    for candidate in everything:
        kinds.setdefault(candidate[2], []).append(candidate)
    sample, lines = [], set()
    while len(sample) < args.count and any(kinds.values()):
        for kind in sorted(kinds):
            while kinds[kind] and len(sample) < args.count:
                candidate = kinds[kind].pop()
                if (candidate[0], candidate[1]) not in lines:
                    lines.add((candidate[0], candidate[1]))
                    sample.append(candidate)
                    break
    sample.sort(key=lambda c: (str(c[0]), c[1]))

    # Only the test programs and what they link, when the generator allows
    # building one folder: the tools and the shared library need not be
    # relinked for every mutant.
    if (tests / 'Makefile').exists():
        build_command = ['make', '-C', str(tests), '-j', str(args.jobs), '--no-print-directory']
    else:
        build_command = ['cmake', '--build', str(build), '-j', str(args.jobs)]
    test_command = ['ctest', '--test-dir', str(tests), '-j', str(args.jobs),
                    '--stop-on-failure', '--timeout', '120', '-E', 'fieldnetworks|install']
    print(f'{len(everything)} possible mutants; testing {len(sample)} (seed {args.seed})')
    if run(build_command, 3600, show=True) != 0 or run(test_command, 3600, show=True) != 0:
        sys.exit('the unchanged tree does not build or pass its tests')

    killed, survived, stillborn = [], [], []
    started = time.time()
    for index, (path, number, kind, mutated) in enumerate(sample, 1):
        original = path.read_text(encoding='utf-8')
        lines_of = original.splitlines(keepends=True)
        before = lines_of[number - 1]
        lines_of[number - 1] = mutated
        where = f'{path.relative_to(ROOT)}:{number}'
        try:
            path.write_text(''.join(lines_of), encoding='utf-8')
            if run(build_command, 1800) != 0:
                outcome = stillborn
            elif run(test_command, 1800) != 0:
                outcome = killed
            else:
                outcome = survived
        finally:
            path.write_text(original, encoding='utf-8')
        outcome.append((where, kind, before.strip(), mutated.strip()))
        name = {id(killed): 'killed', id(survived): 'SURVIVED', id(stillborn): 'stillborn'}
        print(f'[{index}/{len(sample)}] {name[id(outcome)]:9} {where} ({kind})', flush=True)
    # Leave the build as the tree is.
    run(build_command, 3600)

    counted = len(killed) + len(survived)
    print(f'\nkilled {len(killed)} of {counted} ({100 * len(killed) // max(counted, 1)}%), '
          f'{len(stillborn)} stillborn, {int(time.time() - started)} s')
    for where, kind, before, after in survived:
        print(f'survived {where} ({kind}):\n    - {before}\n    + {after}')


if __name__ == '__main__':
    main()
