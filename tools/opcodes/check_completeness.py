#!/usr/bin/env python3
"""Check that the opcode table lists every encoding the decoders accept.

Usage: check_completeness.py [--missing-out FILE] [--verbose] [--only HEX]... [--explain HEX]
                             [--data DIR] [--exclusions FILE]

The check walks the opcode maps (one-byte, 0F, 0F 38, 0F 3A) with each
prefix set (none, 66, F2, F3, and for the 0F maps 66 F2 and 66 F3), every
opcode byte, and, for opcodes that take a ModRM byte, every reg field with a
memory operand (mod 00, r/m 111: [BX], no displacement) and with every
register operand (mod 11, all eight r/m values, which reaches the fixed
ModRM forms such as 0F 01 C8).  Immediate bytes are 0A, so AAM and AAD meet
their documented base.  Each candidate is decoded as 16-bit code by GNU
objdump and by Zydis.

An encoding counts as accepted when both decoders decode it to the same
length; encodings that only one decoder accepts are counted and listed with
--verbose but fail nothing, since a row needs both decoders to pass the
verifier.  Every accepted encoding must match a row of data/*.tsv, be a
REP or REPNE prefix row in front of a listed string instruction, or be named
by data/exclusions.txt; the rest are reported as missing, grouped by opcode.

Exit status: 0 nothing missing, 1 some encoding is missing (or the table or
the exclusions cannot be read), 77 a decoder is missing, 2 usage error.
The last line printed is "N passed, N failed".
"""
import argparse
import concurrent.futures
import ctypes
import ctypes.util
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import build_db  # noqa: E402
import verify_opcodes  # noqa: E402

SKIP = 77
EXCLUSIONS_PATH = os.path.join(build_db.DATA_DIR, 'exclusions.txt')
EXCLUSIONS_HEADER = ['class', 'pattern', 'form', 'decoded-as', 'reason']

MAPS = [(), (0x0F,), (0x0F, 0x38), (0x0F, 0x3A)]
PREFIX_SETS = [(), (0x66,), (0xF2,), (0xF3,)]
# A mandatory F2/F3 combines with an operand-size 66 only in the escape maps
# (CRC32, POPCNT, LZCNT ...).
ESCAPE_PREFIX_SETS = PREFIX_SETS + [(0x66, 0xF2), (0x66, 0xF3)]
PREFIX_BYTES = {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0x66, 0x67, 0xF0, 0xF2, 0xF3}
MANDATORY_PREFIXES = {0x66, 0xF2, 0xF3}
TAIL = bytes([0x0A] * 6)   # immediate and displacement bytes after the opcode
MEMORY_RM = 0b111          # [BX]: a memory operand without displacement bytes

STRING_MNEMONICS = {'movsb', 'movsw', 'movsd', 'cmpsb', 'cmpsw', 'cmpsd', 'stosb', 'stosw', 'stosd',
                    'lodsb', 'lodsw', 'lodsd', 'scasb', 'scasw', 'scasd', 'insb', 'insw', 'insd',
                    'outsb', 'outsw', 'outsd'}
# Words objdump prints for prefixes in front of the instruction proper.
PREFIX_WORDS = {'data16', 'data32', 'addr16', 'addr32', 'rep', 'repz', 'repe', 'repnz', 'repne',
                'bnd', 'notrack', 'xacquire', 'xrelease', 'lock'}


class Zydis:
    """Zydis through its shared library: the walk decodes a few hundred
    thousand candidates, far too many for one ZydisInfo process each.  Only
    the first fields of the decoded instruction are read (mnemonic, length,
    attributes); the constructor checks them against ZydisInfo itself."""

    STATUS_FAILED = 0x80000000
    MODE_LONG_COMPAT_16 = 2    # what ZydisInfo -16 uses
    STACK_WIDTH_16 = 0
    ATTRIB_HAS_MODRM = 1

    def __init__(self):
        name = ctypes.util.find_library('Zydis') or 'libZydis.so.4.0'
        self.lib = ctypes.CDLL(name)
        self.lib.ZydisDecoderInit.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        self.lib.ZydisDecoderInit.restype = ctypes.c_uint32
        self.lib.ZydisDecoderDecodeFull.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t,
                                                    ctypes.c_void_p, ctypes.c_void_p]
        self.lib.ZydisDecoderDecodeFull.restype = ctypes.c_uint32
        self.lib.ZydisMnemonicGetString.argtypes = [ctypes.c_int]
        self.lib.ZydisMnemonicGetString.restype = ctypes.c_char_p
        self.decoder = ctypes.create_string_buffer(256)
        self.instruction = ctypes.create_string_buffer(4096)
        self.operands = ctypes.create_string_buffer(16384)
        status = self.lib.ZydisDecoderInit(self.decoder, self.MODE_LONG_COMPAT_16, self.STACK_WIDTH_16)
        if status & self.STATUS_FAILED:
            raise OSError(f'ZydisDecoderInit failed: {status:#x}')
        self.names = {}

    def decode(self, code):
        """(mnemonic, length, has_modrm) or None."""
        status = self.lib.ZydisDecoderDecodeFull(self.decoder, code, len(code), self.instruction, self.operands)
        if status & self.STATUS_FAILED:
            return None
        raw = self.instruction.raw
        number = int.from_bytes(raw[4:8], 'little')
        name = self.names.get(number)
        if name is None:
            name = self.names[number] = self.lib.ZydisMnemonicGetString(number).decode()
        return name, raw[8], bool(int.from_bytes(raw[32:40], 'little') & self.ATTRIB_HAS_MODRM)

    def agrees_with_zydisinfo(self):
        samples = ['0F 58 C0', '90', '66 0F 38 00 07', 'F3 0F B8 C0', 'D4 0A', '0F 01 C8', 'C5 F8 58 C0',
                   '0F 04', 'D9 E0', '66 0F 3A 0F C0 0A']
        for hx in samples:
            code = bytes.fromhex(hx)
            mine = self.decode(code)
            info = zydisinfo(code)
            if (mine is None) != (info is None) or \
                    (mine and mine != (info['mnemonic'], info['length'], info['has_modrm'])):
                return f'{hx}: library says {mine}, ZydisInfo says {info}'
        return None


def zydisinfo(code):
    """ZydisInfo's view of one encoding: mnemonic, length, ISA set and extension."""
    proc = subprocess.run(['ZydisInfo', '-16', code.hex(' ').upper()], capture_output=True, text=True,
                          env=dict(os.environ, LC_ALL='C'))
    out = proc.stdout
    mnemonic = re.search(r'MNEMONIC:\s*(\S+)', out)
    length = re.search(r'LENGTH:\s*(\d+)', out)
    if proc.returncode != 0 or 'Could not decode' in out + proc.stderr or not mnemonic or not length:
        return None
    isa_set = re.search(r'ISA-SET:\s*(\S+)', out)
    isa_ext = re.search(r'ISA-EXT:\s*(\S+)', out)
    return {'mnemonic': mnemonic.group(1), 'length': int(length.group(1)),
            'has_modrm': bool(re.search(r'ATTRIBUTES:.*\bHAS_MODRM\b', out)),
            'isa': f'{isa_set.group(1) if isa_set else "?"}/{isa_ext.group(1) if isa_ext else "?"}'}


def objdump_all(codes, workers=2):
    """The verifier's batched objdump run, split over two processes."""
    chunk = (len(codes) + workers - 1) // workers or 1
    parts = [codes[i:i + chunk] for i in range(0, len(codes), chunk)]
    with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
        return [r for part in pool.map(verify_opcodes.run_objdump, parts) for r in part]


# --- the walk ---------------------------------------------------------------

def candidates(zydis, only=(b'',)):
    """Every byte sequence the walk tries (each is followed by TAIL), with
    whether objdump needs to see it.

    objdump sees everything Zydis accepts.  Where Zydis rejects, it sees only
    the memory form and register r/m 0 of each reg field, which shows what
    objdump alone accepts while halving its input."""
    out = []
    for escape in MAPS:
        for prefixes in (ESCAPE_PREFIX_SETS if escape else PREFIX_SETS):
            for opcode in range(256):
                if not escape and (opcode in PREFIX_BYTES or opcode == 0x0F):
                    continue
                if escape == (0x0F,) and opcode in (0x38, 0x3A):
                    continue
                head = bytes(prefixes + escape + (opcode,))
                if not any(head.startswith(o) or o.startswith(head) for o in only):
                    continue
                probe = zydis.decode(head + b'\xC0' + TAIL)
                if probe is not None and not probe[2]:
                    if head.startswith(tuple(only)):
                        out.append((head, zydis.decode(head + TAIL), True))
                    continue
                for reg in range(8):
                    for modrm in [reg << 3 | MEMORY_RM] + [0xC0 | reg << 3 | rm for rm in range(8)]:
                        code = head + bytes([modrm])
                        if not code.startswith(tuple(only)):
                            continue
                        zy = zydis.decode(code + TAIL)
                        out.append((code, zy, zy is not None or modrm & 7 in (0, MEMORY_RM)))
    return out


def normalize(code):
    """The leading run of 66/F2/F3 in a fixed order, so that a row may write
    the mandatory prefixes in either order the decoders accept."""
    i = 0
    while i < len(code) and code[i] in MANDATORY_PREFIXES:
        i += 1
    return bytes(sorted(code[:i])) + bytes(code[i:])


def opcode_head(code):
    """The prefixes, escape bytes and opcode byte that begin code, or None if
    code ends before its opcode byte."""
    i = 0
    while i < len(code) and code[i] in MANDATORY_PREFIXES:
        i += 1
    if i < len(code) and code[i] == 0x0F:
        i += 1
        if i < len(code) and code[i] in (0x38, 0x3A):
            i += 1
    return tuple(code[:i + 1]) if i < len(code) else None


# --- op patterns ------------------------------------------------------------

def modrm_displacement(modrm):
    mod, rm = modrm >> 6, modrm & 7
    if mod == 1:
        return 1
    if mod == 2 or (mod == 0 and rm == 6):
        return 2
    return 0


class Pattern:
    """An op pattern in the table's notation, matched against concrete bytes.

    `form` is 'reg' (ModRM mod 11 only), 'mem' (mod 00..10 only) or 'any'.
    The exclusions file may also write a byte range (`90-9F`), a range of
    reg digits (`/1-7`) and a final `*` for any further bytes."""

    def __init__(self, op, form):
        tokens = op.split()
        lead = []
        while tokens and tokens[0] in ('66', 'F2', 'F3'):
            lead.append(tokens.pop(0))
        self.steps = []
        for tok in sorted(lead) + tokens:
            if tok == '*':
                self.steps.append(('rest', 0, 0))
            elif tok in ('d0', 'd1'):
                continue       # consumed with the ModRM byte, as many as it needs
            elif tok == 'mr':
                self.steps.append(('modrm', 0, 7))
            elif tok.startswith('/'):
                lo, _, hi = tok[1:].partition('-')
                self.steps.append(('modrm', int(lo), int(hi or lo)))
            elif tok.endswith('+r'):
                self.steps.append(('byte', int(tok[:2], 16), int(tok[:2], 16) + 7))
            elif re.match(r'^[0-9A-F]{2}(-[0-9A-F]{2})?$', tok):
                lo, _, hi = tok.partition('-')
                self.steps.append(('byte', int(lo, 16), int(hi or lo, 16)))
            else:
                self.steps.append(('data', 0, 0))
        self.form = form

    def heads(self):
        """Every opcode head (see opcode_head) this pattern can match."""
        heads = [()]
        for kind, lo, hi in self.steps:
            if kind != 'byte':
                break
            heads = [h + (b,) for h in heads for b in range(lo, hi + 1)]
            if opcode_head(heads[0]) is not None:
                break
        return [h for h in heads if opcode_head(h) == h]

    def matches(self, code):
        pos = 0
        for kind, lo, hi in self.steps:
            if kind == 'rest':
                return True
            if pos >= len(code):
                return False
            byte = code[pos]
            if kind == 'byte' and not lo <= byte <= hi:
                return False
            if kind == 'modrm':
                if not lo <= (byte >> 3 & 7) <= hi:
                    return False
                register = byte >> 6 == 3
                if (register and self.form == 'mem') or (not register and self.form == 'reg'):
                    return False
                pos += modrm_displacement(byte)
            pos += 1
        return pos == len(code)


def row_form(tokens, operands):
    if not any(t == 'mr' or t.startswith('/') for t in tokens):
        return 'any'
    if any(a in build_db.REG_OR_MEM for a in operands):
        return 'any'
    if any(a in build_db.MEM_ONLY for a in operands):
        return 'mem'
    return 'reg'


def row_patterns(rows):
    """(Pattern, row) for every row, indexed by the opcode head it can match."""
    index = {}
    for row in rows:
        op, args = row[2], row[6]
        pattern = Pattern(op, row_form(op.split(), args.split(',') if args else []))
        for head in pattern.heads():
            index.setdefault(head, []).append((pattern, row))
        if op in ('F2', 'F3'):
            index[('prefix', int(op, 16))] = row     # REPNE, REP
    return index


class Exclusion:
    def __init__(self, cls, pattern, form, names, reason):
        self.cls = cls
        self.pattern_text = pattern
        self.rule = RULES[pattern] if pattern.startswith('@') else None
        self.pattern = None if self.rule else Pattern(pattern, form)
        self.names = None if names == '*' else set(names.split(','))
        self.reason = reason

    def matches(self, code, decoded):
        if self.names is not None and decoded[code]['zydis'] not in self.names:
            return False
        if self.rule:
            return self.rule(code, decoded)
        return self.pattern.matches(normalize(code))


def load_exclusions(path):
    """The entries of the exclusions file, in file order."""
    with open(path, encoding='utf-8') as f:
        lines = f.read().split('\n')
    entries = []
    header_seen = False
    for lineno, line in enumerate(lines, start=1):
        if not line.strip() or line.startswith('#'):
            continue
        fields = line.split('\t')
        where = f'{path}:{lineno}'
        if not header_seen:
            if fields != EXCLUSIONS_HEADER:
                raise ValueError(f'{where}: header must be: {" ".join(EXCLUSIONS_HEADER)} (tab-separated)')
            header_seen = True
            continue
        if len(fields) != len(EXCLUSIONS_HEADER) or not all(x.strip() for x in fields):
            raise ValueError(f'{where}: expected {", ".join(EXCLUSIONS_HEADER)}, tab-separated, none empty')
        cls, pattern, form, names, reason = fields
        if form not in ('reg', 'mem', 'any'):
            raise ValueError(f'{where}: form must be reg, mem or any')
        if pattern.startswith('@'):
            if pattern not in RULES:
                raise ValueError(f'{where}: unknown rule {pattern} (known: {", ".join(RULES)})')
        else:
            tokens = pattern.split(' ')
            for i, tok in enumerate(tokens):
                if not re.match(r'^([0-9A-F]{2}(-[0-9A-F]{2}|\+r)?|mr|/[0-7](-[0-7])?|[dior][0-3])$', tok) \
                        and not (tok == '*' and i == len(tokens) - 1):
                    raise ValueError(f'{where}: bad pattern token {tok!r}')
        if names != '*' and not re.match(r'^[a-z0-9_-]+(,[a-z0-9_-]+)*$', names):
            raise ValueError(f'{where}: decoded-as must be * or Zydis mnemonics separated by commas')
        entries.append(Exclusion(cls, pattern, form, names, reason))
    if not header_seen:
        raise ValueError(f'{path}: no header line')
    return entries


# --- judging ------------------------------------------------------------------

def objdump_core(text):
    """objdump's text without prefix words, branch targets reduced to N."""
    words = text.split()
    while words and words[0] in PREFIX_WORDS:
        words.pop(0)
    core = ' '.join(words)
    if words and (words[0].startswith('j') or words[0].startswith('loop') or words[0] in ('call', 'xbegin')):
        core = re.sub(r'0x[0-9a-f]+', 'N', core)
    return core


def redundant_prefix(code, decoded):
    """A leading 66, F2 or F3 that the decoders read the same without: same
    Zydis mnemonic, same objdump text, one byte shorter.  REP and REPNE in
    front of a string instruction are never redundant: their rows cover them."""
    i = 0
    while i < len(code) and code[i] in MANDATORY_PREFIXES:
        if code[i] != 0x66 and decoded[code]['zydis'] in STRING_MNEMONICS:
            i += 1
            continue
        without = code[:i] + code[i + 1:]
        other = decoded.get(without)
        if other and other['zydis'] == decoded[code]['zydis'] \
                and objdump_core(other['objdump']) == objdump_core(decoded[code]['objdump']):
            return True
        i += 1
    return False


RULES = {'@redundant-prefix': redundant_prefix}


def covered_by_row(code, index):
    norm = normalize(code)
    for pattern, row in index.get(opcode_head(norm), []):
        if pattern.matches(norm):
            return row
    return None


def prefix_row_cover(code, decoded, index):
    """REP or REPNE in front of a string instruction: the prefix row and the
    string instruction's row together."""
    if code[0] not in (0xF2, 0xF3) or decoded[code]['zydis'] not in STRING_MNEMONICS:
        return None
    prefix_row = index.get(('prefix', code[0]))
    rest = covered_by_row(code[1:], index)
    return (prefix_row, rest) if prefix_row and rest else None


def exclusion_index(exclusions):
    """The pattern entries by opcode head, in file order (rules apply to any head)."""
    index = {}
    for order, entry in enumerate(exclusions):
        if entry.pattern:
            for head in entry.pattern.heads():
                index.setdefault(head, []).append((order, entry))
    return index


def first_exclusion(code, decoded, exclusions, by_head):
    """The first entry of the file that names code, or None."""
    candidates = list(by_head.get(opcode_head(normalize(code)), []))
    candidates += [(order, entry) for order, entry in enumerate(exclusions) if entry.rule]
    for _order, entry in sorted(candidates, key=lambda oe: oe[0]):
        if entry.matches(code, decoded):
            return entry
    return None


def judge(accepted, decoded, index, exclusions):
    """Sort the accepted encodings into covered, excluded (by class) and missing,
    and find the pattern entries that also name encodings a row covers: such an
    entry would hide that row's forms if the row went missing."""
    covered, excluded, missing, overlaps = [], {}, [], []
    by_head = exclusion_index(exclusions)
    for code in accepted:
        if covered_by_row(code, index) or prefix_row_cover(code, decoded, index):
            covered.append(code)
            for _order, entry in by_head.get(opcode_head(normalize(code)), []):
                if entry.matches(code, decoded):
                    overlaps.append((code, entry))
            continue
        entry = first_exclusion(code, decoded, exclusions, by_head)
        if entry:
            excluded.setdefault(entry.cls, []).append(code)
        else:
            missing.append(code)
    return covered, excluded, missing, overlaps


def describe_groups(codes, decoded):
    """One line per opcode and mnemonic: representative bytes, decoders' texts,
    Zydis's ISA set, and which ModRM forms are affected."""
    groups = {}
    for code in codes:
        d = decoded[code]
        head = bytes(opcode_head(code))
        modrm = code[len(head)] if d['has_modrm'] and len(code) > len(head) else None
        key = (head, d['zydis'])
        g = groups.setdefault(key, {'codes': [], 'reg': set(), 'mem': set()})
        g['codes'].append(code)
        if modrm is not None:
            g['reg' if modrm >> 6 == 3 else 'mem'].add(modrm >> 3 & 7)
    lines = []
    for (head, _mn), g in sorted(groups.items(), key=lambda kv: (normalize(kv[0][0]), kv[0][1])):
        first = g['codes'][0]
        info = zydisinfo(first) or {'isa': '?'}
        forms = []
        for form in ('reg', 'mem'):
            if g[form]:
                forms.append(f'{form} /' + ''.join(str(r) for r in sorted(g[form])))
        lines.append(f'{first.hex(" ").upper():<24} {decoded[first]["objdump"]:<48} '
                     f'[{info["isa"]}] {len(g["codes"])} encoding(s){"; " + ", ".join(forms) if forms else ""}')
    return lines


def explain(start, accepted, decoded, index, exclusions):
    for code in accepted:
        if not code.startswith(start):
            continue
        row = covered_by_row(code, index)
        pair = prefix_row_cover(code, decoded, index)
        entry = first_exclusion(code, decoded, exclusions, exclusion_index(exclusions))
        verdict = (f'row {row[0]} {row[1]} {row[6]} / {row[2]}' if row else
                   f'rows {pair[0][1]} + {pair[1][0]} {pair[1][1]}' if pair else
                   f'excluded: {entry.cls}' if entry else 'MISSING')
        print(f'EXPLAIN {code.hex(" ").upper():<24} {decoded[code]["objdump"]:<40} -> {verdict}')


def main(argv):
    parser = argparse.ArgumentParser(description='Check that the opcode table covers every decoded encoding.')
    parser.add_argument('--missing-out', help='also write the missing encodings to this file')
    parser.add_argument('--exclusions', default=EXCLUSIONS_PATH, help='exclusions file (default: data/exclusions.txt)')
    parser.add_argument('--data', default=build_db.DATA_DIR, help='directory of the *.tsv rows (default: data/)')
    parser.add_argument('--verbose', action='store_true', help='also list encodings only one decoder accepts')
    parser.add_argument('--only', metavar='HEX', type=bytes.fromhex, action='append',
                        help='walk only the candidates that begin with these bytes (e.g. "0F 58"); '
                        'may be given more than once')
    parser.add_argument('--explain', metavar='HEX', type=bytes.fromhex, help='show how the accepted encodings that begin with '
                        'these bytes are judged (e.g. "D9 D8"; "" for all)')
    args = parser.parse_args(argv[1:])

    absent = [tool for tool in ('objdump', 'ZydisInfo') if shutil.which(tool) is None]
    try:
        zydis = None if absent else Zydis()
    except OSError:
        absent.append('libZydis')
    if absent:
        print(f'check_completeness: {" and ".join(absent)} not found; install binutils and zydis-tools '
              f'(apt-get install binutils zydis-tools). Skipping.')
        return SKIP
    problem = zydis.agrees_with_zydisinfo()
    if problem:
        print(f'check_completeness: the Zydis library and ZydisInfo disagree ({problem}); cannot walk')
        print('0 passed, 1 failed')
        return 1

    try:
        rows = build_db.load_rows(args.data)
        exclusions = load_exclusions(args.exclusions)
    except (build_db.RowError, ValueError, OSError) as e:
        print(f'check_completeness: {e}')
        print('0 passed, 1 failed')
        return 1
    index = row_patterns(rows)

    walk = candidates(zydis, args.only or [b''])
    to_objdump = [code for code, _zy, shown in walk if shown]
    od_by_code = dict(zip(to_objdump, objdump_all([code + TAIL for code in to_objdump])))
    lost = [code for code, od in od_by_code.items() if od is None]
    if lost:
        print(f'check_completeness: objdump printed nothing at the start of {len(lost)} candidates '
              f'(first {lost[0].hex(" ").upper()}); its input lost alignment')
        print('0 passed, 1 failed')
        return 1
    decoded = {}         # encoding accepted by both -> what they said
    one_decoder = {}     # encoding -> what the one decoder said
    for cand, zy, _shown in walk:
        od = od_by_code.get(cand)
        od_ok = od is not None and od[1] and '(bad)' not in od[1]
        if zy is None and not od_ok:
            continue
        full = cand + TAIL
        if zy is not None and od_ok and zy[1] == od[0]:
            decoded[full[:zy[1]]] = {'zydis': zy[0], 'objdump': od[1], 'has_modrm': zy[2]}
        elif zy is None:
            one_decoder[full[:od[0]]] = 'objdump only: ' + od[1]
        elif not od_ok:
            one_decoder[full[:zy[1]]] = 'Zydis only: ' + zy[0]
        else:
            one_decoder[full[:zy[1]]] = f'lengths differ: Zydis {zy[1]} {zy[0]}, objdump {od[0]} {od[1]}'

    accepted = sorted(decoded, key=normalize)
    covered, excluded, missing, overlaps = judge(accepted, decoded, index, exclusions)

    if args.explain is not None:
        explain(args.explain, accepted, decoded, index, exclusions)

    report = describe_groups(missing, decoded)
    for line in report:
        print('MISSING ' + line)
    if args.missing_out:
        with open(args.missing_out, 'w', encoding='utf-8') as f:
            f.write(f'# {len(missing)} missing encodings in {len(report)} groups; columns: bytes, objdump, '
                    f'[Zydis ISA-SET/ISA-EXT], count and ModRM forms (reg digits)\n')
            f.writelines(line + '\n' for line in report)
    if args.verbose:
        for code, what in sorted(one_decoder.items(), key=lambda kv: normalize(kv[0])):
            print(f'ONE-DECODER {code.hex(" ").upper():<24} {what}')

    for code, entry in overlaps:
        row = covered_by_row(code, index) or prefix_row_cover(code, decoded, index)[1]
        print(f'OVERLAP {code.hex(" ").upper():<24} {decoded[code]["objdump"]:<40} row {row[0]} {row[1]} and '
              f'exclusion {entry.cls} {" ".join(t for t in [entry.pattern_text])}')
    one_covered = sum(1 for c in one_decoder if covered_by_row(c, index))
    classes = list(dict.fromkeys(entry.cls for entry in exclusions))
    print(f'walked {len(walk)} candidates (objdump saw {len(to_objdump)}); accepted by both decoders '
          f'{len(accepted)}; by one only {len(one_decoder)} ({one_covered} of them listed by a row)')
    print(f'covered by rows {len(covered)}; excluded {sum(len(v) for v in excluded.values())} ('
          + ', '.join(f'{cls} {len(excluded.get(cls, []))}' for cls in classes) + f'); missing {len(missing)}')
    if overlaps:
        print(f'{len(overlaps)} encodings listed by a row are also named by an exclusion entry (OVERLAP above); '
              f'narrow the entry so that it names only what the table leaves out')
    bad = len(missing) + len(overlaps)
    print(f'{len(accepted) - bad} passed, {bad} failed')
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
