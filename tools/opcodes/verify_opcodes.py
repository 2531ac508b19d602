#!/usr/bin/env python3
"""Check every row of the opcode table against two real decoders.

Usage: verify_opcodes.py [--db PATH]

Without --db the table is built from data/*.tsv into a temporary database
first, so the check always covers what the build would ship.

Each row becomes concrete bytes (see make_variants), which GNU objdump and
ZydisInfo decode as 16-bit code.  A row passes when, for every variant:
  - both decoders accept the bytes and consume exactly as many as the row
    says (and that count lies within the row's length),
  - both name the row's mnemonic or one of its aliases (ALIASES below),
  - the memory operand objdump prints has the size the row's operands say,
  - the flag actions ZydisInfo reports match the row's flags column,
unless the difference is listed in KNOWN_DISAGREEMENTS.

Exit status: 0 all rows pass, 1 some row fails, 77 a decoder is missing,
2 usage error.  The last line printed is "N passed, N failed".
"""
import argparse
import concurrent.futures
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import build_db  # noqa: E402

SKIP = 77

CMP_PREDICATES = ('eq', 'lt', 'le', 'unord', 'neq', 'nlt', 'nle', 'ord')

# Names a decoder may print for a row's mnemonic besides its own lower-case
# form.  Condition codes are expanded from CONDITION_NAMES below.
ALIASES = {
    'SHL': {'sal'},
    'WAIT': {'fwait'},
    'XLAT': {'xlatb'},
    'LOOPNE': {'loopnz'},
    'LOOPE': {'loopz'},
    'REP': {'repe', 'repz'},
    'REPNE': {'repnz'},
    'INT': {'int3'},            # INT 3 has its own one-byte form
    # objdump adds the operand-size letter where 66 would change the operand.
    'PUSH': {'pushd', 'pushw'},
    'SGDT': {'sgdtw'}, 'SIDT': {'sidtw'}, 'LGDT': {'lgdtw'}, 'LIDT': {'lidtw'},
    # objdump's Intel syntax drops the size letter of string instructions and
    # prints the size as BYTE/WORD/DWORD PTR instead (checked separately).
    **{f'{s}{z}': {s.lower()} for s in ('MOVS', 'CMPS', 'STOS', 'LODS', 'SCAS', 'INS', 'OUTS')
       for z in 'BWD'},
    # Zydis names the 8087/287-only control instructions after what later
    # FPUs do with them (nothing).
    'FNENI': {'feni8087_nop'},
    'FNDISI': {'fdisi8087_nop'},
    'FSETPM': {'fsetpm287_nop', 'fnsetpm'},
    # objdump names the compare by its predicate when the immediate is one of
    # the eight (the filler immediate 5 is "not less than").
    **{f'CMP{t}': {f'cmp{p}{t.lower()}' for p in CMP_PREDICATES} for t in ('PS', 'PD', 'SS')},
}
ALIASES['CMPSD'] |= {f'cmp{p}sd' for p in CMP_PREDICATES}

# Names only ZydisInfo gives.  It calls the far return ret like the near one,
# so objdump, which says retf, is what tells RET and RETF rows apart.
ZYDIS_ALIASES = {
    'RETF': {'ret'},
}

# Rows whose cpu column names one of these generations or extensions must be
# decoded by ZydisInfo with one of the ISA-SET or ISA-EXT values beside it.
# The generations up to the Pentium predate the ISA sets, which lump them together.
CPU_ISA = {
    'P6': {'CMOV', 'FCMOV', 'PPRO', 'RDPMC', 'FAT_NOP', 'FXSAVE'},
    'MMX': {'MMX', 'PENTIUMMMX'},
    'SSE': {'SSE', 'SSE_PREFETCH', 'SSEMXCSR', 'PENTIUMMMX'},
    'SSE2': {'SSE2', 'SSE2MMX', 'PAUSE', 'CLFSH'},
    'SSE3': {'SSE3', 'SSE3X87', 'MONITOR'},
    'SSSE3': {'SSSE3', 'SSSE3MMX'},
    'SSE4.1': {'SSE4', 'SSE41'},
    'SSE4.2': {'SSE4', 'SSE42', 'POPCNT'},
    'AES': {'AES'},
    'PCLMULQDQ': {'PCLMULQDQ'},
    'SHA': {'SHA'},
    'GFNI': {'GFNI'},
    'MOVBE': {'MOVBE'},
    'RDRAND': {'RDRAND'},
    'RDSEED': {'RDSEED'},
    'ADX': {'ADOX_ADCX'},
    'LZCNT': {'LZCNT'},
    'BMI1': {'BMI1'},
    'CLFLUSHOPT': {'CLFLUSHOPT'},
    'CLWB': {'CLWB'},
    'XSAVE': {'XSAVE', 'XSAVEOPT', 'XSAVEC', 'XSAVES'},
    'RDTSCP': {'RDTSCP'},
    'RDPID': {'RDPID'},
    'VMX': {'VTX', 'VMFUNC'},
    'SMX': {'SMX'},
    'SVM': {'SVM'},
    'SGX': {'SGX', 'SGX_ENCLV'},
    'CET': {'CET'},
    'TSX': {'RTM'},
    'PKU': {'PKU'},
    'SMAP': {'SMAP'},
    'INVPCID': {'INVPCID'},
    'SSE4A': {'SSE4A'},
    'MONITORX': {'MONITORX'},
    'CLZERO': {'CLZERO'},
    'PREFETCHW': {'PREFETCH_NOP', 'AMD3DNOW_PREFETCH', 'PREFETCHW'},
    'PREFETCHWT1': {'PREFETCHWT1'},
    'CLDEMOTE': {'CLDEMOTE'},
    'MOVDIRI': {'MOVDIR'},
    'MOVDIR64B': {'MOVDIR'},
    'WAITPKG': {'WAITPKG'},
    'PTWRITE': {'PT'},
    'SERIALIZE': {'SERIALIZE'},
    'TSXLDTRK': {'TSX_LDTRK'},
    'PCONFIG': {'PCONFIG'},
    'WBNOINVD': {'WBNOINVD'},
    'ENQCMD': {'ENQCMD'},
    'HRESET': {'HRESET'},
    'WRMSRNS': {'WRMSRNS'},
    'RAO-INT': {'RAO_INT'},
    'KEYLOCKER': {'KEYLOCKER', 'KEYLOCKER_WIDE'},
    'SYSCALL': {'AMD'},
    'RDPRU': {'RDPRU'},
    'MCOMMIT': {'MCOMMIT'},
    'INVLPGB': {'AMD_INVLPGB'},
    'SEV': {'SNP', 'SEV_ES'},
}

CONDITION_NAMES = [
    ['O'], ['NO'], ['B', 'C', 'NAE'], ['AE', 'NB', 'NC'], ['Z', 'E'], ['NZ', 'NE'],
    ['BE', 'NA'], ['A', 'NBE'], ['S'], ['NS'], ['P', 'PE'], ['NP', 'PO'],
    ['L', 'NGE'], ['GE', 'NL'], ['LE', 'NG'], ['G', 'NLE'],
]
for _group in CONDITION_NAMES:
    for _prefix in ('J', 'SET', 'CMOV'):
        for _name in _group:
            ALIASES.setdefault(_prefix + _name, set()).update(
                (_prefix + n).lower() for n in _group)

# Prefix rows are decoded in front of an instruction that accepts them.
PREFIX_COMPANIONS = {
    'LOCK': bytes.fromhex('00 06 00 00'),  # ADD [0],AL
    'REP': bytes.fromhex('A4'),            # MOVSB
    'REPNE': bytes.fromhex('A6'),          # CMPSB
}
ZYDIS_PREFIX_ATTRIBUTE = {'LOCK': 'HAS_LOCK', 'REP': 'HAS_REP', 'REPNE': 'HAS_REPNE'}

def zydis_flags_differ(flags, test, reason):
    """Entries for rows where ZydisInfo is wrong about each of these flags."""
    return [('zydis', 'flag ' + f, test, reason) for f in flags]


# Rows that a decoder is known to get wrong.  Each entry: decoder, what it
# gets wrong ('reject', 'mnemonic', 'length' or 'flag X'), a test on the row,
# and why the table is right.
KNOWN_DISAGREEMENTS = [
    ('zydis', 'reject',
     lambda r: r['mn'] == 'MOV' and 'tr' in r['args'].split(','),
     'Zydis does not model the test registers TR3-TR7, which only the 386 and '
     '486 had (MOV to and from them: 0F 24, 0F 26); objdump decodes them.'),
    ('zydis', 'flag O',
     lambda r: ('D0' in r['op'].split() or 'D1' in r['op'].split()) and r['args'].endswith(',1'),
     'Zydis marks OF undefined for every shift and rotate; Intel defines OF for '
     'the 1-bit forms (D0, D1): it is set when the top bit changed.'),
    ('zydis', 'flag A',
     lambda r: r['mn'] == 'SBB',
     'Zydis marks AF undefined after SBB; Intel sets AF from the result, as '
     'for SUB (and Zydis itself does so for ADC).'),
    ('zydis', 'flag I',
     lambda r: r['mn'] in ('CLI', 'STI'),
     'Zydis marks IF as modified because with IOPL below CPL under VME the '
     'instruction changes VIF instead; the table gives the plain result on IF.'),
    ('zydis', 'flag I',
     lambda r: r['mn'] in ('INT', 'INTO'),
     'Zydis marks IF as modified because a protected-mode trap gate leaves it '
     'alone; the table gives the real-mode and interrupt-gate result, IF cleared.'),
    ('zydis', 'flag T',
     lambda r: r['mn'] == 'INTO',
     'Zydis marks TF as modified because INTO traps only when OF is set; the '
     'table gives the result when it traps, TF cleared, as for INT.'),
    ('zydis', 'reject',
     lambda r: r['mn'] in ('WRMSRNS', 'AADD', 'AAND', 'AOR', 'AXOR'),
     'This ZydisInfo predates WRMSRNS and the RAO-INT atomics (AADD, AAND, AOR, '
     'AXOR); objdump decodes them.'),
    ('zydis', 'mnemonic',
     lambda r: r['mn'] in ('WBNOINVD', 'VMGEXIT'),
     'This ZydisInfo predates WBNOINVD (F3 0F 09) and VMGEXIT (F3 or F2 before '
     '0F 01 D9) and reads them as WBINVD and VMMCALL with an ignored prefix; '
     'objdump names them.'),
    *zydis_flags_differ('ODITSZAPC', lambda r: r['mn'] in ('SYSCALL', 'SYSRET'),
     'Zydis gives the 64-bit-mode effect (SYSCALL masks RFLAGS with SFMASK, '
     'SYSRET loads it from R11); outside 64-bit mode SYSCALL clears IF and '
     'SYSRET sets it, and no other flag changes.'),
    *zydis_flags_differ('OSZAPC', lambda r: r['mn'] in ('RDPRU', 'MCOMMIT'),
     'Zydis lists only CF (MCOMMIT) or nothing (RDPRU); AMD sets CF for '
     'success and clears OF SF ZF AF PF.'),
    *zydis_flags_differ('OSZAPC', lambda r: r['mn'] == 'MOV' and not {'cr', 'dr'}.isdisjoint(r['args'].split(',')),
     'Zydis lists no flag effects for MOV to or from a control or debug '
     'register; Intel documents OF SF ZF AF PF CF as undefined afterwards.'),
    *zydis_flags_differ('IT', lambda r: r['mn'] == 'INT1',
     'Zydis lists no flag effects for INT1; it delivers a debug exception '
     'through the interrupt table, which clears IF and TF as INT does.'),
    *zydis_flags_differ('OSAP', lambda r: r['mn'] == 'VMXOFF',
     'Zydis marks OF SF AF PF as modified after VMXOFF; like every VMX '
     'instruction it ends in VMsucceed or VMfail, which clear them.'),
    *zydis_flags_differ('ODISZAPC', lambda r: r['mn'] == 'SKINIT',
     'Zydis lists no flag effects for SKINIT; it reinitialises the processor as '
     'INIT does, which leaves RFLAGS at 2 (OF DF IF SF ZF AF PF CF clear).'),
    *zydis_flags_differ('OSZAPC', lambda r: r['mn'] in ('ENCLS', 'ENCLU', 'ENCLV'),
     'Zydis lists no flag effects for the SGX leaf instructions; several leaf '
     'functions (EINIT, EGETKEY, EREMOVE, ...) report through ZF and clear the '
     'other arithmetic flags, so the table marks them modified.'),
    *zydis_flags_differ('OSZAPC', lambda r: r['mn'] in ('RSTORSSP', 'CLRSSBSY'),
     'Zydis lists no flag effects; Intel sets CF when the shadow-stack token is '
     'invalid (CLRSSBSY) or a mode mismatch (RSTORSSP) and clears ZF PF AF OF SF.'),
]

FLAG_NAMES = ['OF', 'DF', 'IF', 'TF', 'SF', 'ZF', 'AF', 'PF', 'CF']

# Operand size objdump prints (as "X PTR") for each memory operand.
PTR_SIZE = {
    'mb': 'BYTE', 'rmb': 'BYTE', 'mw': 'WORD', 'rmw': 'WORD', 'md': 'DWORD', 'rmd': 'DWORD',
    'mq': 'QWORD', 'mdr': 'DWORD', 'mqr': 'QWORD', 'mtr': 'TBYTE', 'mtd': 'TBYTE',
    'mdq': 'XMMWORD', 'rdmb': 'BYTE', 'rdmw': 'WORD',
    'mmm64': 'QWORD', 'mmm32': 'DWORD',
    'xmmm128': 'XMMWORD', 'xmmm64': 'QWORD', 'xmmm32': 'DWORD', 'xmmm16': 'WORD',
}

# objdump's other names for a size.
OBJDUMP_PTR_NAMES = {'OWORD': 'XMMWORD'}

# The register objdump must print for an operand in a register variant.
REGISTER_CLASS = {
    'mm': 'mm', 'mmm64': 'mm', 'mmm32': 'mm',
    'xmm': 'xmm', 'xmmm128': 'xmm', 'xmmm64': 'xmm', 'xmmm32': 'xmm', 'xmmm16': 'xmm', 'XMM0': 'xmm',
    'rd': 'r32', 'rmd': 'r32', 'rdmb': 'r32', 'rdmw': 'r32',
    'rw': 'r16', 'rmw': 'r16', 'rb': 'r8', 'rmb': 'r8',
}
REGISTER_PATTERN = {
    'mm': r'mm[0-7]', 'xmm': r'xmm[0-7]',
    'r32': r'e(ax|cx|dx|bx|sp|bp|si|di)', 'r16': r'(ax|cx|dx|bx|sp|bp|si|di)',
    'r8': r'(al|cl|dl|bl|ah|ch|dh|bh)',
}

REG_OR_MEM = build_db.REG_OR_MEM
MEM_ONLY = build_db.MEM_ONLY

SLOT = 32          # bytes per instruction in the objdump batch
FILLER = 0x90      # NOP between instructions, so a misread never spills into the next slot


def make_variants(row):
    """Concrete encodings of a row: list of (label, bytes).

    A ModRM byte becomes mod=11 rm=0 (a register) where the operand may be a
    register, and mod=00 rm=110 (a 16-bit direct address, so d0 d1 follow)
    where it may be memory; both are tried when both are allowed.  Data,
    offset, segment and relative bytes get filler values.  A +r opcode is
    tried with register 0 and register 7."""
    tokens = row['op'].split()
    operands = row['args'].split(',') if row['args'] else []
    has_modrm = any(t == 'mr' or t.startswith('/') for t in tokens)
    modes = []
    if has_modrm:
        if any(a in REG_OR_MEM for a in operands):
            modes = ['reg', 'mem']
        elif any(a in MEM_ONLY for a in operands):
            modes = ['mem']
        else:
            modes = ['reg']
    else:
        modes = ['-']
    plus_r = any(t.endswith('+r') for t in tokens)
    # Register 0 of XCHG AX,rw is the one-byte NOP, a different row.
    registers = [7] if row['mn'] == 'XCHG' and plus_r else ([0, 7] if plus_r else [0])
    variants = []
    for mode in modes:
        for reg in registers:
            out = bytearray()
            for t in tokens:
                if t.endswith('+r'):
                    out.append(int(t[:2], 16) + reg)
                elif t == 'mr' or t.startswith('/'):
                    digit = 0 if t == 'mr' else int(t[1])
                    out.append((0xC0 if mode == 'reg' else 0x06) | digit << 3)
                elif t[0] == 'd' and len(t) == 2:
                    if mode == 'mem':
                        out.append(0x34 if t == 'd0' else 0x12)
                elif t[0] in 'iosr' and len(t) == 2:
                    out.append(0x05 if t[0] == 'i' else 0x00)
                else:
                    out.append(int(t, 16))
            label = mode if mode != '-' else ''
            if plus_r:
                label = (label + ' ' if label else '') + f'reg{reg}'
            variants.append((label, bytes(out)))
    return variants


def accepted_names(mn):
    return {mn.lower()} | ALIASES.get(mn, set())


def run_objdump(encodings):
    """Decode all encodings in one objdump run; returns list of (length, text) or None."""
    blob = bytearray()
    for enc in encodings:
        assert len(enc) <= SLOT // 2, enc.hex()
        blob += enc + bytes([FILLER]) * (SLOT - len(enc))
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, 'code.bin')
        with open(path, 'wb') as f:
            f.write(blob)
        proc = subprocess.run(
            ['objdump', '-D', '-b', 'binary', '-m', 'i8086', '-M', 'intel', '--insn-width=16', path],
            capture_output=True, text=True, check=True, env=dict(os.environ, LC_ALL='C'))
    decoded = {}
    line_re = re.compile(r'^\s*([0-9a-f]+):\t((?:[0-9a-f]{2} )+)\s*\t?(.*)$')
    for line in proc.stdout.splitlines():
        m = line_re.match(line)
        if m:
            decoded[int(m.group(1), 16)] = (len(m.group(2).split()), m.group(3).strip())
    return [decoded.get(i * SLOT) for i in range(len(encodings))]


def run_zydis(enc):
    proc = subprocess.run(['ZydisInfo', '-16', enc.hex(' ').upper()],
                          capture_output=True, text=True, env=dict(os.environ, LC_ALL='C'))
    out = proc.stdout + proc.stderr
    if 'Could not decode' in out or proc.returncode != 0:
        return None
    mnemonic = re.search(r'MNEMONIC:\s*(\S+)', out)
    length = re.search(r'LENGTH:\s*(\d+)', out)
    if not mnemonic or not length:
        return None
    actions = {}
    block = re.search(r'ACTIONS:(.*?)READ:', out, re.S)
    if block:
        for name, action in re.findall(r'\[(\w+)\s*:\s*(\w+)\s*\]', block.group(1)):
            actions[name] = action
    attributes = re.search(r'ATTRIBUTES:(.*)', out)
    isa = {m.group(1) for m in re.finditer(r'ISA-(?:SET|EXT):\s*(\S+)', out)}
    return {
        'isa': isa,
        'mnemonic': mnemonic.group(1),
        'length': int(length.group(1)),
        'actions': actions,
        'attributes': attributes.group(1).split() if attributes else [],
    }


def zydis_flags(actions):
    """The nine-character flags string for Zydis's flag actions."""
    out = []
    for name, letter in zip(FLAG_NAMES, build_db.FLAG_LETTERS):
        action = actions.get(name)
        if action is None or action == 'T':
            out.append('-')
        elif action.endswith('M'):
            out.append(letter)
        elif action in ('0', '1'):
            out.append(action)
        elif action == 'U':
            out.append('?')
        else:
            out.append('!')  # an action this check does not know
    return ''.join(out)


def known(row, decoder, what):
    for dec, kind, test, _reason in KNOWN_DISAGREEMENTS:
        if dec == decoder and kind == what:
            try:
                if test(row):
                    return True
            except IndexError:
                pass
    return False


def length_range(row):
    lo, _, hi = row['len'].partition('~')
    return int(lo), int(hi or lo)


def expected_ptr(row, label, enc):
    """The "X PTR" objdump should print for a memory variant, or None."""
    mn = row['mn']
    for stem in ('MOVS', 'CMPS', 'STOS', 'LODS', 'SCAS', 'INS', 'OUTS'):
        if not row['args'] and mn in (stem + 'B', stem + 'W', stem + 'D'):
            return {'B': 'BYTE', 'W': 'WORD', 'D': 'DWORD'}[mn[-1]]
    if not label.startswith('mem'):
        return None
    for a in row['args'].split(','):
        if a in PTR_SIZE:
            return PTR_SIZE[a]
        if a == 'fp':
            return 'FWORD' if enc[0] == 0x66 else 'DWORD'
    return None


def memory_operand_misplaced(row, label, text):
    """Where the memory operand of a memory variant sits in objdump's operand
    list must match the row's operand order (catches a wrong direction bit)."""
    if not label.startswith('mem') or not row['args']:
        return None
    args = row['args'].split(',')
    parts = text.split(None, 1)
    if len(parts) < 2:
        return None
    shown = parts[1].split(',')
    if len(shown) != len(args):
        return None
    want = next((i for i, a in enumerate(args) if a in REG_OR_MEM or a in MEM_ONLY), None)
    got = next((i for i, o in enumerate(shown) if re.search(r'\b[c-gs]s:', o)), None)
    if want is None or got is None or want == got:
        return None
    return f'objdump puts the memory operand at position {got + 1}, the row at {want + 1}'


def registers_wrong(row, label, text):
    """In a register variant, every register operand objdump prints must be of
    the kind the row's operand names (an mm, xmm, 32-, 16- or 8-bit register),
    and a row of the later extensions must show as many operands as it has."""
    if label.startswith('mem') or not row['args']:
        return None
    args = row['args'].split(',')
    parts = text.split(None, 1)
    shown = parts[1].split(',') if len(parts) > 1 else []
    if parts[0] != row['mn'].lower() and re.fullmatch(r'cmp(%s)(ps|pd|ss|sd)' % '|'.join(CMP_PREDICATES), parts[0]):
        args = args[:-1]  # the predicate name stands for the immediate
    if len(shown) != len(args):
        if row['cpu'] in CPU_ISA:
            return f'objdump shows {len(shown)} operands, the row has {len(args)}'
        return None
    for i, (a, o) in enumerate(zip(args, shown)):
        kind = REGISTER_CLASS.get(a)
        if kind and not re.fullmatch(REGISTER_PATTERN[kind], o.strip()):
            return f'operand {i + 1} is {o.strip()!r}, the row says {a}'
    return None


def check_row(row, variants, objdump_results, zydis_results):
    problems = []
    tolerated = []
    lo, hi = length_range(row)
    objdump_names = accepted_names(row['mn'])
    zydis_names = objdump_names | ZYDIS_ALIASES.get(row['mn'], set())
    if '66' in row['op'].split():
        # objdump marks what the 66 prefix widens with a d: calld, retfd, popd, lgdtd, fstenvd.
        objdump_names = objdump_names | {n + 'd' for n in objdump_names}
    for (label, enc), od, zy in zip(variants, objdump_results, zydis_results):
        where = f'[{enc.hex(" ").upper()}]'
        if row['mn'] in PREFIX_COMPANIONS:
            full = len(enc)
        else:
            full = len(enc)
            if not lo <= full <= hi:
                problems.append(f'{where} is {full} bytes, outside len {row["len"]}')
        # objdump
        if od is None or od[1].startswith('(bad)') or not od[1]:
            problems.append(f'{where} objdump cannot decode it')
        else:
            od_len, text = od
            words = text.split()
            if row['mn'] in PREFIX_COMPANIONS:
                od_name = words[0]
            else:
                od_name = words[0].split('(')[0]
            if od_len != full:
                problems.append(f'{where} objdump decodes {od_len} bytes: {text}')
            elif od_name not in objdump_names:
                problems.append(f'{where} objdump decodes {text!r}, not {row["mn"]}')
            else:
                want = expected_ptr(row, label, enc)
                got = re.search(r'\b([A-Z]+) PTR\b', text)
                if want and got and OBJDUMP_PTR_NAMES.get(got.group(1), got.group(1)) != want:
                    problems.append(f'{where} objdump sees a {got.group(1)} operand, the row says {want}: {text}')
                wrong_place = memory_operand_misplaced(row, label, text)
                if wrong_place:
                    problems.append(f'{where} {wrong_place}: {text}')
                wrong_register = registers_wrong(row, label, text)
                if wrong_register:
                    problems.append(f'{where} {wrong_register}: {text}')
        # ZydisInfo
        if zy is None:
            if known(row, 'zydis', 'reject'):
                tolerated.append('zydis reject')
            else:
                problems.append(f'{where} ZydisInfo cannot decode it')
            continue
        zy_full = full - 1 if zy.get('stripped_wait') else full
        if zy['length'] != zy_full:
            problems.append(f'{where} ZydisInfo decodes {zy["length"]} bytes as {zy["mnemonic"]}')
            continue
        if row['mn'] in PREFIX_COMPANIONS:
            attr = ZYDIS_PREFIX_ATTRIBUTE[row['mn']]
            if attr not in zy['attributes']:
                problems.append(f'{where} ZydisInfo does not see the {row["mn"]} prefix')
            continue
        zy_names = zydis_names
        if zy.get('stripped_wait'):
            zy_names = accepted_names('FN' + row['mn'][1:])
        if zy['mnemonic'] not in zy_names:
            if known(row, 'zydis', 'mnemonic'):
                tolerated.append('zydis mnemonic')
                continue
            problems.append(f'{where} ZydisInfo decodes {zy["mnemonic"]}, not {row["mn"]}')
        isa = CPU_ISA.get(row['cpu'])
        if isa and not (isa & zy['isa']) and not known(row, 'zydis', 'cpu'):
            problems.append(f'{where} ZydisInfo puts it in {"/".join(sorted(zy["isa"]))}, not {row["cpu"]}')
        got_flags = zydis_flags(zy['actions'])
        for letter, want_c, got_c in zip(build_db.FLAG_LETTERS, row['flags'], got_flags):
            if want_c == got_c:
                continue
            if known(row, 'zydis', 'flag ' + letter):
                tolerated.append('zydis flag ' + letter)
                continue
            problems.append(f'{where} flag {letter}: row says {want_c!r}, ZydisInfo {got_c!r} ({got_flags})')
    return problems, tolerated


def zydis_input(row, enc):
    """Bytes for ZydisInfo, which reads a leading WAIT as an instruction of its own:
    the waiting x87 forms (9B, perhaps 66, then an x87 opcode) are checked as
    their no-wait twin."""
    rest = enc[2:] if enc[1:2] == b'\x66' else enc[1:]
    if len(enc) > 1 and enc[0] == 0x9B and rest and 0xD8 <= rest[0] <= 0xDF:
        return enc[1:], True
    return enc, False


def load_db_rows(path):
    con = sqlite3.connect(f'file:{path}?mode=ro', uri=True)
    try:
        con.row_factory = sqlite3.Row
        return [dict(r) for r in con.execute('select * from opc order by opid')]
    finally:
        con.close()


def main(argv):
    parser = argparse.ArgumentParser(description='Check the opcode table against objdump and ZydisInfo.')
    parser.add_argument('--db', help='database to check (default: build one from data/)')
    args = parser.parse_args(argv[1:])

    missing = [tool for tool in ('objdump', 'ZydisInfo') if shutil.which(tool) is None]
    if missing:
        print(f'verify_opcodes: {" and ".join(missing)} not found; install binutils and zydis-tools '
              f'(apt-get install binutils zydis-tools). Skipping.')
        return SKIP

    if args.db:
        try:
            if not os.path.isfile(args.db):
                raise sqlite3.OperationalError('no such file')
            rows = load_db_rows(args.db)
        except sqlite3.Error as e:
            print(f'verify_opcodes: cannot read the opc table of {args.db}: {e}')
            print('0 passed, 1 failed')
            return 1
    else:
        try:
            source_rows = build_db.load_rows()
        except build_db.RowError as e:
            print(f'verify_opcodes: {e}')
            print('0 passed, 1 failed')
            return 1
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, 'opcodes.db')
            build_db.write_db(source_rows, path)
            rows = load_db_rows(path)

    plan = []  # (row, variants, decode inputs)
    all_encodings = []
    zydis_jobs = []
    for row in rows:
        variants = make_variants(row)
        if row['mn'] in PREFIX_COMPANIONS:
            variants = [(label, enc + PREFIX_COMPANIONS[row['mn']]) for label, enc in variants]
        plan.append((row, variants))
        for _label, enc in variants:
            all_encodings.append(enc)
            zydis_jobs.append(zydis_input(row, enc))

    objdump_results = run_objdump(all_encodings)
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(2, os.cpu_count() or 2)) as pool:
        zydis_raw = list(pool.map(lambda job: run_zydis(job[0]), zydis_jobs))
    zydis_results = []
    for (enc, stripped), res in zip(zydis_jobs, zydis_raw):
        if res is not None:
            res['stripped_wait'] = stripped
        zydis_results.append(res)

    passed = failed = 0
    tolerated_rows = 0
    i = 0
    for row, variants in plan:
        n = len(variants)
        problems, tolerated = check_row(row, variants, objdump_results[i:i + n], zydis_results[i:i + n])
        i += n
        name = f'{row["opid"]} {row["mn"]} {row["args"]} / {row["op"]}'.replace('  ', ' ')
        if problems:
            failed += 1
            print(f'FAIL {name}: ' + '; '.join(problems))
        else:
            passed += 1
            if tolerated:
                tolerated_rows += 1
    print(f'{tolerated_rows} rows pass with a known decoder disagreement (see KNOWN_DISAGREEMENTS)')
    print(f'{passed} passed, {failed} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
