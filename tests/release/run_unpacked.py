#!/usr/bin/env python3
"""Unpack the release zip into an empty folder and try it there as a user would.

Usage: run_unpacked.py --zip ZIP --tests RELEASE_TESTS_EXE [--emulator WINE]

Checks that the zip holds exactly the files a release ships, unpacks it into a
fresh temporary folder and runs release_tests (under the emulator, if given)
on that folder: the program is started there, must show every row of the
shipped table, end on Escape with exit code 0 and leave the folder as it was.
Exit status 0 when all passes, 1 on a failure, 2 for a usage error.
"""
import argparse
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import zipfile

SHIPPED = ['x86opcodes.exe', 'tuvex.db3', 'README.txt', 'LICENSE.txt', 'THIRD-PARTY-NOTICES.txt']
ZIP_NAME = re.compile(r'^x86-opcodes-([0-9]+\.[0-9]+\.[0-9]+)-win64\.zip$')


def table_rows(database_bytes, scratch):
    path = os.path.join(scratch, 'table.db3')
    with open(path, 'wb') as f:
        f.write(database_bytes)
    connection = sqlite3.connect(f'file:{path}?mode=ro', uri=True)
    try:
        return connection.execute('select count(*) from opc').fetchone()[0]
    finally:
        connection.close()


def windows_path(path, emulator):
    if not emulator:
        return path
    winepath = os.path.join(os.path.dirname(emulator), 'winepath')
    if not os.path.exists(winepath):
        winepath = 'winepath'
    result = subprocess.run([winepath, '-w', path], capture_output=True, text=True, check=True)
    return result.stdout.strip()


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--zip', required=True)
    parser.add_argument('--tests', required=True)
    parser.add_argument('--emulator', default='')
    args = parser.parse_args(argv[1:])

    name = ZIP_NAME.match(os.path.basename(args.zip))
    if not name:
        print(f'run_unpacked: {args.zip} is not named x86-opcodes-X.Y.Z-win64.zip', file=sys.stderr)
        return 1
    with zipfile.ZipFile(args.zip) as archive:
        entries = archive.namelist()
        if entries != SHIPPED:
            print(f'run_unpacked: the zip holds {entries}, not {SHIPPED}', file=sys.stderr)
            return 1
        database = archive.read('tuvex.db3')

    scratch = tempfile.mkdtemp(prefix='x86-opcodes-release-')
    try:
        rows = table_rows(database, scratch)
        folder = os.path.join(scratch, 'unpacked')
        os.mkdir(folder)
        with zipfile.ZipFile(args.zip) as archive:
            archive.extractall(folder)
        command = [args.tests, f'--folder={windows_path(folder, args.emulator)}',
                   f'--version={name.group(1)}', f'--rows={rows}', '--gtest_brief=1']
        if args.emulator:
            command.insert(0, args.emulator)
        print(f'run_unpacked: {len(entries)} files unpacked, the table has {rows} rows', flush=True)
        return 0 if subprocess.run(command, stdin=subprocess.DEVNULL).returncode == 0 else 1
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main(sys.argv))
