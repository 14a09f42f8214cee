#include "engine/odbc/OdbcKeys.h"

namespace zalvert::engine::odbc {

void TKeyList::Clear(bool numeric) {
    numeric_ = numeric;
    ascending_ = true;
    numbers_ = TRowIds();
    others_.clear();
    positions_.clear();
}

Variant TKeyList::At(size_t pos) const {
    return numeric_ ? Variant(numbers_[pos]) : others_[pos];
}

std::string TKeyList::Text(size_t pos) const {
    return numeric_ ? std::to_string(numbers_[pos]) : others_[pos].AsString();
}

void TKeyList::Push(const Variant& key) {
    if (numeric_) return PushNumber(key.AsInt64());
    others_.push_back(key);
    if (!positions_.empty()) positions_.emplace(key.AsString(), others_.size() - 1);
}

void TKeyList::PushNumber(std::int64_t number) {
    if (!numbers_.empty() && number <= numbers_.back()) ascending_ = false;
    numbers_.push_back(number);
    if (!positions_.empty()) positions_.emplace(std::to_string(number), numbers_.size() - 1);
}

std::optional<size_t> TKeyList::FindNumber(std::int64_t key) const {
    if (ascending_) return numbers_.FindAscending(key);
    if (positions_.empty())
        for (size_t i = 0; i < numbers_.size(); ++i)
            positions_.emplace(std::to_string(numbers_[i]), i);
    const auto it = positions_.find(std::to_string(key));
    if (it == positions_.end()) return std::nullopt;
    return it->second;
}

std::optional<size_t> TKeyList::Find(const Variant& key) const {
    if (key.IsEmptyOrNull()) return std::nullopt;
    if (numeric_) {
        try {
            return FindNumber(key.AsInt64());
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    if (positions_.empty())
        for (size_t i = 0; i < others_.size(); ++i) positions_.emplace(others_[i].AsString(), i);
    const auto it = positions_.find(key.AsString());
    if (it == positions_.end()) return std::nullopt;
    return it->second;
}

size_t TKeyList::Load(TOdbcStatement& stmt) {
    const size_t before = Size();
    if (!numeric_) {
        while (stmt.Fetch()) Push(stmt.Get(0));
        return Size() - before;
    }
    std::vector<std::int64_t> block;
    while (stmt.FetchNumbers(block))
        for (std::int64_t number : block) PushNumber(number);
    return Size() - before;
}

// PostgreSQL's driver holds a whole result in memory before it hands out the first
// row, some 50 bytes a key; a cursor of the server's gives them a block at a time.
void ReadKeys(TOdbcConnection& connection, const std::string& sql, bool serverCursor,
              TKeyList& keys, size_t block) {
    TOdbcStatement stmt(connection);
    if (!serverCursor) {
        stmt.ExecDirect(sql);
        keys.Load(stmt);
        return;
    }
    constexpr const char* kCursor = "zalvert_keys";
    connection.Exec(std::string("DECLARE ") + kCursor + " NO SCROLL CURSOR WITH HOLD FOR " + sql);
    const std::string fetch = "FETCH FORWARD " + std::to_string(block) + " FROM " + kCursor;
    try {
        for (bool more = true; more;) {
            stmt.ExecDirect(fetch);
            more = keys.Load(stmt) > 0;
        }
        stmt.CloseCursor();
        connection.Exec(std::string("CLOSE ") + kCursor);
    } catch (const EOdbc&) {
        try {
            connection.Exec(std::string("CLOSE ") + kCursor);
        } catch (const EOdbc&) {
            // a failed transaction took the cursor with it
        }
        throw;
    }
}

void ReadKeysInOrder(TOdbcConnection& connection, const std::string& key, const std::string& from,
                     const std::string& where, TKeyList& keys, size_t block) {
    TOdbcStatement stmt(connection);
    const std::string select = "SELECT " + key + " FROM " + from + " WHERE " +
                               (where.empty() ? "" : "(" + where + ") AND ");
    const std::string order = " ORDER BY " + key + " LIMIT " + std::to_string(block);
    do {
        const std::string after =
            keys.Size() == 0 ? key + " IS NOT NULL" : key + " > " + keys.Text(keys.Size() - 1);
        stmt.ExecDirect(select + after + order);
    } while (keys.Load(stmt) == block);
}

}  // namespace zalvert::engine::odbc
