#!/usr/bin/env python3
"""Check a built opcode database against the program's database contract.

Usage: test_db.py DB_PATH

Checks the table layout, that prefix searches (LIKE 'text%') on mn and op are
index range searches through the NOCASE indexes, that ORDER BY still sorts
with binary collation, and that the file stays readable by old SQLite
releases (rollback journal, no WITHOUT ROWID or STRICT tables, vacuumed).

Exit status: 0 all checks pass, 1 some check fails, 2 usage error.
The last line printed is "N passed, N failed".
"""
import os
import sqlite3
import sys

COLUMNS = ['opid', 'mn', 'op', 'sw', 'len', 'flags', 'args', 'cpu', 'note']


def plan(con, sql):
    return ' | '.join(str(r[-1]) for r in con.execute('explain query plan ' + sql))


def checks(path):
    """Yield (name, ok, detail) for each check."""
    with open(path, 'rb') as f:
        header = f.read(100)
    yield ('sqlite file header', header[:16] == b'SQLite format 3\x00', repr(header[:16]))
    # Bytes 18 and 19 are the write and read format versions: 1 means the
    # rollback journal, 2 would mean WAL, which SQLite before 3.7.0 cannot open.
    yield ('rollback journal, not WAL', header[18] == 1 and header[19] == 1,
           f'format bytes {header[18]} {header[19]}')

    con = sqlite3.connect(f'file:{path}?mode=ro', uri=True)
    try:
        info = list(con.execute('pragma table_info(opc)'))
        names = [r[1] for r in info]
        yield ('opc columns in order', names == COLUMNS, ', '.join(names))
        yield ('opid is the integer primary key',
               bool(info) and info[0][2].lower() == 'integer' and info[0][5] == 1, repr(info[:1]))
        sql = ' '.join(r[0] for r in con.execute("select sql from sqlite_master where sql is not null")).lower()
        yield ('no WITHOUT ROWID or STRICT tables', 'without rowid' not in sql and 'strict' not in sql, sql)
        yield ('vacuumed (no free pages)', con.execute('pragma freelist_count').fetchone()[0] == 0, '')
        count = con.execute('select count(*) from opc').fetchone()[0]
        yield ('table has rows', count > 0, f'{count} rows')

        for column, prefix in (('mn', 'ad'), ('op', '0f')):
            sql_like = f"select * from opc where {column} like '{prefix}%'"
            p = plan(con, sql_like)
            yield (f'{column} LIKE prefix is an index range search',
                   'SEARCH' in p and f'opc_{column}_nocase' in p, p)
            got = con.execute(f"select count(*) from opc where {column} like '{prefix}%'").fetchone()[0]
            want = sum(1 for (v,) in con.execute(f'select {column} from opc')
                       if v.lower().startswith(prefix))
            yield (f'{column} LIKE prefix ignores case', got == want and got > 0, f'{got} rows, expected {want}')

        ordered = [r[0] for r in con.execute('select mn from opc order by mn')]
        yield ('order by mn is binary', ordered == sorted(ordered, key=lambda s: s.encode()), '')
        ordered = [r[0] for r in con.execute('select op from opc order by op')]
        yield ('order by op is binary', ordered == sorted(ordered, key=lambda s: s.encode()), '')
    finally:
        con.close()

    # Mixed-case values: the columns themselves must keep binary collation
    # while LIKE finds both spellings through the NOCASE index.
    mem = sqlite3.connect(':memory:')
    try:
        src = sqlite3.connect(f'file:{path}?mode=ro', uri=True)
        src.backup(mem)
        src.close()
        base = mem.execute('select coalesce(max(opid), 0) from opc').fetchone()[0]
        lower, upper = base + 1, base + 2
        mem.execute("insert into opc (opid, mn, op) values (?, 'add', 'zz'), (?, 'ADD', 'ZZ')", (lower, upper))
        got = [r[0] for r in mem.execute('select mn from opc where opid > ? order by mn', (base,))]
        yield ("order by mn puts 'ADD' before 'add'", got == ['ADD', 'add'], repr(got))
        got = [r[0] for r in mem.execute('select op from opc where opid > ? order by op', (base,))]
        yield ("order by op puts 'ZZ' before 'zz'", got == ['ZZ', 'zz'], repr(got))
        got = sorted(r[0] for r in mem.execute("select opid from opc where mn like 'ad%' and opid > ?", (base,)))
        yield ('LIKE finds both cases', got == [lower, upper], repr(got))
    finally:
        mem.close()


def main(argv):
    if len(argv) != 2 or argv[1].startswith('-'):
        print('usage: test_db.py DB_PATH', file=sys.stderr)
        return 2
    path = argv[1]
    if not os.path.isfile(path):
        print(f'test_db: no database at {path}')
        print('0 passed, 1 failed')
        return 1
    passed = failed = 0
    try:
        for name, ok, detail in checks(path):
            if ok:
                passed += 1
            else:
                failed += 1
                print(f'FAIL {name}: {detail}')
    except sqlite3.Error as e:
        failed += 1
        print(f'FAIL database error: {e}')
    print(f'{passed} passed, {failed} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
