#!/usr/bin/env python3
"""Write the release zip, byte for byte the same for the same inputs.

Usage: make_zip.py --source-dir DIR --output ZIP NAME=PATH...

Entries are stored in the order given, each NAME taken from PATH. Every entry
gets the same time, the commit's: SOURCE_DATE_EPOCH when set, else the time of
the source tree's last commit, else a fixed date. Files whose name ends in
.txt get CR LF line ends for the Windows editors that want them. Exit status
0 on success, 1 for a missing input, 2 for a usage error.
"""
import argparse
import os
import subprocess
import sys
import time
import zipfile

# Used when the sources are not a git checkout: any fixed value keeps rebuilds equal.
FALLBACK_EPOCH = 1767225600  # 2026-01-01 00:00:00 UTC
ZIP_EPOCH_MIN = 315532800  # 1980-01-01, the first time a zip entry can hold
FILE_MODE = 0o100644


def source_date_epoch(source_dir):
    value = os.environ.get('SOURCE_DATE_EPOCH', '').strip()
    if value:
        return int(value)
    try:
        result = subprocess.run(['git', '-C', source_dir, 'log', '-1', '--format=%ct'],
                                capture_output=True, text=True, check=True)
        return int(result.stdout.strip())
    except (OSError, subprocess.CalledProcessError, ValueError):
        return FALLBACK_EPOCH


def entry_bytes(name, path):
    with open(path, 'rb') as f:
        data = f.read()
    if name.lower().endswith('.txt'):
        data = data.replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')
    return data


def write_zip(output, entries, epoch):
    """entries: (name, bytes) pairs, written in that order."""
    date_time = time.gmtime(max(epoch, ZIP_EPOCH_MIN))[:6]
    temporary = output + '.tmp'
    with zipfile.ZipFile(temporary, 'w') as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=date_time)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, so that the permission bits below are read
            info.external_attr = FILE_MODE << 16
            archive.writestr(info, data, compresslevel=9)
    os.replace(temporary, output)


def main(argv):
    parser = argparse.ArgumentParser(description='Write the release zip.')
    parser.add_argument('--source-dir', required=True)
    parser.add_argument('--output', required=True)
    parser.add_argument('entries', nargs='+', metavar='NAME=PATH')
    args = parser.parse_args(argv[1:])
    entries = []
    for entry in args.entries:
        name, sep, path = entry.partition('=')
        if not sep or not name or not path:
            parser.error(f'{entry!r} is not NAME=PATH')
        if not os.path.isfile(path):
            print(f'make_zip: no file {path} for {name}', file=sys.stderr)
            return 1
        entries.append((name, entry_bytes(name, path)))
    write_zip(args.output, entries, source_date_epoch(args.source_dir))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
