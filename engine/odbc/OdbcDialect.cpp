#include "engine/odbc/OdbcDialect.h"

#include <optional>
#include <vector>

#include "engine/core/DateLiteral.h"
#include "engine/core/DialectFunctions.h"
#include "engine/core/DialectTypes.h"
#include "engine/core/DialectWords.h"
#include "engine/core/SqlTokenizer.h"
#include "rtl/Utf8.h"

namespace zalvert::engine::odbc {
namespace {

std::string Quoted(std::string_view text, char quote) {
    std::string out(1, quote);
    for (char c : text) {
        if (c == quote) out += quote;
        out += c;
    }
    out += quote;
    return out;
}

// The dialect's LIKE pattern as the server's: "*" and "?" become "%" and "_",
// which stand for themselves then, as does a character in brackets ("[*]").
// What the server's LIKE cannot say (a digit "#", lists of several characters)
// is refused rather than matched wrongly.
std::string LikePattern(std::string_view pattern) {
    const auto literal = [](std::string& out, char c) {
        if (c == '%' || c == '_' || c == '\\') out += '\\';
        out += c;
    };
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '*') {
            out += '%';
        } else if (c == '?') {
            out += '_';
        } else if (c == '[') {
            if (i + 2 >= pattern.size() || pattern[i + 2] != ']' || pattern[i + 1] == '!')
                throw ESqlSyntax{std::string(pattern)};
            literal(out, pattern[i + 1]);
            i += 2;
        } else if (c == '#') {
            throw ESqlSyntax{std::string(pattern)};
        } else {
            literal(out, c);
        }
    }
    return out;
}

// The dialect's type name as the server's; empty when the word is no type. A
// text type without a size has the engine's, as on the file.
std::string ServerType(const std::string& upper, bool sized) {
    const TDialectType* type = FindDialectType(upper);
    if (!type) return {};
    if (!sized && type->Engine.Type == dbText)
        return std::string(type->Server) + "(" + std::to_string(type->Engine.Size) + ")";
    return type->Server;
}

class TRewriter {
  public:
    explicit TRewriter(std::string_view sql) : tokens_(Tokenize(sql)) {}

    std::string Run() {
        const bool ddl = tokens_[0].Is("CREATE") || tokens_[0].Is("ALTER");
        ddl_ = ddl && (At(1).Is("TABLE") || At(1).Is("INDEX") || At(2).Is("INDEX"));
        if (tokens_[0].Is("DROP") && At(1).Is("INDEX")) return DropIndex();
        for (i_ = 0; tokens_[i_].Kind != TTokenKind::End; ++i_) Write(tokens_[i_]);
        if (limit_) {
            while (!out_.empty() && (out_.back() == ';' || out_.back() == ' ')) out_.pop_back();
            out_ += " LIMIT " + *limit_;
        }
        return out_;
    }

  private:
    const TToken& At(size_t i) const { return tokens_[std::min(i, tokens_.size() - 1)]; }

    void Emit(const std::string& text) {
        const bool tight = text == "," || text == ")" || text == "." ||
                           (!out_.empty() && (out_.back() == '(' || out_.back() == '.'));
        if (!out_.empty() && !tight && out_.back() != ' ') out_ += ' ';
        out_ += text;
    }

    void Write(const TToken& t) {
        switch (t.Kind) {
            case TTokenKind::Name:
                return WriteName(t);
            case TTokenKind::String: {
                // The pattern of a LIKE, also within a function such as LCase("a*").
                const bool pattern = likePending_;
                likePending_ = false;
                return Emit(Quoted(pattern ? LikePattern(t.Text) : t.Text, '\''));
            }
            case TTokenKind::Date: {
                const std::string stored = DateLiteralToStorage(t.Text);
                if (stored.empty()) throw ESqlSyntax{"#" + t.Text + "#"};
                return Emit("TIMESTAMP '" + stored + "'");
            }
            case TTokenKind::Guid: {
                std::string guid = t.Text;
                if (!guid.empty() && guid.front() == '{') guid = guid.substr(1, guid.size() - 2);
                return Emit(Quoted(guid, '\''));
            }
            case TTokenKind::Symbol:
                if (t.Text == "(" && !out_.empty() && out_.back() != ' ' && out_.back() != '(')
                    return void(out_ += "(");
                return Emit(t.Text == "&" ? "||" : t.Text);
            case TTokenKind::Word:
                return WriteWord(t);
            default:
                return Emit(t.Text);
        }
    }

    void WriteName(const TToken& t) {
        // CREATE INDEX name ON table; CONSTRAINT name: named after their table.
        if (ddl_ && (At(i_ - 1).Is("CONSTRAINT") || At(i_ - 1).Is("INDEX")))
            return Emit(ServerName(ServerIndexName(TableOfStatement(), t.Text)));
        Emit(ServerName(t.Text));
        if (ddl_ && IsColumnPosition()) WriteColumnType();
    }

    void WriteWord(const TToken& t) {
        if (t.Is("TRUE") || t.Is("FALSE")) return Emit(AsciiUpperCase(t.Text));
        // The dialect's LIKE ignores letter case, as its text comparisons do.
        if (t.Is("LIKE")) {
            likePending_ = true;
            return Emit("ILIKE");
        }
        if (t.Is("AND") || t.Is("OR")) likePending_ = false;
        if (t.Is("TOP") && At(i_ + 1).Kind == TTokenKind::Number) {
            limit_ = At(++i_).Text;
            return;
        }
        if (IsServerWord(t)) return Emit(t.Text);
        if (At(i_ + 1).IsSymbol("(") && !NamesATable()) return WriteFunction(t);
        WriteName(t);
    }

    // A word before "(" in an expression calls a function: the dialect's, as the
    // server spells it, or none (any other word is refused, not sent as a name).
    void WriteFunction(const TToken& t) {
        const TDialectFunction* function = FindDialectFunction(t.Text);
        if (!function || !function->Server) throw ESqlSyntax{t.Text};
        if (t.Is("DATE")) {
            if (!At(i_ + 2).IsSymbol(")")) throw ESqlSyntax{t.Text};
            i_ += 2;
        }
        Emit(function->Server);
    }

    // A word before "(" that names a table (INSERT INTO t (...), CREATE TABLE t (...),
    // an index ON t (...), REFERENCES t (...)).
    bool NamesATable() const {
        const TToken& before = At(i_ - 1);
        return i_ > 0 && (before.Is("INTO") || before.Is("TABLE") || before.Is("ON") ||
                          before.Is("REFERENCES") || before.Is("INDEX"));
    }

    // A name directly followed by a type word, inside the column list of
    // CREATE TABLE or after ALTER TABLE ... ADD [COLUMN].
    bool IsColumnPosition() const {
        if (!(tokens_[0].Is("CREATE") || tokens_[0].Is("ALTER")) || !At(1).Is("TABLE"))
            return false;
        const TToken& before = At(i_ - 1);
        const bool listed =
            before.IsSymbol("(") || before.IsSymbol(",") || before.Is("ADD") || before.Is("COLUMN");
        return listed && At(i_ + 1).Kind == TTokenKind::Word &&
               !ServerType(AsciiUpperCase(At(i_ + 1).Text), false).empty();
    }

    void WriteColumnType() {
        const std::string upper = AsciiUpperCase(At(++i_).Text);
        const bool sized = At(i_ + 1).IsSymbol("(");
        const std::string type = ServerType(upper, sized);
        Emit(type);
        const bool boolean = type == "BOOLEAN";
        if (sized) {
            // (n) or (p, s) as written.
            while (At(i_).Kind != TTokenKind::End && !At(i_).IsSymbol(")")) Write(At(++i_));
        }
        if (boolean && At(i_ + 1).Is("DEFAULT")) {
            ++i_;
            Emit("DEFAULT");
            bool negative = false;
            if (At(i_ + 1).IsSymbol("-")) negative = true, ++i_;
            const TToken& value = At(++i_);
            const bool on = value.Is("TRUE") || value.Is("YES") ||
                            (value.Kind == TTokenKind::Number && value.Text != "0");
            Emit(on || (negative && value.Text != "0") ? "TRUE" : "FALSE");
        }
    }

    std::string TableOfStatement() const {
        for (size_t i = 0; i + 1 < tokens_.size(); ++i)
            if (tokens_[i].Is("TABLE") || tokens_[i].Is("ON")) return tokens_[i + 1].Text;
        return {};
    }

    std::string DropIndex() {
        // DROP INDEX name ON table
        if (!At(3).Is("ON")) throw ESqlSyntax{At(2).Text};
        return "DROP INDEX " + ServerName(ServerIndexName(At(4).Text, At(2).Text));
    }

    std::vector<TToken> tokens_;
    size_t i_ = 0;
    bool ddl_ = false;
    bool likePending_ = false;
    std::string out_;
    std::optional<std::string> limit_;
};

}  // namespace

std::string ServerName(std::string_view name) {
    return Quoted(AsciiLowerCase(name), '"');
}

std::string ServerIndexName(std::string_view table, std::string_view index) {
    return AsciiLowerCase(table) + "_" + AsciiLowerCase(index);
}

std::string IndexNameOnTable(std::string_view table, std::string_view serverIndex) {
    const std::string prefix = AsciiLowerCase(table) + "_";
    if (serverIndex.starts_with(prefix)) return std::string(serverIndex.substr(prefix.size()));
    return std::string(serverIndex);
}

std::string ToServerSql(std::string_view sql) {
    return TRewriter(sql).Run();
}

}  // namespace zalvert::engine::odbc
