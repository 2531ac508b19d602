#!/usr/bin/env python3
"""Check that build_db rejects rows that break the notation and builds good ones.

Usage: test_build_db.py

Exit status: 0 all cases pass, 1 some case fails.  The last line printed is
"N passed, N failed".
"""
import os
import sqlite3
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import build_db  # noqa: E402

HEADER = '\t'.join(build_db.HEADER)
GOOD = [
    '1000\tADD\t00 mr d0 d1\tN B\t2~4\tO---SZAPC\trmb,rb\t',
    '1001\tADD\t83 /0 d0 d1 i0\tE W\t3~5\tO---SZAPC\trmw,ib\tsign-extended',
    '1002\tMOV\tB8+r i0 i1\tN W\t3\t---------\trw,iw\t',
    '1003\tJMP\tEA o0 o1 s0 s1\t- -\t5\t---------\tfp\t',
    '1004\tCLC\tF8\t- -\t1\t--------0\t\t',
    '1005\tJMP\t66 EA o0 o1 o2 o3 s0 s1\t- -\t8\t---------\tfp\t',
    '1006\tCALL\t66 E8 r0 r1 r2 r3\t- -\t6\t---------\tnp\t',
    '1007\tMOV\t66 A1 o0 o1\tN W\t4\t---------\tEAX,md\t',
    '1008\tADDPD\t66 0F 58 mr d0 d1\t- -\t4~6\t---------\txmm,xmmm128\t',
    '1009\tMOVMSKPS\t0F 50 mr\t- -\t3\t---------\trd,xmm\t',
    '1010\tMONITOR\t0F 01 C8\t- -\t3\t---------\t\t',
    '1011\tCRC32\t66 F2 0F 38 F1 mr d0 d1\tN W\t6~8\t---------\trd,rmd\t',
    '1012\tPINSRW\t0F C4 mr d0 d1 i0\t- -\t4~6\t---------\tmm,rdmw,ib\t',
    '1013\tBLENDVPS\t66 0F 38 14 mr d0 d1\t- -\t5~7\t---------\txmm,xmmm128,XMM0\t',
    '1014\tCRC32\tF2 0F 38 F1 mr d0 d1\tN W\t5~7\t---------\trd,rmw\t',
]

# (what is wrong, the bad line replacing GOOD[0], text the message must contain)
BAD_ROWS = [
    ('too few fields', '1000\tADD\t00 mr d0 d1\tN B\t2~4\tO---SZAPC\trmb,rb', 'expected 8'),
    ('opid not a number', 'x\tADD\t00 mr d0 d1\tN B\t2~4\tO---SZAPC\trmb,rb\t', 'opid'),
    ('opid outside the block', '3000\tADD\t00 mr d0 d1\tN B\t2~4\tO---SZAPC\trmb,rb\t', 'outside the 8086 block'),
    ('duplicate opid', '1001\tADD\t00 mr d0 d1\tN B\t2~4\tO---SZAPC\trmb,rb\t', 'already used'),
    ('duplicate form', '1000\tADD\t83 /0 d0 d1 i0\tE W\t3~5\tO---SZAPC\trmw,ib\t', 'already listed'),
    ('lower-case mnemonic', '1000\tadd\t00 mr d0 d1\tN B\t2~4\tO---SZAPC\trmb,rb\t', 'upper-case'),
    ('lower-case hex', '1000\tADD\t0f mr d0 d1\tN B\t2~4\tO---SZAPC\trmb,rb\t', 'unknown token'),
    ('length not matching op', '1000\tADD\t00 mr d0 d1\tN B\t2~3\tO---SZAPC\trmb,rb\t', 'does not match'),
    ('length without range', '1000\tADD\t00 mr d0 d1\tN B\t4\tO---SZAPC\trmb,rb\t', 'does not match'),
    ('memory operand without d0 d1', '1000\tADD\t00 mr\tN B\t2\tO---SZAPC\trmb,rb\t', 'needs d0 d1'),
    ('d0 d1 without memory operand', '1000\tMOV\t0F 20 mr d0 d1\t- -\t3~5\t---------\trd,cr\t', 'no operand can be memory'),
    ('displacement not after ModRM', '1000\tADD\t00 mr i0 d0 d1\tN B\t3~5\tO---SZAPC\trmb,rb\t', 'directly follow'),
    ('immediate numbering gap', '1000\tADD\t05 i0 i2\tN W\t3\tO---SZAPC\tAX,iw\t', 'out of order'),
    ('two ModRM bytes', '1000\tADD\t00 mr /1 d0 d1\tN B\t3~5\tO---SZAPC\trmb,rb\t', 'more than one ModRM'),
    ('+r on a byte with low bits', '1000\tINC\t41+r\t- -\t1\tO---SZAP-\trw\t', 'low three bits'),
    ('flags too short', '1000\tADD\t00 mr d0 d1\tN B\t2~4\tO--SZAPC\trmb,rb\t', '9 characters'),
    ('flag letter in the wrong place', '1000\tADD\t00 mr d0 d1\tN B\t2~4\tC---SZAPO\trmb,rb\t', 'position O'),
    ('unknown operand', '1000\tADD\t00 mr d0 d1\tN B\t2~4\tO---SZAPC\trmx,rb\t', 'unknown operand'),
    ('W on a byte opcode', '1000\tADD\t00 mr d0 d1\tN W\t2~4\tO---SZAPC\trmb,rb\t', 'w bit clear'),
    ('B on a word opcode', '1000\tADD\t01 mr d0 d1\tN B\t2~4\tO---SZAPC\trmb,rb\t', 'w bit set'),
    ('E without the s bit', '1000\tADD\t81 /0 d0 d1 i0 i1\tE W\t4~6\tO---SZAPC\trmw,iw\t', 's bit clear'),
    ('4-byte displacement without 66', '1000\tJMP\tE9 r0 r1 r2 r3\t- -\t5\t---------\tll\t', 'needs the 66 prefix'),
    ('2-byte displacement with 66', '1000\tJMP\t66 E9 r0 r1\t- -\t4\t---------\tll\t', 'r0 r1 r2 r3'),
    ('4-byte far pointer offset without 66', '1000\tJMP\tEA o0 o1 o2 o3 s0 s1\t- -\t7\t---------\tfp\t',
     'far pointer with the 66'),
    ('4-byte offset outside a far pointer', '1000\tMOV\t66 A1 o0 o1 o2 o3\tN W\t6\t---------\tEAX,md\t',
     'far pointer with the 66'),
    ('3-byte offset', '1000\tJMP\t66 EA o0 o1 o2 s0 s1\t- -\t7\t---------\tfp\t', 'an offset must be'),
    ('sw in the wrong shape', '1000\tADD\t00 mr d0 d1\tNB\t2~4\tO---SZAPC\trmb,rb\t', 'sign bit'),
    ('F2 and F3 together', '1000\tPOPCNT\tF2 F3 0F B8 mr d0 d1\t- -\t5~7\t0---0Z000\trw,rmw\t', 'F2 and F3'),
    ('mandatory prefix before the operand-size 66', '1000\tPOPCNT\tF3 66 0F B8 mr d0 d1\t- -\t5~7\t0---0Z000\trd,rmd\t',
     'right before the opcode'),
    ('a prefix twice', '1000\tADDPD\t66 66 0F 58 mr d0 d1\t- -\t5~7\t---------\txmm,xmmm128\t', 'twice'),
    ('0F 38 map without its opcode byte', '1000\tPSHUFB\t66 0F 38 mr d0 d1\t- -\t4~6\t---------\txmm,xmmm128\t',
     'opcode byte after it is missing'),
    ('XMM register-or-memory without d0 d1', '1000\tADDPD\t66 0F 58 mr\t- -\t4\t---------\txmm,xmmm128\t', 'needs d0 d1'),
    ('register-only XMM form with d0 d1', '1000\tMOVMSKPS\t0F 50 mr d0 d1\t- -\t3~5\t---------\trd,xmm\t',
     'no operand can be memory'),
    ('unknown SIMD operand', '1000\tADDPD\t66 0F 58 mr d0 d1\t- -\t4~6\t---------\txmm,xmm128\t', 'unknown operand'),
]


def write_fixture(root, lines, header=HEADER, name='8086.tsv'):
    data = os.path.join(root, 'data')
    os.makedirs(data, exist_ok=True)
    with open(os.path.join(data, name), 'w', encoding='utf-8', newline='') as f:
        f.write(header + '\n' + ''.join(line + '\n' for line in lines))
    return data


def cases():
    """Yield (name, ok, detail)."""
    with tempfile.TemporaryDirectory() as tmp:
        data = write_fixture(os.path.join(tmp, 'good'), GOOD)
        try:
            rows = build_db.load_rows(data)
            yield ('good fixture loads', [r[0] for r in rows] == list(range(1000, 1015)), repr(rows))
        except build_db.RowError as e:
            yield ('good fixture loads', False, str(e))

        for what, line, expected in BAD_ROWS:
            data = write_fixture(os.path.join(tmp, what.replace(' ', '_')), [line] + GOOD[1:])
            try:
                build_db.load_rows(data)
                yield (f'rejects {what}', False, 'no error')
            except build_db.RowError as e:
                msg = str(e)
                yield (f'rejects {what}', expected in msg and '8086.tsv:2' in msg, msg)

        data = write_fixture(os.path.join(tmp, 'header'), GOOD, header='opid\tmn\top')
        try:
            build_db.load_rows(data)
            yield ('rejects a wrong header', False, 'no error')
        except build_db.RowError as e:
            yield ('rejects a wrong header', 'header' in str(e), str(e))

        # A file of a later extension: its opid block, and the cpu column takes the extension's name.
        data = write_fixture(os.path.join(tmp, 'extension'),
                             ['16000\tPTEST\t66 0F 38 17 mr d0 d1\t- -\t5~7\t0---0Z00C\txmm,xmmm128\t'],
                             name='sse4.1.tsv')
        try:
            rows = build_db.load_rows(data)
            yield ('an extension file names its cpu', rows[0][7] == 'SSE4.1', repr(rows))
        except build_db.RowError as e:
            yield ('an extension file names its cpu', False, str(e))
        data = write_fixture(os.path.join(tmp, 'extension_block'),
                             ['1000\tPTEST\t66 0F 38 17 mr d0 d1\t- -\t5~7\t0---0Z00C\txmm,xmmm128\t'],
                             name='sse4.1.tsv')
        try:
            build_db.load_rows(data)
            yield ('an extension row outside its block is rejected', False, 'no error')
        except build_db.RowError as e:
            yield ('an extension row outside its block is rejected', 'outside the sse4.1 block' in str(e), str(e))

        # CRC32 rd,rmd (66 F2 ...) is in GOOD; without its 16-bit twin the 66 cannot be the operand size.
        lone = '1000\tPOPCNT\t66 F3 0F B8 mr d0 d1\t- -\t5~7\t0---0Z000\trd,rmd\t'
        data = write_fixture(os.path.join(tmp, 'twin'), [lone] + GOOD[1:])
        try:
            build_db.load_rows(data)
            yield ('rejects an operand-size 66 without the 16-bit form', False, 'no error')
        except build_db.RowError as e:
            yield ('rejects an operand-size 66 without the 16-bit form',
                   'is not listed' in str(e) and '8086.tsv:2' in str(e), str(e))

        data = write_fixture(os.path.join(tmp, 'cpu'), GOOD, name='z80.tsv')
        try:
            build_db.load_rows(data)
            yield ('rejects an unknown generation', False, 'no error')
        except build_db.RowError as e:
            yield ('rejects an unknown generation', 'unknown generation' in str(e), str(e))

        # The real build: replaces whatever is at OUT_PATH and leaves no temp file.
        out = os.path.join(tmp, 'opcodes.db')
        with open(out, 'w') as f:
            f.write('not a database')
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'build_db.py')
        proc = subprocess.run([sys.executable, script, out], capture_output=True, text=True)
        yield ('build_db.py exits 0 on the real data', proc.returncode == 0, proc.stderr)
        leftovers = [f for f in os.listdir(tmp) if f.startswith('opcodes.db.')]
        yield ('no temporary file left', leftovers == [], repr(leftovers))
        try:
            con = sqlite3.connect(out)
            count = con.execute('select count(*) from opc').fetchone()[0]
            mode = con.execute('pragma journal_mode').fetchone()[0]
            con.close()
            yield ('old file replaced by the table', count > 0 and mode == 'delete', f'{count} rows, {mode}')
        except sqlite3.Error as e:
            yield ('old file replaced by the table', False, str(e))
        proc = subprocess.run([sys.executable, script], capture_output=True, text=True)
        yield ('build_db.py without OUT_PATH is a usage error', proc.returncode == 2, proc.stderr)


def main():
    passed = failed = 0
    for name, ok, detail in cases():
        if ok:
            passed += 1
        else:
            failed += 1
            print(f'FAIL {name}: {detail}')
    print(f'{passed} passed, {failed} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
