#!/usr/bin/env python3
"""Build the opcode database from data/*.tsv.

Usage: build_db.py OUT_PATH

Every row is checked against the notation described in data/README.md; the
first bad row stops the build with a message naming the file and line, and
the exit status is 1 (2 for a usage error).
"""
import os
import re
import sqlite3
import sys

DATA_DIR = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'data'))

HEADER = ['opid', 'mn', 'op', 'sw', 'len', 'flags', 'args', 'note']

# Each generation or extension owns a file and a block of opids, so a row's
# number tells where it lives and a new row never pushes another one's number.
# The file's name (without .tsv) is the key; the cpu column takes the name
# beside it.
CPU_FILES = {
    '8086': ('8086', 1000, 2999),
    '186': ('186', 3000, 3999),
    '286': ('286', 4000, 4999),
    '386': ('386', 5000, 5999),
    '486': ('486', 6000, 6999),
    '586': ('586', 7000, 7999),
    '8087': ('8087', 8000, 8999),
    '287': ('287', 9000, 9499),
    '387': ('387', 9500, 9999),
    'p6': ('P6', 10000, 10999),
    'mmx': ('MMX', 11000, 11999),
    'sse': ('SSE', 12000, 12999),
    'sse2': ('SSE2', 13000, 13999),
    'sse3': ('SSE3', 14000, 14999),
    'ssse3': ('SSSE3', 15000, 15999),
    'sse4.1': ('SSE4.1', 16000, 16999),
    'sse4.2': ('SSE4.2', 17000, 17999),
    'aes': ('AES', 18000, 18999),
    'pclmulqdq': ('PCLMULQDQ', 19000, 19999),
    'sha': ('SHA', 20000, 20999),
    'gfni': ('GFNI', 21000, 21999),
    'movbe': ('MOVBE', 22000, 22999),
    'rdrand': ('RDRAND', 23000, 23999),
    'rdseed': ('RDSEED', 24000, 24999),
    'adx': ('ADX', 25000, 25999),
    'lzcnt': ('LZCNT', 26000, 26999),
    'bmi1': ('BMI1', 27000, 27999),
    'clflushopt': ('CLFLUSHOPT', 28000, 28999),
    'clwb': ('CLWB', 29000, 29999),
    'xsave': ('XSAVE', 30000, 30999),
    'rdtscp': ('RDTSCP', 31000, 31999),
    'rdpid': ('RDPID', 32000, 32999),
    'vmx': ('VMX', 33000, 33999),
    'smx': ('SMX', 34000, 34999),
    'svm': ('SVM', 35000, 35999),
    'sgx': ('SGX', 36000, 36999),
    'cet': ('CET', 37000, 37999),
    'tsx': ('TSX', 38000, 38999),
    'pku': ('PKU', 39000, 39999),
    'smap': ('SMAP', 40000, 40999),
    'invpcid': ('INVPCID', 41000, 41999),
    'sse4a': ('SSE4A', 42000, 42999),
    'monitorx': ('MONITORX', 43000, 43999),
    'clzero': ('CLZERO', 44000, 44999),
    'prefetchw': ('PREFETCHW', 45000, 45999),
    'prefetchwt1': ('PREFETCHWT1', 46000, 46999),
    'cldemote': ('CLDEMOTE', 47000, 47999),
    'movdiri': ('MOVDIRI', 48000, 48999),
    'movdir64b': ('MOVDIR64B', 49000, 49999),
    'waitpkg': ('WAITPKG', 50000, 50999),
    'ptwrite': ('PTWRITE', 51000, 51999),
    'serialize': ('SERIALIZE', 52000, 52999),
    'tsxldtrk': ('TSXLDTRK', 53000, 53999),
    'pconfig': ('PCONFIG', 54000, 54999),
    'wbnoinvd': ('WBNOINVD', 55000, 55999),
    'enqcmd': ('ENQCMD', 56000, 56999),
    'hreset': ('HRESET', 57000, 57999),
    'wrmsrns': ('WRMSRNS', 58000, 58999),
    'raoint': ('RAO-INT', 59000, 59999),
    'keylocker': ('KEYLOCKER', 60000, 60999),
    'syscall': ('SYSCALL', 61000, 61999),
    'rdpru': ('RDPRU', 62000, 62999),
    'mcommit': ('MCOMMIT', 63000, 63999),
    'invlpgb': ('INVLPGB', 64000, 64999),
    'sev': ('SEV', 65000, 65999),
}
CPU_BLOCKS = {stem: (lo, hi) for stem, (_cpu, lo, hi) in CPU_FILES.items()}

FLAG_LETTERS = 'ODITSZAPC'

# Operand abbreviations.  The first group is the program's legend; the second
# follows its pattern for operands the legend has no word for.
REG_OR_MEM = {'rmb', 'rmw', 'rmd'}
MEM_ONLY = {'mb', 'mw', 'md', 'mq', 'mwr', 'mdr', 'mqr', 'mtr', 'mtd', 'm', 'fp'}
OTHER_ABBREV = {'rb', 'rw', 'rd', 'sl', 'll', 'np', 'ib', 'iw', 'id', 'cr', 'dr', 'tr', 'sr'}
# MMX and XMM registers, and the register-or-memory operands of the SIMD and
# later forms, named after Intel's operand strings (xmm2/m128 is xmmm128).
SIMD_REGISTERS = {'mm', 'xmm'}
REG_OR_MEM |= {'mmm64', 'mmm32', 'xmmm128', 'xmmm64', 'xmmm32', 'xmmm16', 'rdmb', 'rdmw'}
MEM_ONLY |= {'mdq'}
OTHER_ABBREV |= SIMD_REGISTERS
REGISTERS = {
    'AL', 'CL', 'DL', 'BL', 'AH', 'CH', 'DH', 'BH',
    'AX', 'CX', 'DX', 'BX', 'SP', 'BP', 'SI', 'DI',
    'EAX', 'ECX', 'EDX', 'EBX', 'ESP', 'EBP', 'ESI', 'EDI',
    'ES', 'CS', 'SS', 'DS', 'FS', 'GS', 'ST', 'ST(i)', 'XMM0',
}
CONSTANTS = {'1', '3'}
OPERANDS = REG_OR_MEM | MEM_ONLY | OTHER_ABBREV | REGISTERS | CONSTANTS

HEX_BYTE = re.compile(r'^[0-9A-F]{2}$')
HEX_PLUS_R = re.compile(r'^[0-9A-F]{2}\+r$')
MODRM = re.compile(r'^(mr|/[0-7])$')
NUMBERED = re.compile(r'^([diosr])([0-3])$')
MNEMONIC = re.compile(r'^[A-Z][A-Z0-9]*$')
LENGTH = re.compile(r'^([1-9][0-9]*)(?:~([1-9][0-9]*))?$')


class RowError(Exception):
    pass


def op_length(tokens):
    """(shortest, longest) byte count of an op pattern.

    Displacement bytes right after a ModRM byte are there only for the memory
    forms that need them, so they make the length a range."""
    n = len(tokens)
    if 'd0' in tokens:
        return n - 2, n
    return n, n


def check_op(op):
    tokens = op.split(' ')
    if not op or any(t == '' for t in tokens):
        raise RowError('op: tokens must be separated by single spaces')
    seen_modrm = False
    groups = []  # letters of numbered groups in order of appearance
    expected_next = {}
    opcode_bytes = 0
    for i, tok in enumerate(tokens):
        if HEX_BYTE.match(tok) or HEX_PLUS_R.match(tok):
            if seen_modrm or groups:
                raise RowError(f'op: opcode byte {tok!r} after ModRM or data bytes')
            if HEX_PLUS_R.match(tok) and int(tok[:2], 16) & 7:
                raise RowError(f'op: {tok!r}: the low three bits of a +r byte must be 0')
            opcode_bytes += 1
            continue
        if MODRM.match(tok):
            if seen_modrm:
                raise RowError('op: more than one ModRM byte')
            if opcode_bytes == 0 or groups:
                raise RowError('op: a ModRM byte must follow the opcode')
            if any(HEX_PLUS_R.match(t) for t in tokens):
                raise RowError('op: a +r opcode takes no ModRM byte')
            seen_modrm = True
            continue
        m = NUMBERED.match(tok)
        if not m:
            raise RowError(f'op: unknown token {tok!r}')
        letter, index = m.group(1), int(m.group(2))
        if opcode_bytes == 0:
            raise RowError(f'op: {tok!r} before any opcode byte')
        if letter not in expected_next:
            if groups and groups[-1] != letter and letter in groups:
                raise RowError(f'op: {letter}-bytes are split')
            groups.append(letter)
            expected_next[letter] = 0
        elif groups[-1] != letter:
            raise RowError(f'op: {letter}-bytes are split')
        if index != expected_next[letter]:
            raise RowError(f'op: {tok!r} out of order (expected {letter}{expected_next[letter]})')
        expected_next[letter] += 1
        if letter == 'd' and not (i >= 1 and (MODRM.match(tokens[i - 1]) or tokens[i - 1] == 'd0')):
            raise RowError('op: displacement bytes must directly follow the ModRM byte')
    check_prefixes_and_map(tokens)
    # In 16-bit code the 66 prefix widens a relative displacement and the
    # offset of a direct far pointer from two bytes to four, and only it does.
    operand_size_32 = '66' in tokens
    for letter, count in expected_next.items():
        if letter in 'ds' and count != 2:
            raise RowError(f'op: {letter}-bytes must be the pair {letter}0 {letter}1')
        if letter == 'o' and count not in (2, 4):
            raise RowError('op: an offset must be o0 o1 or, in a far pointer with 66, o0 o1 o2 o3')
        if letter == 'o' and count == 4 and not (operand_size_32 and 's' in expected_next):
            raise RowError('op: a 4-byte offset belongs to a far pointer with the 66 prefix')
        if letter == 'r' and count not in (1, 2, 4):
            raise RowError('op: relative displacement must be r0, r0 r1 or r0 r1 r2 r3')
        if letter == 'r' and count == 4 and not operand_size_32:
            raise RowError('op: a 4-byte relative displacement needs the 66 prefix')
        if letter == 'r' and count == 2 and operand_size_32:
            raise RowError('op: with the 66 prefix a long displacement is r0 r1 r2 r3')
    return tokens


def check_prefixes_and_map(tokens):
    """A mandatory F2 or F3 stands right before the opcode (0F or a one-byte
    opcode such as 90 of PAUSE), with an operand-size 66 in front of it; after
    0F, the map bytes 38 and 3A need an opcode byte of their own."""
    fixed = [t for t in tokens if HEX_BYTE.match(t) or HEX_PLUS_R.match(t)]
    if len(fixed) < 2:
        return  # a prefix row such as REP (F3) is the prefix itself
    lead = []
    for t in fixed:
        if t not in ('66', 'F2', 'F3', '9B'):
            break
        lead.append(t)
    if 'F2' in lead and 'F3' in lead:
        raise RowError('op: F2 and F3 together')
    for p in ('66', 'F2', 'F3'):
        if lead.count(p) > 1:
            raise RowError(f'op: prefix {p} twice')
    rep_at = next((i for i, t in enumerate(lead) if t in ('F2', 'F3')), None)
    if rep_at is not None and rep_at != len(lead) - 1:
        raise RowError(f'op: the mandatory prefix {lead[rep_at]} must stand right before the opcode')
    opcode = fixed[len(lead):]
    if opcode[:1] == ['0F'] and len(opcode) >= 2 and opcode[1] in ('38', '3A') and len(opcode) < 3:
        raise RowError(f'op: 0F {opcode[1]} is a map; the opcode byte after it is missing')


BYTE_OPERANDS = {'rb', 'rmb', 'mb', 'AL'}
WIDE_OPERANDS = {'rw', 'rmw', 'mw', 'rd', 'rmd', 'md', 'AX', 'EAX'}
STRING_STEMS = ('MOVS', 'CMPS', 'STOS', 'LODS', 'SCAS', 'INS', 'OUTS')


def check_sign_word(tokens, sw, operands, mn):
    """The sign and word/byte letters must match the opcode bits they describe."""
    sign, word = sw.split(' ')
    opcode = [t for t in tokens if HEX_BYTE.match(t) or HEX_PLUS_R.match(t)][-1]
    value = int(opcode[:2], 16)
    # MOV reg,imm (B0+r, B8+r) keeps its w bit in bit 3; everything else in bit 0.
    w_bit = (value >> 3) & 1 if opcode.endswith('+r') else value & 1
    string_size = mn[-1] if mn[:-1] in STRING_STEMS else None
    if word == 'B':
        if w_bit:
            raise RowError(f'sw {sw!r}: opcode {opcode} has its w bit set, so it is W, not B')
        if not (BYTE_OPERANDS & set(operands) or string_size == 'B'):
            raise RowError(f'sw {sw!r}: B needs a byte operand')
    if word == 'W':
        if not w_bit:
            raise RowError(f'sw {sw!r}: opcode {opcode} has its w bit clear, so it is B, not W')
        if not (WIDE_OPERANDS & set(operands) or string_size in ('W', 'D')):
            raise RowError(f'sw {sw!r}: W needs a word or double word operand')
    if sign == 'E':
        if not value & 2:
            raise RowError(f'sw {sw!r}: opcode {opcode} has its s bit clear, so it is N, not E')
        if 'ib' not in operands:
            raise RowError(f'sw {sw!r}: E is for forms with a sign-extended immediate byte (ib)')


def check_row(fields, stem):
    if len(fields) != len(HEADER):
        raise RowError(f'expected {len(HEADER)} tab-separated fields, found {len(fields)}')
    opid_s, mn, op, sw, length, flags, args, note = fields
    if not re.match(r'^[1-9][0-9]*$', opid_s):
        raise RowError(f'opid {opid_s!r} is not a positive integer')
    opid = int(opid_s)
    cpu, lo, hi = CPU_FILES[stem]
    if not lo <= opid <= hi:
        raise RowError(f'opid {opid} lies outside the {stem} block {lo}..{hi}')
    if not MNEMONIC.match(mn):
        raise RowError(f'mn {mn!r} must be an upper-case mnemonic')
    tokens = check_op(op)
    if not re.match(r'^[EN-] [WB-]$', sw):
        raise RowError(f'sw {sw!r} must be sign bit (E, N or -), a space, word/byte bit (W, B or -)')
    m = LENGTH.match(length)
    if not m:
        raise RowError(f'len {length!r} must be a number or a range like 2~4')
    shortest, longest = int(m.group(1)), int(m.group(2) or m.group(1))
    if (shortest, longest) != op_length(tokens):
        want = op_length(tokens)
        want_s = str(want[0]) if want[0] == want[1] else f'{want[0]}~{want[1]}'
        raise RowError(f'len {length!r} does not match op {op!r} (which gives {want_s})')
    if m.group(2) and shortest >= longest:
        raise RowError(f'len {length!r}: a range must go from shorter to longer')
    if len(flags) != 9:
        raise RowError(f'flags {flags!r} must have 9 characters (O D I T S Z A P C)')
    for letter, ch in zip(FLAG_LETTERS, flags):
        if ch not in (letter, '0', '1', '?', '-'):
            raise RowError(f'flags {flags!r}: position {letter} may hold {letter}, 0, 1, ? or -')
    operands = args.split(',') if args else []
    for a in operands:
        if a not in OPERANDS:
            raise RowError(f'args: unknown operand {a!r}')
    has_modrm = any(MODRM.match(t) for t in tokens)
    has_disp = 'd0' in tokens
    memory_capable = [a for a in operands if a in REG_OR_MEM or a in MEM_ONLY]
    if has_modrm and memory_capable and not has_disp:
        raise RowError(f'op: {memory_capable[0]} can be memory, so the ModRM byte needs d0 d1')
    if has_disp and not memory_capable:
        raise RowError('op: d0 d1 given but no operand can be memory')
    if not has_modrm and any(a in REG_OR_MEM for a in operands):
        raise RowError('args: a register-or-memory operand needs a ModRM byte')
    check_sign_word(tokens, sw, operands, mn)
    if '\t' in note or '\n' in note:
        raise RowError('note must be plain text')
    return (opid, mn, op, sw, length, flags, args, cpu, note)


def load_rows(data_dir=DATA_DIR):
    """All rows of all generations, checked and sorted by opid."""
    rows = []
    seen_opid = {}
    seen_form = {}
    names = sorted(f for f in os.listdir(data_dir) if f.endswith('.tsv'))
    if not names:
        raise RowError(f'no .tsv files in {data_dir}')
    for name in names:
        stem = name[:-4]
        path = os.path.join(data_dir, name)
        if stem not in CPU_FILES:
            raise RowError(f'{path}: unknown generation {stem!r} (known: {", ".join(CPU_FILES)})')
        with open(path, encoding='utf-8', newline='') as f:
            lines = f.read().split('\n')
        if lines and lines[-1] == '':
            lines.pop()
        if not lines or lines[0].split('\t') != HEADER:
            raise RowError(f'{path}:1: header must be: {" ".join(HEADER)} (tab-separated)')
        for lineno, line in enumerate(lines[1:], start=2):
            where = f'{path}:{lineno}'
            if line.endswith('\r'):
                raise RowError(f'{where}: line ends in CR; use plain LF line ends')
            try:
                row = check_row(line.split('\t'), stem)
            except RowError as e:
                raise RowError(f'{where}: {e}') from None
            opid, mn, op, args = row[0], row[1], row[2], row[6]
            if opid in seen_opid:
                raise RowError(f'{where}: opid {opid} already used at {seen_opid[opid]}')
            seen_opid[opid] = where
            if (mn, op, args) in seen_form:
                raise RowError(f'{where}: {mn} {args} / {op} already listed at {seen_form[(mn, op, args)]}')
            seen_form[(mn, op, args)] = where
            rows.append(row)
    check_operand_size_twins(rows, seen_form)
    rows.sort(key=lambda r: r[0])
    return rows


def check_operand_size_twins(rows, seen_form):
    """A 66 in front of a mandatory F2 or F3 is the operand-size prefix, so the
    form must also be listed without it, with 16-bit operands."""
    forms = {(mn, op) for mn, op, _args in seen_form}
    for row in rows:
        mn, op = row[1], row[2]
        tokens = op.split(' ')
        if tokens[:1] == ['66'] and tokens[1:2] in (['F2'], ['F3']) and len(tokens) > 2:
            if (mn, ' '.join(tokens[1:])) not in forms:
                where = next(w for (m, o, _a), w in seen_form.items() if (m, o) == (mn, op))
                raise RowError(f'{where}: 66 before {tokens[1]} is the operand-size prefix, '
                               f'but {mn} {" ".join(tokens[1:])} (the 16-bit form) is not listed')


SCHEMA = [
    'create table opc (opid integer primary key, mn text, op text, sw text, len text,'
    ' flags text, args text, cpu text, note text)',
    'create index opc_mn_nocase on opc(mn collate nocase)',
    'create index opc_op_nocase on opc(op collate nocase)',
]


def write_db(rows, out_path):
    tmp_path = out_path + '.tmp'
    for p in (tmp_path, tmp_path + '-journal'):
        if os.path.exists(p):
            os.remove(p)
    try:
        con = sqlite3.connect(tmp_path)
        try:
            # A rollback journal (not WAL) keeps the file readable by old SQLite
            # releases such as 3.7.15; the schema uses nothing newer either.
            con.execute('pragma journal_mode=delete')
            with con:
                for stmt in SCHEMA:
                    con.execute(stmt)
                con.executemany('insert into opc values (?,?,?,?,?,?,?,?,?)', rows)
            con.execute('vacuum')
        finally:
            con.close()
        if os.path.exists(out_path):
            os.remove(out_path)
        os.replace(tmp_path, out_path)
    except BaseException:
        if os.path.exists(tmp_path):
            os.remove(tmp_path)
        raise


def main(argv):
    if len(argv) != 2 or argv[1].startswith('-'):
        print('usage: build_db.py OUT_PATH', file=sys.stderr)
        return 2
    try:
        rows = load_rows()
    except RowError as e:
        print(f'build_db: {e}', file=sys.stderr)
        return 1
    out_dir = os.path.dirname(os.path.abspath(argv[1]))
    if not os.path.isdir(out_dir):
        print(f'build_db: no directory {out_dir} for {argv[1]}', file=sys.stderr)
        return 1
    write_db(rows, argv[1])
    counts = {}
    for r in rows:
        counts[r[7]] = counts.get(r[7], 0) + 1
    summary = ', '.join(f'{cpu} {counts.get(cpu, 0)}' for cpu, _lo, _hi in CPU_FILES.values())
    print(f'build_db: wrote {len(rows)} rows to {argv[1]} ({summary})')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
