#!/usr/bin/env python3
"""Check that check_completeness.py reports what the table lacks, and only that.

Usage: test_completeness.py

Matches op patterns against concrete bytes, then copies the rows and the
exclusions, plants a gap or an exclusion, and runs the check on a small part
of the walk (--only), expecting exactly the planted encodings to be reported.

Exit status: 0 pass, 1 fail, 77 objdump or ZydisInfo missing.  The last line
printed is "N passed, N failed".
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import build_db  # noqa: E402
import check_completeness  # noqa: E402

# (op, form, bytes, matches?)
PATTERN_CASES = [
    ('00 mr d0 d1', 'any', '00 07', True),             # memory without displacement
    ('00 mr d0 d1', 'any', '00 06 34 12', True),       # direct address: two displacement bytes
    ('00 mr d0 d1', 'any', '00 47 05', True),          # one displacement byte
    ('00 mr d0 d1', 'any', '00 06', False),            # direct address cut short
    ('00 mr d0 d1', 'any', '00 C3', True),
    ('0F 20 mr', 'reg', '0F 20 C3', True),
    ('0F 20 mr', 'reg', '0F 20 07', False),            # register-only form, memory ModRM
    ('0F 01 /1 d0 d1', 'mem', '0F 01 C8', False),      # memory-only form, register ModRM
    ('0F 01 /1 d0 d1', 'mem', '0F 01 0F', True),
    ('0F 01 /1 d0 d1', 'mem', '0F 01 17', False),      # another digit
    ('40+r', 'any', '47', True),
    ('40+r', 'any', '48', False),
    ('D8 C0+r', 'any', 'D8 C5', True),
    ('D4 0A', 'any', 'D4 0B', False),
    ('66 E8 r0 r1 r2 r3', 'any', '66 E8 01 02 03 04', True),
    ('66 E8 r0 r1 r2 r3', 'any', '66 E8 01 02', False),
    ('F3 66 0F B8 mr d0 d1', 'any', '66 F3 0F B8 C0', True),   # mandatory prefixes in either order
    ('66 F3 0F B8 mr d0 d1', 'any', 'F3 66 0F B8 C0', True),
    ('F3 0F B8 mr d0 d1', 'any', '66 F3 0F B8 C0', False),
    ('0F 90-9F /1-7', 'any', '0F 9C 0F', True),         # exclusion ranges
    ('0F 90-9F /1-7', 'any', '0F 9C 07', False),
    ('C4 mr *', 'reg', 'C4 E2 79 18 07', True),
    ('C4 mr *', 'reg', 'C4 07', False),
]

PLAIN_HEADER = 'class\tpattern\tform\tdecoded-as\treason\n'

# (what, rows to drop as (mn, op), rows to change as ((mn, op), new op, new args), exclusions to add,
#  --only prefixes, encodings expected missing, extra check on the output)
GAP_CASES = [
    ('the table as it is misses nothing here', [], [], [],
     ['D4', 'FF', '00', '41', '66 F3 0F B8', 'F3 A4'], set(), None),
    ('a dropped row is reported', [('AAM', 'D4 0A')], [], [], ['D4'], {'D4 0A'}, None),
    ('a dropped ModRM-digit row is reported for its digit only', [('JMP', 'FF /4 d0 d1')], [], [], ['FF'],
     {'FF 27'} | {f'FF {0xE0 + r:02X}' for r in range(8)}, None),
    ('a register-only row leaves the memory forms missing', [], [(('ADD', '00 mr d0 d1'), '00 mr', 'rb,rb')], [],
     ['00'], {f'00 {r << 3 | 7:02X}' for r in range(8)}, None),
    ('a dropped +r row is reported for every register', [('INC', '40+r')], [], [], ['41', '47'],
     {'41', '47'}, None),
    ('REP before a string instruction needs the REP row', [('REP', 'F3')], [], [], ['F3 A4'], {'F3 A4'}, None),
    ('an exclusion hides the encoding and counts it under its class', [('AAM', 'D4 0A')], [],
     ['planted\tD4 0A\tany\taam\tplanted'], ['D4'], set(), r'planted 1\b'),
    ('an exclusion for another mnemonic hides nothing', [('AAM', 'D4 0A')], [],
     ['planted\tD4 0A\tany\taad\tplanted'], ['D4'], {'D4 0A'}, r'planted 0\b'),
    ('an exclusion that names a listed form fails', [], [],
     ['planted\tD4 i0\tany\taam\tplanted'], ['D4'], set(), r'(?m)^OVERLAP D4 0A .*row \d+ AAM'),
]


def copy_rows(dst, drop, change):
    """The data/*.tsv files with rows dropped or changed; returns the (mn, op) pairs not found."""
    pending = set(drop) | {key for key, _op, _args in change}
    for name in sorted(os.listdir(build_db.DATA_DIR)):
        if not name.endswith('.tsv'):
            continue
        with open(os.path.join(build_db.DATA_DIR, name), encoding='utf-8') as f:
            lines = f.read().split('\n')
        out = []
        for line in lines:
            fields = line.split('\t')
            key = (fields[1], fields[2]) if len(fields) == len(build_db.HEADER) else None
            if key in drop:
                pending.discard(key)
                continue
            for old, new_op, new_args in change:
                if key == old:
                    pending.discard(key)
                    fields[2], fields[6] = new_op, new_args
                    lo, hi = build_db.op_length(new_op.split())
                    fields[4] = str(lo) if lo == hi else f'{lo}~{hi}'
                    line = '\t'.join(fields)
            out.append(line)
        with open(os.path.join(dst, name), 'w', encoding='utf-8') as f:
            f.write('\n'.join(out))
    return pending


def run_check(*args, env=None):
    return subprocess.run([sys.executable, os.path.join(HERE, 'check_completeness.py'), *args],
                          capture_output=True, text=True, env=env)


def main():
    passed = failed = 0

    def report(name, ok, detail=''):
        nonlocal passed, failed
        if ok:
            passed += 1
        else:
            failed += 1
            print(f'FAIL {name}: {detail}')

    for op, form, hx, want in PATTERN_CASES:
        got = check_completeness.Pattern(op, form).matches(check_completeness.normalize(bytes.fromhex(hx)))
        report(f'pattern {op!r} ({form}) on {hx}', got == want, f'matched {got}, expected {want}')

    if shutil.which('objdump') is None or shutil.which('ZydisInfo') is None:
        print('test_completeness: objdump or ZydisInfo not found (apt-get install binutils zydis-tools). '
              'Skipping the runs.')
        print(f'{passed} passed, {failed} failed')
        return 1 if failed else 77

    proc = run_check(env=dict(os.environ, PATH=os.path.join(os.sep, 'nonexistent')))
    report('no decoders: exit 77', proc.returncode == 77, f'exit {proc.returncode}: {proc.stdout[-300:]}')

    with open(check_completeness.EXCLUSIONS_PATH, encoding='utf-8') as f:
        real_exclusions = f.read()
    with tempfile.TemporaryDirectory() as tmp:
        for what, drop, change, extra, only, want, figure in GAP_CASES:
            data = os.path.join(tmp, 'data')
            shutil.rmtree(data, ignore_errors=True)
            os.mkdir(data)
            absent = copy_rows(data, drop, change)
            if absent:
                report(what, False, f'rows not in the table: {sorted(absent)}')
                continue
            exclusions = os.path.join(tmp, 'exclusions.txt')
            with open(exclusions, 'w', encoding='utf-8') as f:
                f.write(real_exclusions + ''.join(line + '\n' for line in extra))
            args = ['--data', data, '--exclusions', exclusions]
            for prefix in only:
                args += ['--only', prefix]
            proc = run_check(*args, '--explain', '')
            missing = {m.group(1).strip()
                       for m in re.finditer(r'^EXPLAIN ([0-9A-F ]+?)\s{2,}.*-> MISSING$', proc.stdout, re.M)}
            overlap = 'OVERLAP' in proc.stdout
            report(what, missing == want and proc.returncode == (1 if want or overlap else 0),
                   f'exit {proc.returncode}, missing {sorted(missing)}, expected {sorted(want)}')
            last = proc.stdout.strip().split('\n')[-1]
            report(f'{what}: last line',
                   re.match(rf'^\d+ passed, {len(want) + overlap} failed$', last) is not None, last)
            if figure:
                report(f'{what}: figures', re.search(figure, proc.stdout) is not None, proc.stdout[-400:])

        bad = os.path.join(tmp, 'bad-exclusions.txt')
        for text, name in ((real_exclusions + 'planted\tD4 i0\tany\taam\t\n', 'an entry without a reason'),
                           (real_exclusions + 'planted\tD4 q0\tany\taam\tbad token\n', 'a bad pattern token'),
                           (real_exclusions.replace('decoded-as', 'names', 1), 'a wrong header')):
            with open(bad, 'w', encoding='utf-8') as f:
                f.write(text)
            proc = run_check('--exclusions', bad, '--only', 'D4')
            report(f'exclusions with {name} are refused', proc.returncode == 1 and 'bad-exclusions.txt:' in proc.stdout,
                   f'exit {proc.returncode}: {proc.stdout[-300:]}')

    print(f'{passed} passed, {failed} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
