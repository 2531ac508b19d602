#!/usr/bin/env python3
"""Check that a Windows executable needs no DLL beyond those every Windows has.

Usage: pe_imports.py EXE

Prints the DLLs the executable imports (normal and delay-loaded), one a line,
and exits with 0 when each is a system DLL, 1 when one is not (or the file is
no PE image), 2 for a usage error.
"""
import struct
import sys

# DLLs that ship with every Windows the program supports. The C runtime is the
# system's msvcrt.dll, or the universal CRT of Windows 10 and later.
SYSTEM_DLLS = {
    'advapi32.dll', 'comctl32.dll', 'comdlg32.dll', 'gdi32.dll', 'kernel32.dll',
    'msvcrt.dll', 'ole32.dll', 'oleaut32.dll', 'shell32.dll', 'shlwapi.dll',
    'ucrtbase.dll', 'user32.dll', 'uxtheme.dll', 'version.dll', 'winspool.drv',
}
SYSTEM_PREFIXES = ('api-ms-win-',)

IMPORT_DIRECTORY = 1
DELAY_IMPORT_DIRECTORY = 13


class NotAnImage(Exception):
    pass


def _unpack(fmt, data, offset):
    size = struct.calcsize(fmt)
    if offset < 0 or offset + size > len(data):
        raise NotAnImage(f'truncated at offset {offset:#x}')
    return struct.unpack_from(fmt, data, offset)


def imported_dlls(data):
    """The DLL names of the import and delay-import tables, in table order."""
    if data[:2] != b'MZ':
        raise NotAnImage('no MZ header')
    (pe,) = _unpack('<I', data, 0x3C)
    if data[pe:pe + 4] != b'PE\0\0':
        raise NotAnImage('no PE signature')
    _, sections, _, _, _, optional_size, _ = _unpack('<HHIIIHH', data, pe + 4)
    optional = pe + 24
    (magic,) = _unpack('<H', data, optional)
    if magic == 0x20B:
        directories = optional + 112
    elif magic == 0x10B:
        directories = optional + 96
    else:
        raise NotAnImage(f'unknown optional header magic {magic:#x}')
    (directory_count,) = _unpack('<I', data, directories - 4)
    section_table = optional + optional_size
    section_list = [_unpack('<8sIIII', data, section_table + 40 * i) for i in range(sections)]

    def file_offset(rva):
        for _, virtual_size, address, raw_size, raw_pointer in section_list:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_pointer + rva - address
        raise NotAnImage(f'address {rva:#x} lies in no section')

    def name_at(rva):
        start = file_offset(rva)
        end = data.find(b'\0', start)
        if end < 0:
            raise NotAnImage('unterminated DLL name')
        return data[start:end].decode('ascii', 'replace')

    names = []
    for directory, entry_size, name_field in ((IMPORT_DIRECTORY, 20, 12), (DELAY_IMPORT_DIRECTORY, 32, 4)):
        if directory >= directory_count:
            continue
        rva, size = _unpack('<II', data, directories + 8 * directory)
        if not rva or not size:
            continue
        entry = file_offset(rva)
        while True:
            descriptor = data[entry:entry + entry_size]
            if len(descriptor) < entry_size:
                raise NotAnImage('import table runs past the end of the file')
            if descriptor == bytes(entry_size):
                break
            (name_rva,) = _unpack('<I', descriptor, name_field)
            names.append(name_at(name_rva))
            entry += entry_size
    return names


def is_system_dll(name):
    lower = name.lower()
    return lower in SYSTEM_DLLS or lower.startswith(SYSTEM_PREFIXES)


def main(argv):
    if len(argv) != 2:
        print('usage: pe_imports.py EXE', file=sys.stderr)
        return 2
    with open(argv[1], 'rb') as f:
        data = f.read()
    try:
        names = imported_dlls(data)
    except NotAnImage as e:
        print(f'pe_imports: {argv[1]}: {e}', file=sys.stderr)
        return 1
    others = [n for n in names if not is_system_dll(n)]
    for name in names:
        print(name if name not in others else f'{name}  <- not a system DLL')
    if others:
        print(f'pe_imports: {argv[1]} needs DLLs that Windows does not have: {", ".join(others)}', file=sys.stderr)
        return 1
    if not names:
        print(f'pe_imports: {argv[1]} imports nothing, which no Windows program does', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
