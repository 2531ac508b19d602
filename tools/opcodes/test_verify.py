#!/usr/bin/env python3
"""Check that verify_opcodes.py catches wrong rows.

Usage: test_verify.py

Builds the real table, plants one mistake of each kind the decoders can see,
and expects the verifier to fail exactly the planted rows.

Exit status: 0 pass, 1 fail, 77 objdump or ZydisInfo missing.  The last line
printed is "N passed, N failed".
"""
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import build_db  # noqa: E402

# (what is wrong, the row to spoil (mn, op), the columns to set)
MISTAKES = [
    ('wrong flag', ('ADD', '00 mr d0 d1'), {'flags': 'O---SZAP-'}),
    ('wrong flag on a one-byte row', ('CPUID', '0F A2'), {'flags': '--------0'}),
    ('immediate one byte too long', ('ADD', '04 i0'), {'op': '04 i0 i1', 'len': '3', 'args': 'AL,iw'}),
    ('relative displacement too long', ('LOOP', 'E2 r0'), {'op': 'E2 r0 r1', 'len': '3'}),
    ('opcode of another condition', ('JZ', '74 r0'), {'op': '75 r0'}),
    ('ModRM digit of another instruction', ('SHL', 'D0 /4 d0 d1'), {'op': 'D0 /5 d0 d1'}),
    ('x87 operand of the wrong size', ('FADD', 'D8 /0 d0 d1'), {'op': 'DC /0 d0 d1'}),
    ('x87 operand named with the wrong size', ('FLD', 'DB /5 d0 d1'), {'args': 'mqr'}),
    ('string instruction of the wrong size', ('MOVSB', 'A4'), {'op': 'A5'}),
    ('waiting form with the wrong opcode', ('FSTENV', '9B D9 /6 d0 d1'), {'op': '9B DD /6 d0 d1'}),
    ('operands in the wrong order', ('MOV', '8A mr d0 d1'), {'args': 'rmb,rb'}),
    ('two-byte opcode without 0F', ('BSF', '0F BC mr d0 d1'), {'op': 'BC mr d0 d1', 'len': '2~4'}),
    ('near return opcode on a far return row', ('RETF', 'CB'), {'op': 'C3'}),
    ('32-bit far return opcode on a near return row', ('RET', '66 C3'), {'op': '66 CB'}),
    ('32-bit jump with a 16-bit displacement', ('JMP', '66 E9 r0 r1 r2 r3'), {'op': '66 E9 r0 r1', 'len': '4'}),
    ('32-bit conditional jump without 66', ('JZ', '66 0F 84 r0 r1 r2 r3'), {'op': '0F 84 r0 r1 r2 r3'}),
    ('direct far call with a 16-bit offset after 66', ('CALL', '66 9A o0 o1 o2 o3 s0 s1'),
     {'op': '66 9A o0 o1 s0 s1', 'len': '6'}),
    ('32-bit waiting form with the wrong opcode', ('FSAVE', '9B 66 DD /6 d0 d1'), {'op': '9B 66 D9 /6 d0 d1'}),
    ('mandatory prefix of another instruction', ('ADDPD', '66 0F 58 mr d0 d1'), {'op': 'F2 0F 58 mr d0 d1'}),
    ('SIMD memory operand of the wrong size', ('MOVSD', 'F2 0F 10 mr d0 d1'), {'args': 'xmm,xmmm32'}),
    ('MMX register where the form takes XMM', ('PADDB', '66 0F FC mr d0 d1'), {'args': 'mm,mmm64'}),
    ('32-bit register where the form takes a word one', ('CMOVZ', '0F 44 mr d0 d1'), {'args': 'rd,rmd'}),
    ('conditional move of another condition', ('CMOVZ', '0F 44 mr d0 d1'), {'op': '0F 45 mr d0 d1'}),
    ('0F 3A map instead of 0F 38', ('AESENC', '66 0F 38 DC mr d0 d1'), {'op': '66 0F 3A DC mr d0 d1'}),
    ('operand missing from a register-only form', ('MOVMSKPS', '0F 50 mr'), {'args': 'rd'}),
    ('compare flags left out', ('COMISS', '0F 2F mr d0 d1'), {'flags': '---------'}),
    ('cpu of another extension', ('SHA1MSG1', '0F 38 C9 mr d0 d1'), {'cpu': 'SSE4.1'}),
    ('fixed ModRM byte of another instruction', ('MONITOR', '0F 01 C8'), {'op': '0F 01 CA'}),
]


def main():
    if shutil.which('objdump') is None or shutil.which('ZydisInfo') is None:
        print('test_verify: objdump or ZydisInfo not found (apt-get install binutils zydis-tools). Skipping.')
        return 77
    passed = failed = 0

    def report(name, ok, detail=''):
        nonlocal passed, failed
        if ok:
            passed += 1
        else:
            failed += 1
            print(f'FAIL {name}: {detail}')

    with tempfile.TemporaryDirectory() as tmp:
        db = os.path.join(tmp, 'spoiled.db')
        build_db.write_db(build_db.load_rows(), db)
        con = sqlite3.connect(db)
        spoiled = {}
        for what, (mn, op), changes in MISTAKES:
            row = con.execute('select opid from opc where mn = ? and op = ?', (mn, op)).fetchone()
            if row is None:
                report(f'{what}: row {mn} {op} exists', False, 'not in the table')
                continue
            sets = ', '.join(f'{col} = ?' for col in changes)
            con.execute(f'update opc set {sets} where opid = ?', (*changes.values(), row[0]))
            spoiled[row[0]] = what
        con.commit()
        con.close()

        proc = subprocess.run([sys.executable, os.path.join(HERE, 'verify_opcodes.py'), '--db', db],
                              capture_output=True, text=True)
        failed_opids = {int(m.group(1)) for m in re.finditer(r'^FAIL (\d+) ', proc.stdout, re.M)}
        report('verifier exits 1', proc.returncode == 1, f'exit {proc.returncode}')
        for opid, what in spoiled.items():
            report(f'caught: {what}', opid in failed_opids, f'row {opid} passed')
        extra = failed_opids - set(spoiled)
        report('no other row fails', not extra, proc.stdout)
        last = proc.stdout.strip().splitlines()[-1] if proc.stdout.strip() else ''
        report('summary line', re.fullmatch(r'\d+ passed, \d+ failed', last) is not None, repr(last))
    print(f'{passed} passed, {failed} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
