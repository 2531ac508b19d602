#include "benchmark/synthetic_table.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <vector>

namespace {

// Mnemonics with the number of rows each has in the reference table, so that prefix filters
// select the same share of a synthetic table as of the real one.
constexpr const char* MnemonicWeights =
    "ADC:14 ADD:14 AND:14 AAA:1 AAD:1 AAM:1 AAS:1 ARPL:1 BT:4 BTC:4 BTR:4 BTS:4 BOUND:2 BSF:2 BSR:2 "
    "BSWAP:1 CMP:14 CALL:6 CMPXCHG:3 CBW:1 CDQ:1 CLC:1 CLD:1 CLI:1 CLTS:1 CMC:1 CMPSB:1 CMPSD:1 CMPSW:1 "
    "CMPXCHG8B:1 CPUID:1 CWD:1 CWDE:1 DEC:5 DIV:3 DAA:1 DAS:1 ENTER:1 FADD:4 FDIV:4 FDIVR:4 FLD:4 "
    "FMUL:4 FSTP:4 FSUB:4 FSUBR:4 FCOM:3 FCOMP:3 FILD:3 FISTP:3 FST:3 FIADD:2 FICOM:2 FICOMP:2 FIDIV:2 "
    "FIDIVR:2 FIMUL:2 FIST:2 FISUB:2 FISUBR:2 FNSTSW:2 FSTSW:2 F2XM1:1 FABS:1 FADDP:1 FBLD:1 FBSTP:1 "
    "FCHS:1 FCLEX:1 FCOMPP:1 FCOS:1 FDECSTP:1 FDISI:1 FDIVP:1 FDIVRP:1 FENI:1 FFREE:1 FINCSTP:1 FINIT:1 "
    "FLD1:1 FLDCW:1 FLDENV:1 FLDL2E:1 FLDL2T:1 FLDLG2:1 FLDLN2:1 FLDPI:1 FLDZ:1 FMULP:1 FNCLEX:1 "
    "FNDISI:1 FNENI:1 FNINIT:1 FNOP:1 FNSAVE:1 FNSTCW:1 FNSTENV:1 FPATAN:1 FPREM:1 FPREM1:1 FPTAN:1 "
    "FRNDINT:1 FRSTOR:1 FSAVE:1 FSCALE:1 FSETPM:1 FSIN:1 FSINCOS:1 FSQRT:1 FSTCW:1 FSTENV:1 FSUBP:1 "
    "FSUBRP:1 FTST:1 FUCOM:1 FUCOMP:1 FUCOMPP:1 FXAM:1 FXCH:1 FXTRACT:1 FYL2X:1 FYL2XP1:1 HLT:1 IMUL:9 "
    "IN:6 INC:5 IDIV:3 INT:2 INSB:1 INSD:1 INSW:1 INTO:1 INVD:1 INVLPG:1 IRET:1 IRETD:1 JMP:7 JA:2 JAE:2 "
    "JB:2 JBE:2 JG:2 JGE:2 JL:2 JLE:2 JNO:2 JNP:2 JNS:2 JNZ:2 JO:2 JP:2 JS:2 JZ:2 JCXZ:1 JECXZ:1 LDS:2 "
    "LEA:2 LES:2 LFS:2 LGS:2 LSS:2 LAHF:1 LAR:1 LEAVE:1 LGDT:1 LIDT:1 LLDT:1 LMSW:1 LOCK:1 LODSB:1 "
    "LODSD:1 LODSW:1 LOOP:1 LOOPE:1 LOOPNE:1 LSL:1 LTR:1 MOV:26 MOVSX:3 MOVZX:3 MUL:3 MOVSB:1 MOVSD:1 "
    "MOVSW:1 NEG:3 NOT:3 NOP:1 OR:14 OUT:6 OUTSB:1 OUTSD:1 OUTSW:1 PUSH:13 POP:9 POPA:1 POPAD:1 POPF:1 "
    "POPFD:1 PUSHA:1 PUSHAD:1 PUSHF:1 PUSHFD:1 RCL:9 RCR:9 ROL:9 ROR:9 RET:2 RETF:2 RDMSR:1 RDTSC:1 "
    "REP:1 REPNE:1 RSM:1 SBB:14 SUB:14 SAR:9 SHL:9 SHR:9 SHLD:4 SHRD:4 SAHF:1 SCASB:1 SCASD:1 SCASW:1 "
    "SETA:1 SETAE:1 SETB:1 SETBE:1 SETG:1 SETGE:1 SETL:1 SETLE:1 SETNO:1 SETNP:1 SETNS:1 SETNZ:1 SETO:1 "
    "SETP:1 SETS:1 SETZ:1 SGDT:1 SIDT:1 SLDT:1 SMSW:1 STC:1 STD:1 STI:1 STOSB:1 STOSD:1 STOSW:1 STR:1 "
    "TEST:9 VERR:1 VERW:1 WAIT:1 WBINVD:1 WRMSR:1 XOR:14 XCHG:5 XADD:3 XLAT:1";

// An opcode pattern with the columns that go with its shape.
struct Form {
    const char* bytesAfterOpcode;
    const char* sizes;
    const char* length;
    const char* args;
};

constexpr Form Forms[] = {
    {" mr d0 d1", "N B", "2~4", "rmb,rb"}, {" mr d0 d1", "N W", "2~4", "rmw,rw"},
    {" mr d0 d1", "N B", "2~4", "rb,rmb"}, {" i0", "N B", "2", "AL,ib"},
    {" i0 i1", "N W", "3", "AX,iw"},       {" /0 d0 d1 i0", "N B", "3~5", "rmb,ib"},
    {" /3 d0 d1", "- -", "2~4", "mw"},     {"", "- -", "1", ""},
    {" r0 r1", "- -", "3", "ll"},          {" r0", "- -", "2", "sl"},
    {"+r", "N W", "1", "rw"},              {" /7 d0 d1", "E W", "2~4", "rmw"},
};
constexpr const char* Flags[] = {"O---SZAPC", "---------", "0---SZ?P0", "----SZAPC", "O-------C", "--------0"};
constexpr const char* Processors[] = {"8086", "186", "286", "386", "486", "586", "8087", "287", "387"};

// A small fixed generator, so that every run measures the same tables.
class Random {
public:
    uint32_t Below(uint32_t limit)
    {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state_ >> 33) % limit;
    }

private:
    uint64_t state_ = 0x5eed;
};

std::vector<std::string> WeightedMnemonics()
{
    std::vector<std::string> pool;
    std::istringstream entries(MnemonicWeights);
    std::string entry;
    while (entries >> entry) {
        const size_t colon = entry.find(':');
        const int weight = std::stoi(entry.substr(colon + 1));
        for (int n = 0; n < weight; ++n)
            pool.push_back(entry.substr(0, colon));
    }
    return pool;
}

bool Execute(sqlite3* connection, const char* sql)
{
    return sqlite3_exec(connection, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool InsertRows(sqlite3* connection, int rowCount)
{
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(connection, "insert into opc values (?,?,?,?,?,?,?,?,?)", -1, &insert, nullptr) !=
        SQLITE_OK)
        return false;
    const std::vector<std::string> mnemonics = WeightedMnemonics();
    Random random;
    bool ok = true;
    for (int row = 0; row < rowCount && ok; ++row) {
        const Form& form = Forms[random.Below(std::size(Forms))];
        char bytes[48];
        std::snprintf(bytes, sizeof(bytes), "%s%02X%s", random.Below(4) == 0 ? "0F " : "", random.Below(256),
                      form.bytesAfterOpcode);
        const char* note = random.Below(6) == 0 ? "not in 64-bit mode" : "";
        const char* texts[] = {mnemonics[random.Below(static_cast<uint32_t>(mnemonics.size()))].c_str(),
                               bytes,
                               form.sizes,
                               form.length,
                               Flags[random.Below(std::size(Flags))],
                               form.args,
                               Processors[random.Below(std::size(Processors))],
                               note};
        sqlite3_bind_int(insert, 1, 1000 + row);
        for (int column = 0; column < 8; ++column)
            sqlite3_bind_text(insert, column + 2, texts[column], -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    return ok;
}

} // namespace

bool WriteSyntheticTable(const std::string& utf8Path, int rowCount, int pageSize)
{
    sqlite3* connection = nullptr;
    const int opened =
        sqlite3_open_v2(utf8Path.c_str(), &connection, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    const std::string pageSizePragma = "pragma page_size=" + std::to_string(pageSize);
    // The same order as the reference table's build: schema and indexes, rows, then a vacuum
    // that lays the file out afresh.
    const bool ok = opened == SQLITE_OK && Execute(connection, pageSizePragma.c_str()) &&
                    Execute(connection, "pragma journal_mode=delete") &&
                    Execute(connection, "create table opc (opid integer primary key, mn text, op text, sw text,"
                                        " len text, flags text, args text, cpu text, note text)") &&
                    Execute(connection, "create index opc_mn_nocase on opc(mn collate nocase)") &&
                    Execute(connection, "create index opc_op_nocase on opc(op collate nocase)") &&
                    Execute(connection, "begin") && InsertRows(connection, rowCount) &&
                    Execute(connection, "commit") && Execute(connection, "vacuum");
    sqlite3_close(connection);
    return ok;
}
