#include "engine/sqlite/SqlTranslator.h"

#include <cctype>
#include <cstdio>
#include <map>

#include "engine/DaoConstants.h"
#include "engine/core/DateLiteral.h"
#include "engine/core/DialectFunctions.h"
#include "engine/core/DialectTypes.h"
#include "engine/core/DialectWords.h"
#include "engine/core/EngineState.h"
#include "engine/sqlite/GermanText.h"
#include "engine/sqlite/Sqlite.h"
#include "rtl/DateTime.h"
#include "rtl/Guid.h"
#include "rtl/Utf8.h"

namespace zalvert::engine {
namespace {

class TParser {
  public:
    TParser(std::string_view sql, TColumnTypeTest types, TColumnOrder columns = {})
        : sql_(sql),
          tokens_(Tokenize(sql)),
          types_(std::move(types)),
          columns_(std::move(columns)) {}

    TTranslation Statement() {
        TTranslation result;
        if (Peek().Is("PARAMETERS")) ParameterClause(result);
        const TToken& first = Peek();
        if (first.Is("SELECT")) {
            result.Kind = TStatementKind::Select;
            result.Sql = Select(&result.Select, &result);
        } else if (first.Is("INSERT")) {
            result.Kind = TStatementKind::Insert;
            result.Sql = Insert(result);
        } else if (first.Is("UPDATE")) {
            result.Kind = TStatementKind::Update;
            result.Sql = Update(result);
        } else if (first.Is("DELETE")) {
            result.Kind = TStatementKind::Delete;
            result.Sql = Delete(result);
        } else if (first.Is("CREATE")) {
            result.Sql = Create(result);
        } else if (first.Is("DROP")) {
            result.Sql = Drop(result);
        } else if (first.Is("ALTER")) {
            result.Sql = Alter(result);
        } else {
            Fail();
        }
        if (Peek().IsSymbol(";")) Take();
        if (Peek().Kind != TTokenKind::End) Fail();
        return result;
    }

    std::string StandaloneExpression() {
        std::string text = Expression();
        if (Peek().Kind != TTokenKind::End) Fail();
        return text;
    }

    std::string StandaloneOrderList() {
        std::string text = OrderList();
        if (Peek().Kind != TTokenKind::End) Fail();
        return text;
    }

  private:
    // Nesting beyond this is refused as a syntax error before the stack runs out.
    static constexpr int kMaxNesting = 600;  // about 200 levels of parentheses
    struct TNesting {
        explicit TNesting(TParser& parser) : Parser(parser) {
            if (++Parser.nesting_ > kMaxNesting) Parser.Fail();
        }
        ~TNesting() { --Parser.nesting_; }
        TParser& Parser;
    };

    // TOP n: a whole number of at most 18 digits.
    long long TopCount() {
        const TToken& t = Peek();
        if (t.Kind != TTokenKind::Number || t.Text.empty() || t.Text.size() > 18 ||
            t.Text.find_first_not_of("0123456789") != std::string::npos)
            Fail();
        return std::stoll(Take().Text);
    }

    // --- tokens -------------------------------------------------------------
    const TToken& Peek(size_t ahead = 0) const {
        return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
    }
    const TToken& Take() {
        const TToken& t = tokens_[pos_];
        if (pos_ + 1 < tokens_.size()) ++pos_;
        return t;
    }
    bool Accept(std::string_view word) {
        if (!Peek().Is(word)) return false;
        Take();
        return true;
    }
    bool AcceptSymbol(std::string_view symbol) {
        if (!Peek().IsSymbol(symbol)) return false;
        Take();
        return true;
    }
    void Expect(std::string_view word) {
        if (!Accept(word)) Fail();
    }
    void ExpectSymbol(std::string_view symbol) {
        if (!AcceptSymbol(symbol)) Fail();
    }
    [[noreturn]] void Fail() const {
        const size_t offset = Peek().Kind == TTokenKind::End ? sql_.size() : Peek().Offset;
        std::string text(sql_.substr(offset));
        if (text.empty()) text = std::string(sql_);
        throw ESqlSyntax{text};
    }
    bool IsName(const TToken& t) const {
        return t.Kind == TTokenKind::Name || (t.Kind == TTokenKind::Word && !EndsAName(t));
    }
    std::string TakeName() {
        if (!IsName(Peek())) Fail();
        return Take().Text;
    }

    // --- statements ----------------------------------------------------------
    void ParameterClause(TTranslation& result) {
        Take();
        do {
            TParameterDecl p;
            p.Name = TakeName();
            if (IsName(Peek())) p.TypeName = Take().Text;
            if (AcceptSymbol("(")) {  // Text (50)
                if (Peek().Kind != TTokenKind::Number) Fail();
                Take();
                ExpectSymbol(")");
            }
            result.Parameters.push_back(p);
            params_.push_back(AsciiUpperCase(p.Name));
        } while (AcceptSymbol(","));
        ExpectSymbol(";");
    }

    // `member`: a SELECT after UNION, whose ORDER BY belongs to the whole union.
    std::string Select(TSelectParts* parts, TTranslation* whole, bool member = false) {
        Expect("SELECT");
        std::string out = "SELECT ";
        TSelectParts local;
        TSelectParts& p = parts ? *parts : local;
        if (Accept("DISTINCT")) {
            p.Distinct = true;
            out += "DISTINCT ";
        } else if (!Accept("DISTINCTROW")) {
            // DISTINCTROW drops repeated rows of the tables, not of the fields shown:
            // the rows of one table are distinct already.
            Accept("ALL");
        }
        if (Accept("TOP")) {
            p.Top = TopCount();
            if (Peek().Is("PERCENT")) Fail();
        }
        // The fields shown are read once the tables after FROM are known, so
        // that an expression over a field is written for the field's type.
        const size_t listStart = pos_;
        SkipSelectList();
        const size_t listStop = pos_;
        if (Accept("INTO")) {
            if (!whole) Fail();
            whole->Kind = TStatementKind::SelectInto;
            whole->Table = TakeName();
        }
        if (Accept("FROM")) p.From = FromList(p);
        const size_t listEnd = pos_;
        pos_ = listStart;
        p.SelectList = SelectList();
        if (pos_ != listStop) Fail();
        pos_ = listEnd;
        out += p.SelectList;
        if (!p.From.empty()) out += " FROM " + p.From;
        if (Accept("WHERE")) {
            p.Where = Expression();
            out += " WHERE " + p.Where;
        }
        if (Accept("GROUP")) {
            Expect("BY");
            p.Tail += " GROUP BY " + ExpressionList();
            p.Grouped = true;
        }
        if (Accept("HAVING")) {
            p.Tail += " HAVING " + Expression();
            p.Grouped = true;
        }
        out += p.Tail;
        if (aggregates_ > 0) p.Grouped = true;
        // TOP belongs to its own SELECT; SQLite would limit the whole union.
        const bool united = member || Peek().Is("UNION");
        if (united && p.Top) {
            out = "SELECT * FROM (" + out + " LIMIT " + std::to_string(*p.Top) + ")";
            p.Top.reset();
        }
        if (member) return out;
        while (Peek().Is("UNION")) {
            Take();
            p.Union = true;
            out += Accept("ALL") ? " UNION ALL " : " UNION ";
            out += Select(nullptr, nullptr, true);
        }
        if (Accept("ORDER")) {
            Expect("BY");
            p.OrderBy = OrderList();
            out += " ORDER BY " + p.OrderBy;
        }
        if (p.Top) out += " LIMIT " + std::to_string(*p.Top);
        if (!p.SingleTable.empty() && (p.Distinct || p.Grouped || p.Union)) p.SingleTable.clear();
        return out;
    }

    std::string SelectList() {
        std::string out;
        do {
            if (!out.empty()) out += ", ";
            if (AcceptSymbol("*")) {
                out += "*";
                continue;
            }
            // "table.*" stands only as an item of its own.
            if (IsName(Peek()) && Peek(1).IsSymbol(".") && Peek(2).IsSymbol("*")) {
                out += QuoteIdentifier(Take().Text) + ".*";
                Take();
                Take();
                continue;
            }
            const size_t start = pos_;
            const std::string item = Expression();
            out += BareReference(start).value_or(item);
            if (Accept("AS")) out += " AS " + QuoteIdentifier(TakeName());
        } while (AcceptSymbol(","));
        return out;
    }

    // Past the fields shown, without reading them (once only: nested selects
    // would otherwise be read twice for each level).
    void SkipSelectList() {
        int depth = 0;
        for (const TToken* t = &Peek(); t->Kind != TTokenKind::End; t = &Peek()) {
            if (t->IsSymbol("(")) {
                ++depth;
            } else if (t->IsSymbol(")")) {
                if (depth-- == 0) return;
            } else if (depth == 0 &&
                       (t->Is("FROM") || t->Is("INTO") || t->Is("UNION") || t->Is("WHERE") ||
                        t->Is("GROUP") || t->Is("HAVING") || t->Is("ORDER") || t->IsSymbol(";"))) {
                return;
            }
            Take();
        }
    }

    // A field shown as it is keeps its name and stored type: no collation or
    // dialect reading around it. Empty when the tokens from `start` are more.
    std::optional<std::string> BareReference(size_t start) const {
        std::string reference;
        for (size_t i = start; i < pos_; ++i) {
            const TToken& t = tokens_[i];
            const bool dot = (i - start) % 2 == 1;
            if (dot ? !t.IsSymbol(".") : !IsName(t)) return std::nullopt;
            if (!dot) reference += (reference.empty() ? "" : ".") + QuoteIdentifier(t.Text);
        }
        if ((pos_ - start) % 2 == 0) return std::nullopt;
        // True, False and their kin are values, not names.
        if (pos_ - start == 1 && IsLiteralWord(tokens_[start])) return std::nullopt;
        if (pos_ - start == 1)
            for (const std::string& param : params_)
                if (param == AsciiUpperCase(tokens_[start].Text)) return std::nullopt;
        return reference;
    }

    std::string FromList(TSelectParts& p) {
        int tables = 0;
        bool joined = false;
        std::string out = JoinedTable(tables, joined, p);
        while (AcceptSymbol(",")) {
            out += ", " + JoinedTable(tables, joined, p);
            joined = true;
        }
        if (tables != 1 || joined) p.SingleTable.clear();
        return out;
    }

    std::string JoinedTable(int& tables, bool& joined, TSelectParts& p) {
        std::string out = TableRef(tables, joined, p);
        for (;;) {
            std::string kind;
            if (Accept("INNER"))
                kind = "INNER JOIN";
            else if (Accept("LEFT"))
                kind = "LEFT JOIN";
            else if (Accept("RIGHT"))
                kind = "RIGHT JOIN";
            else
                break;
            Accept("OUTER");
            Expect("JOIN");
            joined = true;
            out += " " + kind + " " + TableRef(tables, joined, p);
            Expect("ON");
            out += " ON " + Expression();
        }
        return out;
    }

    std::string TableRef(int& tables, bool& joined, TSelectParts& p) {
        std::string out;
        if (AcceptSymbol("(")) {
            if (Peek().Is("SELECT")) {
                out = "(" + Select(nullptr, nullptr) + ")";
                joined = true;
            } else {
                int inner = 0;
                out = "(" + JoinedTable(inner, joined, p) + ")";
                tables += inner;
                joined = true;
            }
            ExpectSymbol(")");
        } else {
            const std::string name = TakeName();
            out = QuoteIdentifier(name);
            ++tables;
            p.SingleTable = name;
            p.TableRef = out;
            tables_.push_back({name, name});
        }
        if (Accept("AS") || (IsName(Peek()) && !Peek().Is("ON"))) {
            const std::string aliasName = TakeName();
            const std::string alias = QuoteIdentifier(aliasName);
            out += " AS " + alias;
            p.TableRef = alias;
            if (!out.starts_with("(")) tables_.back().second = aliasName;
        }
        return out;
    }

    std::string OrderList() {
        std::string out;
        do {
            if (!out.empty()) out += ", ";
            out += Expression();
            if (Accept("DESC"))
                out += " DESC";
            else if (Accept("ASC"))
                out += " ASC";
        } while (AcceptSymbol(","));
        return out;
    }

    std::string ExpressionList() {
        std::string out = Expression();
        while (AcceptSymbol(",")) out += ", " + Expression();
        return out;
    }

    std::string ColumnList(std::vector<std::string>* names = nullptr) {
        ExpectSymbol("(");
        std::string out = "(";
        do {
            const std::string name = TakeName();
            if (names) names->push_back(name);
            out += (out.size() > 1 ? ", " : "") + QuoteIdentifier(name);
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
        return out + ")";
    }

    std::string Insert(TTranslation& result) {
        Expect("INSERT");
        Expect("INTO");
        result.Table = TakeName();
        std::string out = "INSERT INTO " + QuoteIdentifier(result.Table);
        std::vector<std::string> columns;
        if (Peek().IsSymbol("("))
            out += " " + ColumnList(&columns);
        else if (columns_)
            columns = columns_(result.Table);  // the values go to the fields in order
        if (Accept("VALUES")) {
            ExpectSymbol("(");
            std::string values;
            size_t i = 0;
            do {
                const std::string value = Expression();
                values += (values.empty() ? "" : ", ") +
                          (i < columns.size() ? Stored(result.Table, columns[i], value) : value);
                ++i;
            } while (AcceptSymbol(","));
            out += " VALUES (" + values + ")";
            ExpectSymbol(")");
        } else if (Peek().Is("SELECT")) {
            TSelectParts ignored;
            out += " " + Select(&ignored, nullptr);
        } else {
            Fail();
        }
        return out;
    }

    std::string Update(TTranslation& result) {
        Expect("UPDATE");
        result.Table = TakeName();
        tables_.push_back({result.Table, result.Table});
        std::string out = "UPDATE " + QuoteIdentifier(result.Table) + " SET ";
        Expect("SET");
        do {
            if (out.back() != ' ') out += ", ";
            std::string column = TakeName();
            if (AcceptSymbol(".")) column = TakeName();  // table.column: the table is the one
            ExpectSymbol("=");
            out += QuoteIdentifier(column) + " = " + Stored(result.Table, column, Expression());
        } while (AcceptSymbol(","));
        if (Accept("WHERE")) out += " WHERE " + Expression();
        return out;
    }

    std::string Delete(TTranslation& result) {
        Expect("DELETE");
        if (!AcceptSymbol("*") && IsName(Peek()) && !Peek().Is("FROM")) {
            TakeName();
            ExpectSymbol(".");
            ExpectSymbol("*");
        }
        Expect("FROM");
        result.Table = TakeName();
        std::string out = "DELETE FROM " + QuoteIdentifier(result.Table);
        if (Accept("WHERE")) out += " WHERE " + Expression();
        return out;
    }

    std::string Create(TTranslation& result) {
        Expect("CREATE");
        if (Accept("TABLE")) {
            result.Kind = TStatementKind::CreateTable;
            return CreateTable(result);
        }
        const bool unique = Accept("UNIQUE");
        Expect("INDEX");
        result.Kind = TStatementKind::CreateIndex;
        result.IndexName = TakeName();
        Expect("ON");
        result.Table = TakeName();
        std::string columns;
        ExpectSymbol("(");
        do {
            if (!columns.empty()) columns += ", ";
            columns += QuoteIdentifier(TakeName());
            if (Accept("DESC"))
                columns += " DESC";
            else
                Accept("ASC");
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
        bool primary = false;
        if (Accept("WITH")) {
            if (Accept("PRIMARY"))
                primary = true;
            else if (Accept("DISALLOW") || Accept("IGNORE"))
                Expect("NULL");
            else
                Fail();
        }
        return std::string("CREATE ") + (unique || primary ? "UNIQUE " : "") + "INDEX " +
               QuoteIdentifier(result.IndexName) + " ON " + QuoteIdentifier(result.Table) + " (" +
               columns + ")";
    }

    std::string CreateTable(TTranslation& result) {
        result.Table = TakeName();
        ExpectSymbol("(");
        std::vector<std::string> parts;
        std::string primaryKey;
        bool constraints = false;
        do {
            // Fields first, then the table's constraints, as SQLite takes them.
            if (Peek().Is("CONSTRAINT") || Peek().Is("PRIMARY") || Peek().Is("UNIQUE")) {
                if (parts.empty()) Fail();
                constraints = true;
                std::string constraint = TableConstraint(result);
                if (!constraint.empty()) parts.push_back(constraint);
                continue;
            }
            if (constraints) Fail();
            parts.push_back(ColumnDefinition(result));
        } while (AcceptSymbol(","));
        ExpectSymbol(")");
        std::string out = "CREATE TABLE " + QuoteIdentifier(result.Table) + " (";
        for (size_t i = 0; i < parts.size(); ++i) out += (i ? ", " : "") + parts[i];
        return out + ")";
    }

    std::string ColumnDefinition(TTranslation& result) {
        TColumnDecl column;
        column.Name = TakeName();
        const std::string type = AsciiUpperCase(TakeName());
        std::string out = QuoteIdentifier(column.Name) + " ";
        if (type == "COUNTER" || type == "AUTOINCREMENT") {
            if (AcceptSymbol("(")) {  // seed and increment
                ExpressionList();
                ExpectSymbol(")");
            }
            column.Counter = true;
            column.DeclaredType = "INTEGER";
            out += "INTEGER PRIMARY KEY AUTOINCREMENT";
        } else {
            if (!FindDialectType(type)) Fail();
            // SQLite gives a column declared MEMO numeric affinity, which would store
            // "007" as 7; LONGTEXT, the other name of a memo, keeps every text.
            column.DeclaredType = type == "MEMO" ? "LONGTEXT" : type;
            if (AcceptSymbol("(")) {
                if (Peek().Kind != TTokenKind::Number) Fail();
                column.DeclaredType += "(" + Take().Text;
                if (AcceptSymbol(",")) {
                    if (Peek().Kind != TTokenKind::Number) Fail();
                    column.DeclaredType += "," + Take().Text;
                }
                ExpectSymbol(")");
                column.DeclaredType += ")";
            }
            out += column.DeclaredType;
        }
        for (;;) {
            if (Accept("NOT")) {
                Expect("NULL");
                column.Required = true;
                out += " NOT NULL";
            } else if (Accept("NULL")) {
            } else if (Accept("DEFAULT")) {
                std::string value = Primary();
                // A yes/no field stores True as 1.
                const std::string type = AsciiUpperCase(column.DeclaredType);
                if (value == "-1" &&
                    (type == "YESNO" || type == "BIT" || type == "LOGICAL" || type == "BOOLEAN"))
                    value = "1";
                out += " DEFAULT (" + value + ")";
            } else if (Accept("CONSTRAINT")) {
                TakeName();
            } else if (Accept("PRIMARY")) {
                Expect("KEY");
                if (!column.Counter) out += " PRIMARY KEY";
            } else if (Accept("UNIQUE")) {
                out += " UNIQUE";
            } else {
                break;
            }
        }
        if (const TDialectType* known = FindDialectType(type); known && IsTextType(*known))
            out += " COLLATE NOCASE";
        result.Columns.push_back(column);
        return out;
    }

    std::string TableConstraint(TTranslation& result) {
        if (Accept("CONSTRAINT")) TakeName();
        std::string kind;
        if (Accept("PRIMARY")) {
            Expect("KEY");
            kind = "PRIMARY KEY";
        } else {
            Expect("UNIQUE");
            kind = "UNIQUE";
        }
        const std::string columns = ColumnList();
        // A counter column is the primary key already.
        for (const TColumnDecl& c : result.Columns)
            if (c.Counter && kind == "PRIMARY KEY") {
                if (columns != "(" + QuoteIdentifier(c.Name) + ")") Fail();
                return {};
            }
        return kind + " " + columns;
    }

    // ALTER TABLE t ADD [COLUMN] field type ...: a field added to a stored table.
    std::string Alter(TTranslation& result) {
        Expect("ALTER");
        Expect("TABLE");
        result.Kind = TStatementKind::AlterTable;
        result.Table = TakeName();
        Expect("ADD");
        Accept("COLUMN");
        // SQLite adds no counters or keys to a table that has rows.
        if (Peek(1).Is("COUNTER") || Peek(1).Is("AUTOINCREMENT")) Fail();
        return "ALTER TABLE " + QuoteIdentifier(result.Table) + " ADD COLUMN " +
               ColumnDefinition(result);
    }

    std::string Drop(TTranslation& result) {
        Expect("DROP");
        if (Accept("TABLE")) {
            result.Kind = TStatementKind::DropTable;
            result.Table = TakeName();
            return "DROP TABLE " + QuoteIdentifier(result.Table);
        }
        Expect("INDEX");
        result.Kind = TStatementKind::DropIndex;
        result.IndexName = TakeName();
        Expect("ON");
        result.Table = TakeName();
        return "DROP INDEX " + QuoteIdentifier(result.IndexName);
    }

    // --- expressions, lowest precedence first ------------------------------------
    std::string Expression() {
        const TNesting nesting(*this);
        std::string left = AndExpression();
        for (;;) {
            if (Accept("OR"))
                left = "(" + left + " OR " + AndExpression() + ")";
            else if (Accept("XOR"))
                left = "((" + left + ") <> (" + AndExpression() + "))";
            else
                return left;
        }
    }

    std::string AndExpression() {
        std::string left = NotExpression();
        while (Accept("AND")) left = "(" + left + " AND " + NotExpression() + ")";
        return left;
    }

    std::string NotExpression() {
        const TNesting nesting(*this);
        if (Accept("NOT")) return "(NOT " + NotExpression() + ")";
        return Comparison();
    }

    std::string Comparison() {
        std::string left = Concatenation();
        for (;;) {
            const TToken& t = Peek();
            if (t.Kind == TTokenKind::Symbol &&
                (t.Text == "=" || t.Text == "<>" || t.Text == "<" || t.Text == ">" ||
                 t.Text == "<=" || t.Text == ">=" || t.Text == "!=" || t.Text == "=<" ||
                 t.Text == "=>")) {
                std::string op = Take().Text;
                if (op == "=<") op = "<=";
                if (op == "=>") op = ">=";
                if (op == "!=") op = "<>";
                left = "(" + left + " " + op + " " + Concatenation() + ")";
                continue;
            }
            if (t.Is("IS")) {
                Take();
                const bool negated = Accept("NOT");
                Expect("NULL");
                left = "(" + left + (negated ? " IS NOT NULL)" : " IS NULL)");
                continue;
            }
            const bool negated =
                t.Is("NOT") && (Peek(1).Is("LIKE") || Peek(1).Is("BETWEEN") || Peek(1).Is("IN"));
            if (negated) Take();
            const std::string prefix = negated ? "NOT " : "";
            if (Accept("LIKE")) {
                left = "(" + prefix + "zi_like(" + left + ", " + Concatenation() + "))";
            } else if (Accept("BETWEEN")) {
                const std::string low = Concatenation();
                Expect("AND");
                left =
                    "(" + left + " " + prefix + "BETWEEN " + low + " AND " + Concatenation() + ")";
            } else if (Accept("IN")) {
                ExpectSymbol("(");
                const std::string list =
                    Peek().Is("SELECT") ? Select(nullptr, nullptr) : ExpressionList();
                ExpectSymbol(")");
                left = "(" + left + " " + prefix + "IN (" + list + "))";
            } else {
                return left;
            }
        }
    }

    // A yes/no field stores 1 and 0, whatever true value it is given.
    std::string Stored(const std::string& table, const std::string& column,
                       const std::string& value) const {
        return types_ && types_(table, column) == dbBoolean ? "zi_yesno(" + value + ")" : value;
    }

    std::string Concatenation() {
        std::string left = Additive();
        while (AcceptSymbol("&")) left = "zi_cat(" + left + ", " + Additive() + ")";
        return left;
    }

    std::string Additive() {
        std::string left = Modulo();
        for (;;) {
            // Texts join, dates move by days: the dialect's meaning, not SQLite's.
            if (AcceptSymbol("+"))
                left = "zi_add(" + left + ", " + Modulo() + ")";
            else if (AcceptSymbol("-"))
                left = "zi_sub(" + left + ", " + Modulo() + ")";
            else
                return left;
        }
    }

    std::string Modulo() {
        std::string left = IntegerDivision();
        while (Accept("MOD")) left = "zi_mod(" + left + ", " + IntegerDivision() + ")";
        return left;
    }

    std::string IntegerDivision() {
        std::string left = Multiplicative();
        while (AcceptSymbol("\\")) left = "zi_intdiv(" + left + ", " + Multiplicative() + ")";
        return left;
    }

    std::string Multiplicative() {
        std::string left = Unary();
        for (;;) {
            if (AcceptSymbol("*"))
                left = "(" + left + " * " + Unary() + ")";
            else if (AcceptSymbol("/"))
                left = "zi_div(" + left + ", " + Unary() + ")";
            else
                return left;
        }
    }

    std::string Unary() {
        const TNesting nesting(*this);
        // A blank after the minus: "--" would start a comment in SQLite.
        if (AcceptSymbol("-")) return "(- " + Unary() + ")";
        if (AcceptSymbol("+")) return Unary();
        return Power();
    }

    std::string Power() {
        std::string left = Primary();
        while (AcceptSymbol("^")) left = "zi_pow(" + left + ", " + Primary() + ")";
        return left;
    }

    static bool IsLiteralWord(const TToken& t) {
        for (const char* word : {"NULL", "TRUE", "YES", "ON", "FALSE", "NO", "OFF"})
            if (t.Is(word)) return true;
        return false;
    }

    std::string Primary() {
        const TToken& t = Peek();
        switch (t.Kind) {
            case TTokenKind::Number:
                return Take().Text;
            case TTokenKind::String:
                return QuoteLiteral(Take().Text);
            case TTokenKind::Date: {
                const std::string stored = DateLiteralToStorage(t.Text);
                if (stored.empty()) Fail();
                Take();
                return QuoteLiteral(stored);
            }
            case TTokenKind::Guid: {
                // Stored as the braced upper-case text.
                const auto bytes = TextToGuid(t.Text);
                const auto text = bytes ? GuidToText(*bytes) : std::nullopt;
                if (!text) Fail();
                Take();
                return QuoteLiteral(*text);
            }
            case TTokenKind::Symbol:
                if (AcceptSymbol("(")) {
                    std::string inner =
                        Peek().Is("SELECT") ? Select(nullptr, nullptr) : Expression();
                    ExpectSymbol(")");
                    return "(" + inner + ")";
                }
                Fail();
            case TTokenKind::End:
                Fail();
            default:
                break;
        }
        if (t.Kind == TTokenKind::Word) {
            if (Accept("NULL")) return "NULL";
            if (Accept("TRUE") || Accept("YES") || Accept("ON")) return "-1";
            if (Accept("FALSE") || Accept("NO") || Accept("OFF")) return "0";
            if (t.Is("EXISTS")) {
                Take();
                ExpectSymbol("(");
                std::string inner = Select(nullptr, nullptr);
                ExpectSymbol(")");
                return "EXISTS (" + inner + ")";
            }
            if (Peek(1).IsSymbol("(")) return FunctionCall();
        }
        return QualifiedName();
    }

    std::string FunctionCall() {
        const std::string name = Take().Text;
        const TDialectFunction* f = FindDialectFunction(name);
        if (f == nullptr) {
            --pos_;
            Fail();
        }
        ExpectSymbol("(");
        std::string args;
        int count = 0;
        if (f->Aggregate && AcceptSymbol("*")) {
            args = "*";
            count = 1;
        } else if (!Peek().IsSymbol(")")) {
            args = ExpressionList();
            count = CountArguments(args);
        }
        ExpectSymbol(")");
        if (count < f->MinArgs || count > f->MaxArgs) Fail();
        if (f->Aggregate) ++aggregates_;
        return std::string(f->Sqlite) + "(" + args + ")";
    }

    // Counts top-level commas of an argument list already translated.
    static int CountArguments(const std::string& args) {
        int depth = 0, count = 1;
        char quote = 0;
        for (char c : args) {
            if (quote) {
                if (c == quote) quote = 0;
                continue;
            }
            if (c == '\'' || c == '"')
                quote = c;
            else if (c == '(')
                ++depth;
            else if (c == ')')
                --depth;
            else if (c == ',' && depth == 0)
                ++count;
        }
        return count;
    }

    std::string QualifiedName() {
        if (!IsName(Peek())) Fail();
        std::string first = Take().Text;
        if (Peek().IsSymbol("!")) Fail();
        // A declared parameter becomes a numbered SQLite parameter.
        if (!Peek().IsSymbol(".")) {
            for (size_t i = 0; i < params_.size(); ++i)
                if (params_[i] == AsciiUpperCase(first)) return "?" + std::to_string(i + 1);
            return Typed(QuoteIdentifier(first), ColumnType({first}));
        }
        // Table and field, and at most a database before them.
        std::string out = QuoteIdentifier(first);
        std::vector<std::string> names{first};
        for (int parts = 1; AcceptSymbol("."); ++parts) {
            if (parts == 3) Fail();
            names.push_back(TakeName());
            out += "." + QuoteIdentifier(names.back());
        }
        return Typed(out, ColumnType(names));
    }

    // A text field compares and sorts as German users expect (letter case aside);
    // a yes/no field reads as the dialect's -1 and 0.
    static std::string Typed(const std::string& reference, int type) {
        if (type == dbBoolean) return "zi_bool(" + reference + ")";
        return GermanCollated(reference, type);
    }

    int ColumnType(const std::vector<std::string>& names) const {
        if (!types_ || names.size() > 2) return 0;
        const std::string& column = names.back();
        if (names.size() == 1) {
            if (tables_.empty()) return types_({}, column);
            for (const auto& [table, alias] : tables_)
                if (const int type = types_(table, column)) return type;
            return 0;
        }
        for (const auto& [table, alias] : tables_)
            if (SameName(alias, names[0]) || SameName(table, names[0]))
                return types_(table, column);
        return 0;
    }

    std::string_view sql_;
    std::vector<TToken> tokens_;
    size_t pos_ = 0;
    int aggregates_ = 0;
    int nesting_ = 0;
    TColumnTypeTest types_;
    TColumnOrder columns_;
    std::vector<std::pair<std::string, std::string>> tables_;  // name and alias, as read
    std::vector<std::string> params_;
};

}  // namespace

TTranslation TranslateSql(std::string_view sql, const TColumnTypeTest& types,
                          const TColumnOrder& columns) {
    return TParser(sql, types, columns).Statement();
}

std::string TranslateExpression(std::string_view expression, const TColumnTypeTest& types) {
    return TParser(expression, types).StandaloneExpression();
}

std::string TranslateOrderList(std::string_view sort, const TColumnTypeTest& types) {
    return TParser(sort, types).StandaloneOrderList();
}

}  // namespace zalvert::engine
