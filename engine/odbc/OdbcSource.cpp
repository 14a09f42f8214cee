#include "engine/odbc/OdbcSource.h"

#include <vector>

#include "engine/core/SqlTokenizer.h"
#include "engine/odbc/OdbcDialect.h"

namespace zalvert::engine::odbc {
namespace {

// The clauses of a plain SELECT on one table, as offsets into the text; empty when
// the statement joins, groups, unites or is no SELECT.
struct TClauses {
    std::string List, Table, Alias, Where, OrderBy;
    std::optional<long long> Top;
};

std::optional<TClauses> SplitSelect(std::string_view sql) {
    const std::vector<TToken> tokens = Tokenize(sql);
    if (tokens.empty() || !tokens[0].Is("SELECT")) return std::nullopt;
    TClauses c;
    size_t i = 1;
    if (tokens[i].Is("TOP") && tokens[i + 1].Kind == TTokenKind::Number) {
        c.Top = std::stoll(tokens[i + 1].Text);
        i += 2;
    }
    if (tokens[i].Is("DISTINCT") || tokens[i].Is("DISTINCTROW")) return std::nullopt;
    auto text = [&](size_t from, size_t to) {
        return std::string(
            sql.substr(tokens[from].Offset, tokens[to].Offset - tokens[from].Offset));
    };
    // Top-level keywords only: a subquery in parentheses is part of its clause.
    size_t from = 0, where = 0, order = 0, end = tokens.size() - 1;
    int depth = 0;
    for (size_t k = i; k < tokens.size() - 1; ++k) {
        const TToken& t = tokens[k];
        if (t.IsSymbol("(")) ++depth;
        if (t.IsSymbol(")")) --depth;
        if (depth > 0) continue;
        if (t.Is("FROM") && !from)
            from = k;
        else if (t.Is("WHERE") && from && !where)
            where = k;
        else if (t.Is("ORDER") && tokens[k + 1].Is("BY"))
            order = k;
        else if (t.Is("GROUP") || t.Is("HAVING") || t.Is("UNION") || t.Is("JOIN") || t.Is("INTO"))
            return std::nullopt;
        else if (t.IsSymbol(";"))
            end = k;
    }
    if (!from) return std::nullopt;
    c.List = text(i, from);
    const size_t fromEnd = where ? where : order ? order : end;
    // FROM name [[AS] alias]
    size_t k = from + 1;
    if (tokens[k].Kind != TTokenKind::Name && tokens[k].Kind != TTokenKind::Word)
        return std::nullopt;
    c.Table = tokens[k++].Text;
    if (tokens[k].Is("AS")) ++k;
    if (k < fromEnd && (tokens[k].Kind == TTokenKind::Name || tokens[k].Kind == TTokenKind::Word))
        c.Alias = tokens[k++].Text;
    if (k != fromEnd) return std::nullopt;
    if (where) c.Where = text(where + 1, order ? order : end);
    if (order) c.OrderBy = text(order + 2, end);
    return c;
}

std::string Joined(const std::string& a, const std::string& b, const char* op) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return "(" + a + ") " + op + " (" + b + ")";
}

}  // namespace

std::string TOdbcSource::Compose() const {
    if (!Keyed() && !IsTable && From.empty()) return Sql;
    std::string sql = "SELECT " + SelectList + " FROM " + From;
    if (!Where.empty()) sql += " WHERE " + Where;
    if (!OrderBy.empty()) sql += " ORDER BY " + OrderBy;
    if (Top) sql += " LIMIT " + std::to_string(*Top);
    return sql;
}

TOdbcSource TOdbcSource::Narrowed(const std::string& filter, const std::string& sort) const {
    TOdbcSource narrowed = *this;
    const std::string condition = filter.empty() ? "" : ToServerSql(filter);
    const std::string order = sort.empty() ? "" : ToServerSql(sort);
    if (From.empty()) {
        // Anything else is narrowed from outside.
        narrowed.SelectList = "*";
        narrowed.From = "(" + Compose() + ") AS zi_source";
        narrowed.Where = condition;
        narrowed.OrderBy = order;
        narrowed.Top.reset();
    } else {
        narrowed.Where = Joined(Where, condition, "AND");
        if (!order.empty()) narrowed.OrderBy = order;
    }
    if (narrowed.Keyed() && !narrowed.OrderBy.empty())
        narrowed.OrderBy += ", " + narrowed.TableRef + "." + ServerName(Key);
    narrowed.Sql = narrowed.Compose();
    return narrowed;
}

TOdbcSource DescribeSource(TOdbcState& db, const std::string& source) {
    TOdbcSource s;
    s.Name = source;
    const bool plainName = source.find_first_of(" \t\r\n") == std::string::npos ||
                           (source.front() == '[' && source.back() == ']');
    if (plainName) {
        std::string name = source;
        if (name.front() == '[') name = name.substr(1, name.size() - 2);
        if (const TTableInfo* table = db.Table(name)) {
            s.IsTable = true;
            s.Table = table->Name;
            s.Key = table->KeyColumn();
            s.TableRef = ServerName(table->Name);
            s.SelectList = "*";
            s.From = s.TableRef;
            if (s.Keyed()) s.OrderBy = s.TableRef + "." + ServerName(s.Key);
            s.Sql = s.Compose();
            return s;
        }
    }
    s.Sql = ToServerSql(source);
    // The statement may be read as a subquery: no closing semicolon.
    while (!s.Sql.empty() && (s.Sql.back() == ';' || s.Sql.back() == ' ')) s.Sql.pop_back();
    const auto clauses = SplitSelect(source);
    if (!clauses) return s;
    const TTableInfo* table = db.Table(clauses->Table);
    if (!table) return s;
    s.Table = table->Name;
    s.Key = table->KeyColumn();
    s.TableRef = ServerName(clauses->Alias.empty() ? table->Name : clauses->Alias);
    s.SelectList = ToServerSql(clauses->List);
    s.From = ServerName(table->Name) + (clauses->Alias.empty() ? "" : " " + s.TableRef);
    s.Where = clauses->Where.empty() ? "" : ToServerSql(clauses->Where);
    s.OrderBy = clauses->OrderBy.empty() ? "" : ToServerSql(clauses->OrderBy);
    s.Top = clauses->Top;
    if (s.Keyed()) {
        const std::string key = s.TableRef + "." + ServerName(s.Key);
        s.OrderBy = s.OrderBy.empty() ? key : s.OrderBy + ", " + key;
    }
    s.Sql = s.Compose();
    return s;
}

}  // namespace zalvert::engine::odbc
