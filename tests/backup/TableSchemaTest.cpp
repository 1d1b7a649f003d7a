// The schema reader against SQLite itself: CREATE TABLE statements of every form SQLite takes
// give the columns SQLite reports, those it refuses give none; types give SQLite's affinities;
// the schema table reads from the newest state of a database that reads whole, its long
// statements across overflow pages, and a hostile tree ends the walk.
#include "FixtureDatabase.h"
#include "SchemaAsSqlite.h"
#include "TestSupport.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/TableSchema.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

struct Memory {
    Memory() { sqlite3_open(":memory:", &db); }
    ~Memory() { sqlite3_close(db); }
    bool exec(const std::string& sql) { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }
    sqlite3* db = nullptr;
};

TEST(TableSchema, StatementsParseAsSqliteParsesThem) {
    // Each statement with the table it makes.
    const std::pair<const char*, const char*> taken[] = {
        {"CREATE TABLE plain(a, b INTEGER, c TEXT NOT NULL, d REAL DEFAULT -1.5, e BLOB)", "plain"},
        {"create temp table if not exists temp.t2 (\"a\"\"b\" int, [c d] varchar(10), `e`, 'f' text);", "t2"},
        {"CREATE TABLE main.\"x y\"(id integer primary key autoincrement, v)", "x y"},
        {"CREATE TABLE \"select\"(key, match, replace text, \"order\" int, [from] unique, temp, left, indexed)",
         "select"},
        {"CREATE TABLE c1 ( -- a comment, (\n a /* inside, */ INT, \n\t b\fTEXT /* , c */ ,c\r\nCHAR(3) -- end\n)",
         "c1"},
        {"CREATE TABLE k1(a INTEGER CONSTRAINT pk PRIMARY KEY ASC ON CONFLICT REPLACE, "
         "b TEXT UNIQUE CHECK (length(b) > (1 + (2))) COLLATE NOCASE, "
         "c INT DEFAULT (abs(-3)) NOT NULL REFERENCES k0(x) ON DELETE SET NULL DEFERRABLE INITIALLY DEFERRED, "
         "d DEFAULT 'it''s, (here)', e DEFAULT CURRENT_TIMESTAMP, f DEFAULT +7 NOT NULL, g DEFAULT x'00ff', "
         "h NOT DEFERRABLE NULL)",
         "k1"},
        {"CREATE TABLE g1(a INT, b INT GENERATED ALWAYS AS (a * 2) STORED, c AS (a + 1), "
         "d TEXT NOT NULL GENERATED ALWAYS AS ('x') VIRTUAL, e GENERATED ALWAYS AS (1))",
         "g1"},
        {"CREATE TABLE p1(a INTEGER, b, PRIMARY KEY(a DESC))", "p1"},
        {"CREATE TABLE p2(a INT, b, PRIMARY KEY(a))", "p2"},
        {"CREATE TABLE p3(a INTEGER, b, PRIMARY KEY(a, b))", "p3"},
        {"CREATE TABLE p4(a INTEGER PRIMARY KEY DESC, b)", "p4"},
        {"CREATE TABLE p5(\"a\" \"INTEGER\", CONSTRAINT k PRIMARY KEY ('a' COLLATE binary ASC) UNIQUE (a) "
         "CHECK (a > 0), FOREIGN KEY (a) REFERENCES p1(a) ON UPDATE CASCADE)",
         "p5"},
        {"CREATE TABLE p6(a 'INTEGER' x PRIMARY KEY, b)", "p6"},
        {"CREATE TABLE w1(a TEXT, b INTEGER PRIMARY KEY, c) WITHOUT ROWID", "w1"},
        {"CREATE TABLE w2(a TEXT, b INT, PRIMARY KEY(b, a)) without rowid , strict", "w2"},
        {"CREATE TABLE q1(a [abc] x, b 'x' 'y', c \"INTEGER(11,0)\", d VARCHAR ( 10 , -2 ), "
         "e int /* hi */ unsigned, f key match, g '', h \"int\", i long   integer)",
         "q1"},
        {"CREATE TABLE \"Ünïcødé\"(名前 TEXT, \"emoji 😀\" INT, a$b)", "Ünïcødé"},
    };
    for (const auto& [statement, table] : taken) {
        Memory sqlite;
        ASSERT_TRUE(sqlite.exec(statement)) << statement << ": " << sqlite3_errmsg(sqlite.db);
        const std::optional<carve::TableColumns> columns = carve::parseCreateTable(statement);
        ASSERT_TRUE(columns) << statement;
        EXPECT_EQ(columns->name, table);
        schematest::expectColumnsAsSqlite(sqlite.db, table, *columns);
    }

    // A table grown and changed by ALTER TABLE, as SQLite then keeps its statement.
    Memory grown;
    ASSERT_TRUE(
        grown.exec("CREATE TABLE grown(a);"
                   "ALTER TABLE grown ADD COLUMN b TEXT DEFAULT 'x, y';"
                   "ALTER TABLE grown ADD c INTEGER NOT NULL DEFAULT 0;"
                   "ALTER TABLE grown RENAME COLUMN a TO \"first one\""));
    const auto statement = schematest::query(grown.db, "SELECT sql FROM sqlite_master WHERE name = 'grown'");
    ASSERT_EQ(statement.size(), 1u);
    const std::optional<carve::TableColumns> columns = carve::parseCreateTable(statement[0][0]);
    ASSERT_TRUE(columns) << statement[0][0];
    schematest::expectColumnsAsSqlite(grown.db, "grown", *columns);
    EXPECT_EQ(columns->columnIndex("FIRST ONE"), 0);
    EXPECT_EQ(columns->columnIndex("c"), 2);
    EXPECT_EQ(columns->columnIndex("d"), -1);

    // What SQLite refuses names no columns.
    for (const char* refused :
         {"CREATE TABLE r1(a, A)", "CREATE TABLE r2(a PRIMARY KEY, b PRIMARY KEY)",
          "CREATE TABLE r3(a INTEGER PRIMARY KEY, PRIMARY KEY(a))", "CREATE TABLE r4(a, b) WITHOUT ROWID",
          "CREATE TABLE r5(a PRIMARY KEY) WITHOUT apples", "CREATE TABLE r6(a, b), c", "CREATE TABLE r7(a, b",
          "CREATE TABLE r8(a CHECK (a > 0), b))", "CREATE TABLE r9()", "CREATE TABLE r10(a, PRIMARY KEY(z))",
          "CREATE TABLE r11('a)", "CREATE TABLE r12(a, b,)", "CREATE TABLE r13(select, b)", "CREATE TABLE (a)",
          "CREATE TABLE r14(a, $b)", "CREATE TABLE r15(a PRIMARY KEY(a))", "CREATE INDEX r16 ON t(a)"}) {
        Memory sqlite;
        EXPECT_FALSE(sqlite.exec(refused)) << refused;
        EXPECT_FALSE(carve::parseCreateTable(refused)) << refused;
    }
    // Tables whose rows lie in tables of their own, or that name no columns; no statement, two.
    EXPECT_FALSE(carve::parseCreateTable(""));
    EXPECT_FALSE(carve::parseCreateTable("CREATE TABLE t(a); CREATE TABLE u(a)"));
    EXPECT_FALSE(carve::parseCreateTable("CREATE VIRTUAL TABLE v USING fts4(a, b)"));
    EXPECT_FALSE(carve::parseCreateTable("CREATE TABLE s AS SELECT 1 AS x"));
}

TEST(TableSchema, TypesTakeSqlitesAffinities) {
    using carve::ColumnAffinity;
    const std::pair<const char*, ColumnAffinity> types[] = {{"INT", ColumnAffinity::integer},
                                                            {"bigint unsigned", ColumnAffinity::integer},
                                                            {"FLOATING POINT", ColumnAffinity::integer},
                                                            {"CHARACTER(20)", ColumnAffinity::text},
                                                            {"NVARCHAR(5)", ColumnAffinity::text},
                                                            {"clob", ColumnAffinity::text},
                                                            {"BLOB", ColumnAffinity::blob},
                                                            {"REALBLOB", ColumnAffinity::blob},
                                                            {"TEXTBLOB", ColumnAffinity::text},
                                                            {"REAL", ColumnAffinity::real},
                                                            {"DOUBLE PRECISION", ColumnAffinity::real},
                                                            {"float", ColumnAffinity::real},
                                                            {"NUMERIC", ColumnAffinity::numeric},
                                                            {"DECIMAL(10,5)", ColumnAffinity::numeric},
                                                            {"BOOLEAN", ColumnAffinity::numeric},
                                                            {"DATE", ColumnAffinity::numeric},
                                                            {"STRING", ColumnAffinity::numeric},
                                                            {"", ColumnAffinity::blob}};
    std::string create = "CREATE TABLE t(";
    for (size_t k = 0; k < std::size(types); ++k) {
        EXPECT_EQ(carve::affinityOf(types[k].first), types[k].second) << types[k].first;
        create += (k ? ", c" : "c") + std::to_string(k) + " " + types[k].first;
    }
    // SQLite keeps the text '12' as what the column prefers: a number for integer and numeric
    // columns, a real for real ones, the text itself for text and blob ones.
    Memory sqlite;
    ASSERT_TRUE(sqlite.exec(create + ")") && sqlite.exec("INSERT INTO t DEFAULT VALUES"));
    const std::optional<carve::TableColumns> columns = carve::parseCreateTable(create + ")");
    ASSERT_TRUE(columns);
    for (size_t k = 0; k < std::size(types); ++k) {
        const std::string column = "c" + std::to_string(k);
        ASSERT_TRUE(sqlite.exec("UPDATE t SET " + column + " = '12'"));
        const auto kept = schematest::query(sqlite.db, ("SELECT typeof(" + column + ") FROM t").c_str());
        const ColumnAffinity a = columns->columns[k].affinity;
        EXPECT_EQ(kept[0][0], a == ColumnAffinity::integer || a == ColumnAffinity::numeric ? "integer"
                              : a == ColumnAffinity::real                                  ? "real"
                                                                                           : "text")
            << types[k].first;
    }
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Gives every frame of a write-ahead log the checksums its bytes call for, so that SQLite (and
// the carve) take frames whose pages a test changed.
void resealLog(std::vector<uint8_t>& log, size_t pageSize) {
    const bool bigEndian = log[3] & 1;
    auto word = [&](size_t at) {
        return bigEndian
                   ? uint32_t(log[at]) << 24 | uint32_t(log[at + 1]) << 16 | uint32_t(log[at + 2]) << 8 | log[at + 3]
                   : uint32_t(log[at + 3]) << 24 | uint32_t(log[at + 2]) << 16 | uint32_t(log[at + 1]) << 8 | log[at];
    };
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) log[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
    };
    uint32_t s0 = 0, s1 = 0;
    auto sum = [&](size_t from, size_t to) {
        for (size_t at = from; at < to; at += 8) {
            s0 += word(at) + s1;
            s1 += word(at + 4) + s0;
        }
    };
    sum(0, 24);
    put(24, s0), put(28, s1);
    for (size_t frame = 32; frame + 24 + pageSize <= log.size(); frame += 24 + pageSize) {
        sum(frame, frame + 8);
        sum(frame + 24, frame + 24 + pageSize);
        put(frame + 16, s0), put(frame + 20, s1);
    }
}

class SchemaTable : public testsupport::HomeTest {
protected:
    std::optional<std::vector<carve::SchemaEntry>> schemaOf(const std::string& path) {
        carve::CarveDatabase db;
        if (!db.open(path, context)) return std::nullopt;
        return carve::readSchema(db);
    }
    std::vector<std::string> columnsOf(const std::vector<carve::SchemaEntry>& schema, const char* table) {
        std::vector<std::string> names;
        if (auto columns = carve::tableColumns(schema, table))
            for (const carve::SchemaColumn& c : columns->columns) names.push_back(c.name);
        return names;
    }
    std::string folder = testsupport::scratchDirectory("schema");
    PRBackupScanState state;
    NSNotificationCenter nc;
    carve::CarveContext context{state, nc};
};

TEST_F(SchemaTable, TheNewestStateOfTheLogThatReadsWholeGivesTheSchema) {
    // The file holds t(a, b); two transactions in its log each added a column.
    const std::string path = folder + "/grown.db";
    {
        carvefix::FixtureDatabase db(path, 1024, false);
        db.exec("CREATE TABLE t(a, b); INSERT INTO t VALUES (1, 2);");
        db.keepWritingInLog();
        db.exec("ALTER TABLE t ADD COLUMN c TEXT;");
        db.exec("INSERT INTO t VALUES (3, 4, 'five');");
        db.exec("ALTER TABLE t ADD COLUMN d REAL;");
        ASSERT_TRUE(db.ok());
    }
    using Names = std::vector<std::string>;
    std::optional<std::vector<carve::SchemaEntry>> schema = schemaOf(path);
    ASSERT_TRUE(schema);
    EXPECT_EQ(columnsOf(*schema, "T"), (Names{"a", "b", "c", "d"}));

    // The log's images of page 1 spoiled from the newest on: each time the state before reads.
    std::vector<uint8_t> log = readFile(path + "-wal");
    constexpr size_t kFrame = 24 + 1024;
    std::vector<size_t> firstPages;
    for (size_t at = 32; at + kFrame <= log.size(); at += kFrame)
        if (log[at] == 0 && log[at + 1] == 0 && log[at + 2] == 0 && log[at + 3] == 1)
            firstPages.insert(firstPages.begin(), at);
    ASSERT_EQ(firstPages.size(), 2u);
    const Names expected[] = {{"a", "b", "c"}, {"a", "b"}};
    for (size_t k = 0; k < firstPages.size(); ++k) {
        log[firstPages[k] + 24 + 100] = 0x07;  // no kind of page
        resealLog(log, 1024);
        writeFile(path + "-wal", log);
        schema = schemaOf(path);
        ASSERT_TRUE(schema);
        EXPECT_EQ(columnsOf(*schema, "t"), expected[k]);
    }
    // With the file's own first page spoiled too, no state reads.
    std::vector<uint8_t> file = readFile(path);
    file[100] = 0x07;
    writeFile(path, file);
    EXPECT_FALSE(schemaOf(path));
}

TEST_F(SchemaTable, LongStatementsAndManyTablesRead) {
    // A statement longer than a page (its row's overflow chain) and a schema over several pages.
    const std::string path = folder + "/wide.db";
    std::string wide = "CREATE TABLE wide(";
    for (int k = 0; k < 300; ++k) wide += (k ? ", column_" : "column_") + std::to_string(k) + " TEXT";
    wide += ")";
    {
        carvefix::FixtureDatabase db(path, 512, false);
        db.exec(wide);
        for (int k = 0; k < 60; ++k) db.exec("CREATE TABLE t" + std::to_string(k) + "(a INTEGER PRIMARY KEY, b)");
        ASSERT_TRUE(db.ok());
    }
    const std::optional<std::vector<carve::SchemaEntry>> schema = schemaOf(path);
    ASSERT_TRUE(schema);
    ASSERT_EQ(schema->size(), 61u);
    EXPECT_EQ((*schema)[0].sql, wide);
    EXPECT_EQ(columnsOf(*schema, "wide").size(), 300u);
    EXPECT_EQ(carve::tableColumns(*schema, "t59")->rowidAlias, 0);
    EXPECT_FALSE(carve::tableColumns(*schema, "t60"));
}

TEST_F(SchemaTable, AHostileTreeEndsTheWalk) {
    const std::string path = folder + "/hostile.db";
    {
        carvefix::FixtureDatabase db(path, 512, false);
        for (int k = 0; k < 40; ++k) db.exec("CREATE TABLE t" + std::to_string(k) + "(a, b, c, d, e, f, g)");
        ASSERT_TRUE(db.ok());
    }
    const std::vector<uint8_t> sound = readFile(path);
    ASSERT_EQ(sound[100], 0x05);  // the schema's root on page 1 is an interior page
    auto spoiled = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> file = sound;
        std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<ptrdiff_t>(at));
        writeFile(path, file);
        return schemaOf(path);
    };
    ASSERT_TRUE(spoiled(0, {}));
    EXPECT_FALSE(spoiled(108, {0, 0, 0, 1}));     // the right-most child: page 1 itself
    EXPECT_FALSE(spoiled(108, {0, 0, 0x7f, 0}));  // a page past the file
    EXPECT_FALSE(spoiled(103, {0xff, 0xff}));     // more cells than the page holds
    const auto child = static_cast<size_t>(sound[108] << 24 | sound[109] << 16 | sound[110] << 8 | sound[111]);
    EXPECT_FALSE(spoiled((child - 1) * 512, {0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));  // a leaf naming page 1
}

}  // namespace
