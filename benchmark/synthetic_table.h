#pragma once

#include <string>

// Writes a fresh "tuvex.db3" of the reference table's schema and indexes at the given path,
// holding rowCount rows of the reference table's shape: mnemonics drawn with the reference
// table's frequencies, opcode byte patterns, operand and flag columns of the same kind.
// The rows are the same for the same count. False when SQLite refused a step.
bool WriteSyntheticTable(const std::string& utf8Path, int rowCount, int pageSize);
