#!/usr/bin/env python3
"""Check that pe_imports.py catches what it is there for, on copies of a real executable.

Usage: test_pe_imports.py EXE

Exit status 0 when every case passes, 1 when one fails, 2 for a usage error.
"""
import contextlib
import io
import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pe_imports  # noqa: E402


def run_checker(data):
    """pe_imports' exit status and output for an executable of these bytes."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, 'program.exe')
        with open(path, 'wb') as f:
            f.write(data)
        output = io.StringIO()
        with contextlib.redirect_stdout(output), contextlib.redirect_stderr(output):
            status = pe_imports.main(['pe_imports.py', path])
        return status, output.getvalue()


def renamed_import(data, old, new):
    """The executable with one imported DLL's name replaced by a name of the same length."""
    assert len(old) == len(new)
    at = data.find(old + b'\0')
    assert at >= 0, f'{old!r} is not imported'
    return data[:at] + new + data[at + len(old):]


def main(argv):
    if len(argv) != 2:
        print('usage: test_pe_imports.py EXE', file=sys.stderr)
        return 2
    with open(argv[1], 'rb') as f:
        real = f.read()
    names = pe_imports.imported_dlls(real)
    runtime = next(n for n in names if n.lower() == 'msvcrt.dll').encode()
    cases = [
        # (what, executable bytes, expected status, text the output must hold)
        ('the real executable', real, 0, 'KERNEL32.dll'),
        ('a C runtime DLL of the compiler', renamed_import(real, runtime, b'libgcc.dll'), 1, 'libgcc.dll'),
        ('a thread library DLL', renamed_import(real, b'USER32.dll', b'pthread.dl'), 1, 'pthread.dl'),
        ('a truncated file', real[:0x200], 1, 'truncated'),
        ('no executable at all', b'#!/bin/sh\n' * 64, 1, 'no MZ header'),
        ('an MZ stub without a PE header', b'MZ' + bytes(0x3A) + bytes(4) + bytes(64), 1, 'no PE signature'),
    ]
    failed = 0
    for what, data, expected, needle in cases:
        status, output = run_checker(data)
        if status != expected or needle not in output:
            failed += 1
            print(f'FAIL {what}: status {status} (want {expected}), output {output!r} lacks {needle!r}')
    print(f'{len(cases) - failed} passed, {failed} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
