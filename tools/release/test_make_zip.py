#!/usr/bin/env python3
"""Check that make_zip.py writes the same bytes for the same inputs, whenever and wherever it runs.

Exit status 0 when every case passes, 1 when one fails.
"""
import os
import subprocess
import sys
import tempfile
import zipfile

MAKE_ZIP = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'make_zip.py')
sys.path.insert(0, os.path.dirname(MAKE_ZIP))
import make_zip  # noqa: E402

BINARY = b'MZ\x00\n\r\n\xff' * 100  # LF and CR LF bytes that must stay as they are
TEXT = b'first line\nsecond line\r\nthird line\n'


def run(folder, output, environment, umask=0o022):
    """make_zip.py on two files of the folder; its exit status."""
    entries = [f'b.bin={os.path.join(folder, "b.bin")}', f'A.txt={os.path.join(folder, "a.txt")}']
    previous = os.umask(umask)
    try:
        return subprocess.run([sys.executable, MAKE_ZIP, '--source-dir', folder, '--output', output] + entries,
                              env=environment).returncode
    finally:
        os.umask(previous)


def main():
    results = []

    def check(what, condition):
        results.append(condition)
        if not condition:
            print(f'FAIL {what}')

    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, 'b.bin'), 'wb') as f:
            f.write(BINARY)
        with open(os.path.join(folder, 'a.txt'), 'wb') as f:
            f.write(TEXT)
        base = {k: v for k, v in os.environ.items() if k != 'SOURCE_DATE_EPOCH'}
        fixed = dict(base, SOURCE_DATE_EPOCH='1781049600', TZ='UTC')  # 2026-06-10 00:00:00 UTC

        first = os.path.join(folder, 'first.zip')
        check('make_zip succeeds', run(folder, first, fixed) == 0)
        with zipfile.ZipFile(first) as archive:
            infos = archive.infolist()
            check('entries in the order given', [i.filename for i in infos] == ['b.bin', 'A.txt'])
            check('every entry has the epoch as its time', all(i.date_time == (2026, 6, 10, 0, 0, 0) for i in infos))
            check('every entry is mode 644', all(i.external_attr >> 16 == 0o100644 for i in infos))
            check('a binary entry keeps its bytes', archive.read('b.bin') == BINARY)
            check('a .txt entry gets CR LF line ends',
                  archive.read('A.txt') == b'first line\r\nsecond line\r\nthird line\r\n')

        # Later, in another time zone, with another umask and another file time: the same bytes.
        os.utime(os.path.join(folder, 'b.bin'), (0, 0))
        second = os.path.join(folder, 'second.zip')
        run(folder, second, dict(fixed, TZ='Pacific/Kiritimati'), umask=0o077)
        with open(first, 'rb') as a, open(second, 'rb') as b:
            check('a second run gives the same bytes', a.read() == b.read())

        # Outside a git checkout and without SOURCE_DATE_EPOCH, a fixed date stands in.
        outside = os.path.join(folder, 'outside.zip')
        run(folder, outside, dict(base, GIT_CEILING_DIRECTORIES=os.path.dirname(folder)))
        with zipfile.ZipFile(outside) as archive:
            fallback = make_zip.time.gmtime(make_zip.FALLBACK_EPOCH)[:6]
            check('the fallback date outside git', all(i.date_time == fallback for i in archive.infolist()))

        check('a missing input is refused',
              subprocess.run([sys.executable, MAKE_ZIP, '--source-dir', folder, '--output', first,
                              'x=' + os.path.join(folder, 'missing')], env=fixed,
                             stderr=subprocess.DEVNULL).returncode == 1)
    failed = results.count(False)
    print(f'{len(results) - failed} passed, {failed} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
