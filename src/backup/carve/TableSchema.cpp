#include "backup/carve/TableSchema.h"

#include <algorithm>
#include <cstddef>
#include <span>

namespace carve {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// SQLite's own test of a space inside a type's text (the tokenizer's spaces, with \v).
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool isQuote(char c) { return c == '"' || c == '\'' || c == '`' || c == '['; }

// A byte that may continue a bare word: a letter, a digit, '_', '$', or any byte of a UTF-8
// sequence. A word starts with one of those but a digit or '$'.
bool wordByte(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$' ||
           c >= 0x80;
}
bool wordStart(unsigned char c) { return wordByte(c) && !(c >= '0' && c <= '9') && c != '$'; }

// A quoted text without its quotes, doubled quotes made single; the text as it is when it does
// not start with a quote. Ends at the first quote that closes it, as SQLite does.
std::string dequote(std::string_view text) {
    if (text.empty() || !isQuote(text[0])) return std::string(text);
    const char close = text[0] == '[' ? ']' : text[0];
    std::string out;
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] != close) {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == close) {
            out += close;
            ++i;
        } else {
            break;
        }
    }
    return out;
}

enum class Tok : uint8_t { word, quoted, string, number, leftParen, rightParen, comma, dot, semicolon, other, end };

struct Token {
    Tok kind = Tok::other;
    size_t at = 0, length = 0;
};

// The statement's tokens, spaces and comments left out, as SQLite's tokenizer splits them;
// nullopt for a byte or an unterminated quote it refuses. Operators and parameters are one byte
// each here (no CREATE TABLE of SQLite's asks more of them).
std::optional<std::vector<Token>> tokenize(std::string_view sql) {
    std::vector<Token> tokens;
    const size_t n = sql.size();
    auto at = [&](size_t i) { return i < n ? static_cast<unsigned char>(sql[i]) : 0u; };
    auto digit = [&](size_t i) { return at(i) >= '0' && at(i) <= '9'; };
    size_t i = 0;
    while (i < n) {
        const unsigned char c = at(i);
        const size_t start = i;
        Tok kind = Tok::other;
        if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '-' && at(i + 1) == '-') {
            while (i < n && sql[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && at(i + 1) == '*') {
            const size_t close = sql.find("*/", i + 2);
            i = close == std::string_view::npos ? n : close + 2;
            continue;
        }
        if (c == '\'' || c == '"' || c == '`') {
            // Up to the closing quote; a doubled one stands for itself.
            for (++i;; ++i) {
                if (i >= n) return std::nullopt;
                if (at(i) == c) {
                    if (at(i + 1) != c) break;
                    ++i;
                }
            }
            ++i;
            kind = c == '\'' ? Tok::string : Tok::quoted;
        } else if (c == '[') {
            const size_t close = sql.find(']', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            i = close + 1;
            kind = Tok::quoted;
        } else if ((c == 'x' || c == 'X') && at(i + 1) == '\'') {
            const size_t close = sql.find('\'', i + 2);
            if (close == std::string_view::npos) return std::nullopt;
            i = close + 1;
        } else if (digit(i) || (c == '.' && digit(i + 1))) {
            // Digits, a point, an exponent with its sign; a hexadecimal's letters (and any other
            // bytes of a word that follow a number) are part of it.
            while (digit(i)) ++i;
            if (at(i) == '.')
                for (++i; digit(i);) ++i;
            if ((at(i) == 'e' || at(i) == 'E') &&
                (digit(i + 1) || ((at(i + 1) == '+' || at(i + 1) == '-') && digit(i + 2))))
                for (i += 2; digit(i);) ++i;
            while (i < n && wordByte(at(i))) ++i;
            kind = Tok::number;
        } else if (wordStart(c)) {
            while (i < n && wordByte(at(i))) ++i;
            kind = Tok::word;
        } else if (c == '(' || c == ')' || c == ',' || c == '.' || c == ';') {
            ++i;
            kind = c == '('   ? Tok::leftParen
                   : c == ')' ? Tok::rightParen
                   : c == ',' ? Tok::comma
                   : c == '.' ? Tok::dot
                              : Tok::semicolon;
        } else if (std::string_view("+-*/%&|~<>=!?$@:#").find(static_cast<char>(c)) != std::string_view::npos) {
            ++i;
        } else {
            return std::nullopt;
        }
        tokens.push_back({kind, start, i - start});
    }
    return tokens;
}

// The keywords that never name a table or column, unquoted: SQLite reads every other keyword as
// a name where a name fits.
constexpr std::string_view kReserved[] = {
    "ADD",     "ALL",     "ALTER",      "AND",    "AS",      "AUTOINCREMENT", "BETWEEN", "CASE",       "CHECK",
    "COLLATE", "COMMIT",  "CONSTRAINT", "CREATE", "DEFAULT", "DEFERRABLE",    "DELETE",  "DISTINCT",   "DROP",
    "ELSE",    "ESCAPE",  "EXCEPT",     "EXISTS", "FOREIGN", "FROM",          "GROUP",   "HAVING",     "IN",
    "INDEX",   "INSERT",  "INTERSECT",  "INTO",   "IS",      "ISNULL",        "JOIN",    "LIMIT",      "NOT",
    "NOTHING", "NOTNULL", "NULL",       "ON",     "OR",      "ORDER",         "PRIMARY", "REFERENCES", "RETURNING",
    "SELECT",  "SET",     "TABLE",      "THEN",   "TO",      "TRANSACTION",   "UNION",   "UNIQUE",     "UPDATE",
    "USING",   "VALUES",  "WHEN",       "WHERE"};
// Keywords that may name a table or column but are no word of a type: the joins' words, INDEXED.
constexpr std::string_view kNamesOnly[] = {"CROSS", "FULL", "INDEXED", "INNER", "LEFT", "NATURAL", "OUTER", "RIGHT"};

bool among(std::string_view word, std::span<const std::string_view> words) {
    return std::any_of(words.begin(), words.end(), [&](std::string_view k) { return sameName(word, k); });
}

class Parser {
public:
    Parser(std::string_view sql, std::vector<Token> tokens) : sql_(sql), tokens_(std::move(tokens)) {}

    std::optional<TableColumns> parse() {
        if (!keyword("CREATE")) return std::nullopt;
        if (!keyword("TEMP")) keyword("TEMPORARY");
        if (isKeyword(0, "VIRTUAL") || !keyword("TABLE")) return std::nullopt;
        if (isKeyword(0, "IF") && isKeyword(1, "NOT") && isKeyword(2, "EXISTS")) i_ += 3;
        std::optional<std::string> name = nameToken();
        if (name && kind(0) == Tok::dot) {
            ++i_;
            name = nameToken();
        }
        if (!name) return std::nullopt;
        table_.name = std::move(*name);
        // CREATE TABLE ... AS SELECT names no columns.
        if (kind(0) != Tok::leftParen) return std::nullopt;
        ++i_;
        if (!columns() || !tableConstraints() || !options()) return std::nullopt;
        if (kind(0) == Tok::semicolon) ++i_;
        if (kind(0) != Tok::end) return std::nullopt;
        if (table_.withoutRowid) {
            if (!hasPrimaryKey_) return std::nullopt;
            // Its primary key is the table's key: never NULL, and there is no row id to alias.
            table_.rowidAlias = -1;
            for (SchemaColumn& column : table_.columns)
                if (column.primaryKey) column.notNull = true;
        }
        return std::move(table_);
    }

private:
    Tok kind(size_t ahead) const { return i_ + ahead < tokens_.size() ? tokens_[i_ + ahead].kind : Tok::end; }
    std::string_view text(size_t ahead) const {
        if (i_ + ahead >= tokens_.size()) return {};
        return sql_.substr(tokens_[i_ + ahead].at, tokens_[i_ + ahead].length);
    }
    bool isKeyword(size_t ahead, std::string_view word) const {
        return kind(ahead) == Tok::word && sameName(text(ahead), word);
    }
    bool keyword(std::string_view word) {
        if (!isKeyword(0, word)) return false;
        ++i_;
        return true;
    }
    // Whether the token ends a column or a table constraint.
    bool atColumnEnd() const { return kind(0) == Tok::comma || kind(0) == Tok::rightParen || kind(0) == Tok::end; }

    // A name: a word that is no reserved keyword, a quoted name or a string; unquoted.
    std::optional<std::string> nameToken() {
        const bool name =
            kind(0) == Tok::quoted || kind(0) == Tok::string || (kind(0) == Tok::word && !among(text(0), kReserved));
        if (!name) return std::nullopt;
        std::string unquoted = dequote(text(0));
        ++i_;
        return unquoted;
    }
    // Whether the token may be a word of a column's type.
    bool atTypeWord() const {
        return kind(0) == Tok::quoted || kind(0) == Tok::string ||
               (kind(0) == Tok::word && !among(text(0), kReserved) && !among(text(0), kNamesOnly));
    }
    // Past a group in parentheses, from its opening one; false when it never closes.
    bool skipGroup() {
        for (int depth = 0; kind(0) != Tok::end; ++i_) {
            if (kind(0) == Tok::leftParen) ++depth;
            if (kind(0) == Tok::rightParen && --depth == 0) {
                ++i_;
                return true;
            }
        }
        return false;
    }
    bool atTableConstraint() const {
        return isKeyword(0, "CONSTRAINT") || isKeyword(0, "PRIMARY") || isKeyword(0, "UNIQUE") ||
               isKeyword(0, "CHECK") || isKeyword(0, "FOREIGN");
    }

    bool columns() {
        for (;;) {
            if (!column()) return false;
            if (kind(0) == Tok::rightParen) return true;
            if (kind(0) != Tok::comma) return false;
            ++i_;
            if (atTableConstraint()) return true;
        }
    }

    bool column() {
        std::optional<std::string> name = nameToken();
        if (!name || table_.columnIndex(*name) >= 0) return false;  // SQLite refuses a second column of a name
        SchemaColumn column;
        column.name = std::move(*name);
        // The type: the words and strings after the name, then one or two numbers in
        // parentheses, taken as written from its first byte to its last.
        size_t typeFrom = 0, typeTo = 0;
        for (; atTypeWord(); ++i_) {
            if (typeTo == 0) typeFrom = tokens_[i_].at;
            typeTo = tokens_[i_].at + tokens_[i_].length;
        }
        if (typeTo != 0 && kind(0) == Tok::leftParen) {
            if (!skipGroup()) return false;
            typeTo = tokens_[i_ - 1].at + 1;
        }
        const bool integer = setType(column, sql_.substr(typeFrom, typeTo - typeFrom));
        integerType_.push_back(integer);
        // The constraints, up to the comma or parenthesis that ends the column.
        while (!atColumnEnd()) {
            if (keyword("CHECK")) {
                if (kind(0) != Tok::leftParen || !skipGroup()) return false;
            } else if (keyword("REFERENCES")) {
                if (!nameToken() || (kind(0) == Tok::leftParen && !skipGroup())) return false;
            } else if (kind(0) == Tok::leftParen) {
                return false;  // no other constraint takes a group of its own
            } else if (keyword("NOT")) {
                if (keyword("NULL")) column.notNull = true;
            } else if (keyword("PRIMARY")) {
                if (!keyword("KEY") || hasPrimaryKey_) return false;
                hasPrimaryKey_ = true;
                column.primaryKey = true;
                // A descending key is no alias of the row id: a quirk SQLite keeps.
                if (integer && !isKeyword(0, "DESC")) table_.rowidAlias = static_cast<int>(table_.columns.size());
            } else if (keyword("DEFAULT")) {
                // One value, signed, or an expression in parentheses.
                if (text(0) == "-" || text(0) == "+") ++i_;
                if (kind(0) == Tok::leftParen) {
                    if (!skipGroup()) return false;
                } else if (!atColumnEnd()) {
                    ++i_;
                }
            } else if (keyword("COLLATE") || keyword("CONSTRAINT")) {
                if (!atColumnEnd()) ++i_;  // the name, whatever word it is
            } else if (keyword("AS")) {
                if (kind(0) != Tok::leftParen || !skipGroup()) return false;
                column.generated = keyword("STORED") ? Generated::isStored : Generated::isVirtual;
            } else {
                ++i_;
            }
        }
        table_.columns.push_back(std::move(column));
        return true;
    }

    // Sets the column's type as SQLite keeps it, and its affinity; answers whether the type is
    // INTEGER itself, the one whose primary key aliases the row id.
    static bool setType(SchemaColumn& column, std::string_view type) {
        // The words GENERATED ALWAYS run on into a type before AS: they are no part of it.
        auto endsWith = [&](std::string_view word) {
            return type.size() >= word.size() && sameName(type.substr(type.size() - word.size()), word);
        };
        auto trim = [&] {
            while (!type.empty() && isSpace(type.back())) type.remove_suffix(1);
        };
        if (type.size() >= 16 && endsWith("always")) {
            type.remove_suffix(6);
            trim();
            if (type.size() >= 9 && endsWith("generated")) {
                type.remove_suffix(9);
                trim();
            }
        }
        if (type.empty()) {
            column.affinity = ColumnAffinity::blob;
            return false;
        }
        // A quoted type with no quote inside loses its first and last bytes, whatever they are,
        // and is then known as one of the six standard types, or not; any other is unquoted.
        const bool bare = type.size() >= 3 && isQuote(type[0]) &&
                          std::none_of(type.begin() + 1, type.end() - 1, [](char c) { return isQuote(c); });
        column.declaredType = bare ? std::string(type.substr(1, type.size() - 2)) : dequote(type);
        // A type of nothing but quotes is still a type: numeric, where no type at all is blob.
        column.affinity = column.declaredType.empty() ? ColumnAffinity::numeric : affinityOf(column.declaredType);
        // Only the standard name, as the type's own text ('INTEGER' x reads INTEGER once unquoted,
        // but is no standard type).
        return sameName(bare ? type.substr(1, type.size() - 2) : type, "INTEGER");
    }

    bool tableConstraints() {
        while (kind(0) != Tok::rightParen) {
            if (keyword("CONSTRAINT")) {
                if (!nameToken()) return false;
                continue;
            }
            if (keyword("PRIMARY")) {
                if (!keyword("KEY") || kind(0) != Tok::leftParen || hasPrimaryKey_ || !primaryKeyColumns())
                    return false;
                hasPrimaryKey_ = true;
            } else if (keyword("UNIQUE") || keyword("CHECK")) {
                if (kind(0) != Tok::leftParen || !skipGroup()) return false;
            } else if (keyword("FOREIGN")) {
                if (!keyword("KEY") || kind(0) != Tok::leftParen || !skipGroup() || !keyword("REFERENCES"))
                    return false;
            } else {
                return false;
            }
            // ON CONFLICT, the reference's table, columns and actions, DEFERRABLE ...
            while (!atColumnEnd() && !atTableConstraint()) {
                if (kind(0) != Tok::leftParen)
                    ++i_;
                else if (!skipGroup())
                    return false;
            }
            // The comma between two constraints may be left out.
            if (kind(0) == Tok::comma) {
                ++i_;
                if (!atTableConstraint()) return false;
            }
        }
        ++i_;
        return true;
    }

    // PRIMARY KEY(...) of the table: each term names a column, with a collation and an order.
    // A single column of type INTEGER aliases the row id, even descending.
    bool primaryKeyColumns() {
        ++i_;
        std::vector<int> named;
        for (;;) {
            const std::optional<std::string> name = nameToken();
            if (!name) return false;
            const int column = table_.columnIndex(*name);
            if (column < 0) return false;  // SQLite refuses a key of no column (or of an expression)
            named.push_back(column);
            if (keyword("COLLATE") && !nameToken()) return false;
            if (!keyword("ASC")) keyword("DESC");
            keyword("AUTOINCREMENT");
            if (kind(0) == Tok::rightParen) break;
            if (kind(0) != Tok::comma) return false;
            ++i_;
        }
        ++i_;
        for (int column : named) table_.columns[static_cast<size_t>(column)].primaryKey = true;
        if (named.size() == 1 && integerType_[static_cast<size_t>(named[0])]) table_.rowidAlias = named[0];
        return true;
    }

    // WITHOUT ROWID and STRICT, separated by commas.
    bool options() {
        if (kind(0) == Tok::end || kind(0) == Tok::semicolon) return true;
        for (;;) {
            if (isKeyword(0, "WITHOUT") && isKeyword(1, "ROWID")) {
                table_.withoutRowid = true;
                i_ += 2;
            } else if (!keyword("STRICT")) {
                return false;
            }
            if (kind(0) != Tok::comma) return true;
            ++i_;
        }
    }

    std::string_view sql_;
    std::vector<Token> tokens_;
    size_t i_ = 0;
    TableColumns table_;
    std::vector<bool> integerType_;  // per column: declared INTEGER (see setType)
    bool hasPrimaryKey_ = false;
};

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

ColumnAffinity affinityOf(std::string_view declaredType) {
    if (declaredType.empty()) return ColumnAffinity::blob;
    // The last four letters as they run by, as SQLite reads them: INT anywhere decides at once.
    ColumnAffinity affinity = ColumnAffinity::numeric;
    uint32_t h = 0;
    auto is = [&](const char(&word)[5]) {
        return h == (static_cast<uint32_t>(word[0]) << 24 | static_cast<uint32_t>(word[1]) << 16 |
                     static_cast<uint32_t>(word[2]) << 8 | static_cast<uint32_t>(word[3]));
    };
    for (char c : declaredType) {
        h = h << 8 | static_cast<uint8_t>(lower(c));
        if (is("char") || is("clob") || is("text")) {
            affinity = ColumnAffinity::text;
        } else if (is("blob") && (affinity == ColumnAffinity::numeric || affinity == ColumnAffinity::real)) {
            affinity = ColumnAffinity::blob;
        } else if ((is("real") || is("floa") || is("doub")) && affinity == ColumnAffinity::numeric) {
            affinity = ColumnAffinity::real;
        } else if ((h & 0x00ffffff) == ('i' << 16 | 'n' << 8 | 't')) {
            return ColumnAffinity::integer;
        }
    }
    return affinity;
}

int TableColumns::columnIndex(std::string_view column) const {
    for (size_t k = 0; k < columns.size(); ++k)
        if (sameName(columns[k].name, column)) return static_cast<int>(k);
    return -1;
}

std::optional<TableColumns> parseCreateTable(std::string_view sql) {
    std::optional<std::vector<Token>> tokens = tokenize(sql);
    if (!tokens) return std::nullopt;
    return Parser(sql, std::move(*tokens)).parse();
}

std::optional<TableColumns> tableColumns(const std::vector<SchemaEntry>& schema, std::string_view table) {
    for (const SchemaEntry& entry : schema)
        if (entry.type == "table" && sameName(entry.name, table)) return parseCreateTable(entry.sql);
    return std::nullopt;
}

}  // namespace carve
