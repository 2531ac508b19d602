#!/usr/bin/env node
// Draft rows of the opcode table from iced-x86's list of instruction forms.
//
// Usage: node generate.js OUT_DIR
//
// Writes OUT_DIR/<file>.tsv for every generation or extension file that gets
// new rows, in the table's notation (data/README.md), and prints to stderr the
// forms it left out and why.  Forms the table already holds (same mnemonic and
// op bytes) are skipped, and a file's new rows take the opids after the
// highest one it already uses, so a draft can be appended to data/ as it is.
// The drafts are a starting point: every row is reviewed and then checked by
// verify_opcodes.py like a hand-written one.  The build never runs this.
'use strict';
const fs = require('fs');
const path = require('path');
const {execFileSync} = require('child_process');
const {Code, CodeExt, EncodingKind, Instruction, CpuidFeature, RflagsBits} = require('iced-x86');

const DATA_DIR = path.join(__dirname, '..', '..', '..', 'data');

// iced-x86's CPUID feature (joined with + when there are several) -> the
// table's file.  Features missing here are out of scope.
const FEATURE_FILE = {
  CMOV: 'p6', 'FPU+CMOV': 'p6', SEP: 'p6', RDPMC: 'p6', FXSR: 'p6', MULTIBYTENOP: 'p6',
  MMX: 'mmx',
  SSE: 'sse',
  SSE2: 'sse2', PAUSE: 'sse2', CLFSH: 'sse2',
  SSE3: 'sse3', 'FPU+SSE3': 'sse3', MONITOR: 'sse3',
  SSSE3: 'ssse3',
  SSE4_1: 'sse4.1',
  SSE4_2: 'sse4.2', POPCNT: 'sse4.2',
  AES: 'aes', PCLMULQDQ: 'pclmulqdq', SHA: 'sha', GFNI: 'gfni',
  MOVBE: 'movbe', RDRAND: 'rdrand', RDSEED: 'rdseed', ADX: 'adx',
  LZCNT: 'lzcnt', BMI1: 'bmi1',
  CLFLUSHOPT: 'clflushopt', CLWB: 'clwb',
  XSAVE: 'xsave', XSAVEOPT: 'xsave', XSAVEC: 'xsave', XSAVES: 'xsave',
  RDTSCP: 'rdtscp', RDPID: 'rdpid',
  VMX: 'vmx', 'VMX+INVEPT': 'vmx', 'VMX+INVVPID': 'vmx',
  SMX: 'smx',
  SVM: 'svm', SKINIT_or_SVM: 'svm',
  SGX1: 'sgx', OSS: 'sgx',
  CET_SS: 'cet', CET_IBT: 'cet',
  RTM: 'tsx', HLE_or_RTM: 'tsx',
  PKU: 'pku', SMAP: 'smap', INVPCID: 'invpcid',
  SSE4A: 'sse4a', MONITORX: 'monitorx', CLZERO: 'clzero',
  PREFETCHW: 'prefetchw', PREFETCHWT1: 'prefetchwt1',
  CLDEMOTE: 'cldemote', MOVDIRI: 'movdiri', MOVDIR64B: 'movdir64b', WAITPKG: 'waitpkg',
  PTWRITE: 'ptwrite', SERIALIZE: 'serialize', TSXLDTRK: 'tsxldtrk', PCONFIG: 'pconfig',
  WBNOINVD: 'wbnoinvd', ENQCMD: 'enqcmd', HRESET: 'hreset', WRMSRNS: 'wrmsrns', RAO_INT: 'raoint',
  AESKLE: 'keylocker', KL: 'keylocker', 'AESKLE+WIDE_KL': 'keylocker',
  SYSCALL: 'syscall', RDPRU: 'rdpru', MCOMMIT: 'mcommit', INVLPGB: 'invlpgb',
  SEV_ES: 'sev', SEV_SNP: 'sev',
};

// Forms of an in-scope feature that are not documented instructions.
const UNDOCUMENTED = /^(Reservednop_|Prefetchreserved|Lfence_|Mfence_|Sfence_|Test_rm\d+_imm\d+_F7r1)/;

// Intel's operand strings -> the table's abbreviations.
const OPERAND = {
  'r8': 'rb', 'r16': 'rw', 'r32': 'rd',
  'r/m8': 'rmb', 'r/m16': 'rmw', 'r/m32': 'rmd',
  'r32/m8': 'rdmb', 'r32/m16': 'rdmw',
  'm8': 'mb', 'm16': 'mw', 'm32': 'md', 'm64': 'mq', 'm128': 'mdq',
  'm32int': 'md', 'm16int': 'mw', 'm64int': 'mq',
  'mem': 'm', 'm512byte': 'm', 'm512': 'm', 'm384': 'm', 'm': 'm',
  'mm': 'mm', 'mm1': 'mm', 'mm2': 'mm',
  'mm/m64': 'mmm64', 'mm1/m64': 'mmm64', 'mm2/m64': 'mmm64', 'mm/m32': 'mmm32',
  'xmm': 'xmm', 'xmm1': 'xmm', 'xmm2': 'xmm',
  'xmm/m128': 'xmmm128', 'xmm1/m128': 'xmmm128', 'xmm2/m128': 'xmmm128',
  'xmm/m64': 'xmmm64', 'xmm1/m64': 'xmmm64', 'xmm2/m64': 'xmmm64',
  'xmm1/m32': 'xmmm32', 'xmm2/m32': 'xmmm32', 'xmm2/m16': 'xmmm16',
  'imm8': 'ib', 'imm16': 'iw', 'imm32': 'id',
  'rel8': 'sl', 'rel16': 'll', 'rel32': 'll',
  'ST': 'ST', 'ST(0)': 'ST', 'ST(i)': 'ST(i)',
  '<XMM0>': 'XMM0', 'AX': 'AX', 'EAX': 'EAX',
};
const IMPLICIT = new Set(['<edx>', '<eax>', '<EAX>', '<XMM0-7>', '<XMM0-6>', '<XMM0-2>', '<XMM4-6>']);
const REG_OR_MEM = new Set(['rmb', 'rmw', 'rmd', 'rdmb', 'rdmw', 'mmm64', 'mmm32',
  'xmmm128', 'xmmm64', 'xmmm32', 'xmmm16']);
const MEMORY = new Set(['mb', 'mw', 'md', 'mq', 'mdq', 'm']);

// The table names each condition by its first name, as for Jcc and SETcc, and
// gives the others in the note.
const CONDITIONS = [['O'], ['NO'], ['B', 'C', 'NAE'], ['AE', 'NB', 'NC'], ['Z', 'E'], ['NZ', 'NE'],
  ['BE', 'NA'], ['A', 'NBE'], ['S'], ['NS'], ['P', 'PE'], ['NP', 'PO'],
  ['L', 'NGE'], ['GE', 'NL'], ['LE', 'NG'], ['G', 'NLE']];

function flagsOf(ins) {
  const bits = {O: RflagsBits.OF, D: RflagsBits.DF, I: RflagsBits.IF, T: 0, S: RflagsBits.SF,
    Z: RflagsBits.ZF, A: RflagsBits.AF, P: RflagsBits.PF, C: RflagsBits.CF};
  let out = '';
  for (const [letter, bit] of Object.entries(bits)) {
    if (bit && ins.rflagsUndefined & bit) out += '?';
    else if (bit && ins.rflagsCleared & bit) out += '0';
    else if (bit && ins.rflagsSet & bit) out += '1';
    else if (bit && ins.rflagsWritten & bit) out += letter;
    else out += '-';
  }
  return out;
}

// iced's op-code string -> the table's op tokens, or a reason to leave the form out.
function translateOp(opCodeString, args) {
  const prefixes = [];
  const body = [];
  let modrm = null;
  let imm = 0;
  let rel = 0;
  for (const tok of opCodeString.split(' ')) {
    if (tok === 'o16' || tok === 'a16' || tok === 'NP') continue;
    if (tok === 'o32') { prefixes.push('66'); continue; }
    if (tok === 'a32') return {skip: '67 (32-bit address size) form'};
    if (/^[0-9A-F]{2}$/.test(tok)) { body.push(tok); continue; }
    if (/^[0-9A-F]{2}\+[ri]$/.test(tok)) { body.push(tok.slice(0, 2) + '+r'); continue; }
    if (tok === '/r' || tok === '11:rrr:bbb' || tok === '!(11):rrr:bbb') { modrm = 'mr'; body.push('MODRM'); continue; }
    const digit = /^\/([0-7])$/.exec(tok);
    const memoryDigit = /^!\(11\):([01]{3}):bbb$/.exec(tok);
    if (digit || memoryDigit) {
      modrm = '/' + (digit ? digit[1] : parseInt(memoryDigit[1], 2));
      body.push('MODRM');
      continue;
    }
    if (tok === 'ib') { body.push('i' + imm++); continue; }
    if (tok === 'iw') { body.push('i' + imm++, 'i' + imm++); continue; }
    if (tok === 'id') { for (let k = 0; k < 4; k++) body.push('i' + imm++); continue; }
    if (tok === 'cb') { body.push('r' + rel++); continue; }
    if (tok === 'cw') { body.push('r' + rel++, 'r' + rel++); continue; }
    if (tok === 'cd') { for (let k = 0; k < 4; k++) body.push('r' + rel++); continue; }
    return {skip: `op-code token ${tok}`};
  }
  const memory = args.some(a => REG_OR_MEM.has(a) || MEMORY.has(a));
  const out = [];
  for (const tok of body) {
    if (tok === 'MODRM') {
      out.push(modrm);
      if (memory) out.push('d0', 'd1');
    } else {
      out.push(tok);
    }
  }
  return {op: [...prefixes, ...out].join(' ')};
}

function translateArgs(instructionString) {
  const sp = instructionString.indexOf(' ');
  const mn = sp < 0 ? instructionString : instructionString.slice(0, sp);
  const args = [];
  if (sp >= 0) {
    for (const raw of instructionString.slice(sp + 1).split(',')) {
      const a = raw.trim();
      if (IMPLICIT.has(a)) continue;
      if (!(a in OPERAND)) return {mn, skip: `operand ${a}`};
      args.push(OPERAND[a]);
    }
  }
  return {mn, args};
}

function lengthOf(op) {
  const n = op.split(' ').length;
  return op.includes('d0') ? `${n - 2}~${n}` : String(n);
}

function tableName(mn) {
  if (mn.startsWith('CMOV')) {
    const names = CONDITIONS.find(group => group.includes(mn.slice(4)));
    if (names) {
      const others = names.slice(1).map(n => 'CMOV' + n);
      return {mn: 'CMOV' + names[0], also: others.join(', ')};
    }
  }
  return {mn};
}

function readTable() {
  const forms = new Set();
  const maxOpid = {};
  for (const name of fs.readdirSync(DATA_DIR).filter(f => f.endsWith('.tsv'))) {
    const stem = name.slice(0, -4);
    const lines = fs.readFileSync(path.join(DATA_DIR, name), 'utf8').split('\n').slice(1).filter(Boolean);
    for (const line of lines) {
      const [opid, mn, op] = line.split('\t');
      forms.add(`${mn}|${op}`);
      maxOpid[stem] = Math.max(maxOpid[stem] || 0, Number(opid));
    }
  }
  return {forms, maxOpid};
}

function main() {
  const outDir = process.argv[2];
  if (!outDir) {
    console.error('usage: node generate.js OUT_DIR');
    process.exit(2);
  }
  // The opid blocks live in build_db.py, which the build checks rows against.
  const blocks = JSON.parse(execFileSync('python3', ['-c',
    'import json, build_db; print(json.dumps(build_db.CPU_BLOCKS))'], {cwd: path.join(__dirname, '..')}));
  const {forms, maxOpid} = readTable();
  const files = {};
  const seen = new Set();
  for (const [name, code] of Object.entries(Code)) {
    if (typeof code !== 'number') continue;
    const info = CodeExt.opCode(code);
    try {
      if (info.encoding !== EncodingKind.Legacy || !info.mode16 || !info.isInstruction) continue;
      const ins = Instruction.create(code);
      const feature = Array.from(ins.cpuidFeatures()).map(f => CpuidFeature[f]).join('+');
      const flags = flagsOf(ins);
      ins.free();
      const file = FEATURE_FILE[feature];
      const what = `${info.opCodeString}  ${info.instructionString}  (${feature})`;
      const parsed = translateArgs(info.instructionString);
      const t = parsed.skip ? {} : translateOp(info.opCodeString, parsed.args);
      const named = tableName(parsed.mn);
      const key = `${named.mn}|${t.op}`;
      if (t.op && forms.has(key)) continue;
      if (!file) {
        // The 8086 to Pentium generations are written by hand; iced-x86's
        // names and aliases for them are not the table's.
        if (!/^(INTEL|FPU)/.test(feature)) console.error(`out of scope: ${what}`);
        continue;
      }
      if (UNDOCUMENTED.test(name)) { console.error(`undocumented: ${what}`); continue; }
      if (parsed.skip || t.skip) { console.error(`skipped (${parsed.skip || t.skip}): ${what}`); continue; }
      if (seen.has(key)) continue;
      seen.add(key);
      const last = t.op.split(' ').filter(x => /^[0-9A-F]{2}/.test(x)).pop();
      let sw = '- -';
      if (named.mn === 'CRC32') sw = parseInt(last, 16) & 1 ? 'N W' : 'N B';
      const note = named.also ? `also ${named.also}` : '';
      (files[file] = files[file] || []).push(
        [null, named.mn, t.op, sw, lengthOf(t.op), flags, parsed.args.join(','), note]);
    } finally {
      info.free();
    }
  }
  fs.mkdirSync(outDir, {recursive: true});
  for (const [file, rows] of Object.entries(files)) {
    if (!blocks[file]) throw new Error(`no opid block for ${file} in build_db.py`);
    let next = Math.max(blocks[file][0], (maxOpid[file] || 0) + 1);
    const lines = ['opid\tmn\top\tsw\tlen\tflags\targs\tnote'];
    for (const row of rows) {
      row[0] = next++;
      lines.push(row.join('\t'));
    }
    fs.writeFileSync(path.join(outDir, `${file}.tsv`), lines.join('\n') + '\n');
    console.log(`${file}: ${rows.length} rows`);
  }
}

main();
