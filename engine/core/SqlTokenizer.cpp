#include "engine/core/SqlTokenizer.h"

#include <cctype>

namespace zalvert::engine {
namespace {

bool IsWordStart(unsigned char c) {
    return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool IsWordChar(unsigned char c) {
    return std::isalnum(c) || c == '_' || c >= 0x80;
}

class TTokenizer {
  public:
    explicit TTokenizer(std::string_view sql) : sql_(sql) {}

    std::vector<TToken> Run() {
        std::vector<TToken> tokens;
        for (;;) {
            while (pos_ < sql_.size() && std::isspace(static_cast<unsigned char>(sql_[pos_])))
                ++pos_;
            if (pos_ >= sql_.size()) break;
            tokens.push_back(Next());
        }
        tokens.push_back({TTokenKind::End, {}, sql_.size()});
        return tokens;
    }

  private:
    TToken Next() {
        const size_t start = pos_;
        const auto c = static_cast<unsigned char>(sql_[pos_]);
        if (c == '[') return Delimited(']', TTokenKind::Name, false);
        if (c == '\'' || c == '"') return Delimited(static_cast<char>(c), TTokenKind::String, true);
        if (c == '#') return Delimited('#', TTokenKind::Date, false);
        if (c == '{') return GuidLiteral();
        if (std::isdigit(c) || (c == '.' && pos_ + 1 < sql_.size() &&
                                std::isdigit(static_cast<unsigned char>(sql_[pos_ + 1]))))
            return Number();
        if (IsWordStart(c)) {
            while (pos_ < sql_.size() && IsWordChar(static_cast<unsigned char>(sql_[pos_]))) ++pos_;
            return {TTokenKind::Word, std::string(sql_.substr(start, pos_ - start)), start};
        }
        for (std::string_view two : {"<>", "<=", ">=", "!=", "=<", "=>"}) {
            if (sql_.substr(pos_, 2) == two) {
                pos_ += 2;
                return {TTokenKind::Symbol, std::string(two), start};
            }
        }
        if (std::string_view("(),.;*+-/\\=<>&^?!:").find(static_cast<char>(c)) !=
            std::string_view::npos) {
            ++pos_;
            return {TTokenKind::Symbol, std::string(1, static_cast<char>(c)), start};
        }
        throw ESqlSyntax{std::string(sql_.substr(start))};
    }

    TToken Delimited(char close, TTokenKind kind, bool doubling) {
        const size_t start = pos_++;
        std::string text;
        while (pos_ < sql_.size()) {
            const char c = sql_[pos_++];
            if (c != close) {
                text += c;
                continue;
            }
            if (doubling && pos_ < sql_.size() && sql_[pos_] == close) {
                text += close;
                ++pos_;
                continue;
            }
            return {kind, std::move(text), start};
        }
        throw ESqlSyntax{std::string(sql_.substr(start))};
    }

    // "{guid {...}}": the token's text is the braced GUID inside.
    TToken GuidLiteral() {
        const size_t start = pos_;
        constexpr std::string_view kOpen = "{guid ";
        const std::string_view rest = sql_.substr(start);
        bool opens = rest.size() > kOpen.size();
        for (size_t i = 0; opens && i < kOpen.size(); ++i)
            opens = std::tolower(static_cast<unsigned char>(rest[i])) == kOpen[i];
        const size_t close = opens ? rest.find("}}", kOpen.size()) : std::string_view::npos;
        if (close == std::string_view::npos) throw ESqlSyntax{std::string(rest)};
        pos_ = start + close + 2;
        std::string inner(rest.substr(kOpen.size(), close + 1 - kOpen.size()));
        while (!inner.empty() && inner.front() == ' ') inner.erase(0, 1);
        return {TTokenKind::Guid, std::move(inner), start};
    }

    TToken Number() {
        const size_t start = pos_;
        const auto digit = [&] {
            return pos_ < sql_.size() && std::isdigit(static_cast<unsigned char>(sql_[pos_]));
        };
        while (digit()) ++pos_;
        if (pos_ < sql_.size() && sql_[pos_] == '.') {
            ++pos_;
            while (digit()) ++pos_;
        }
        if (pos_ < sql_.size() && (sql_[pos_] == 'e' || sql_[pos_] == 'E')) {
            const size_t mark = pos_++;
            if (pos_ < sql_.size() && (sql_[pos_] == '+' || sql_[pos_] == '-')) ++pos_;
            if (!digit()) pos_ = mark;
            while (digit()) ++pos_;
        }
        if (pos_ < sql_.size() && IsWordChar(static_cast<unsigned char>(sql_[pos_])))
            throw ESqlSyntax{std::string(sql_.substr(start))};
        return {TTokenKind::Number, std::string(sql_.substr(start, pos_ - start)), start};
    }

    std::string_view sql_;
    size_t pos_ = 0;
};

}  // namespace

bool TToken::Is(std::string_view word) const {
    if (Kind != TTokenKind::Word || Text.size() != word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(Text[i])) !=
            std::toupper(static_cast<unsigned char>(word[i])))
            return false;
    return true;
}

std::vector<TToken> Tokenize(std::string_view sql) {
    // SQLite ends its statement text at a NUL: none may hide inside a name or string.
    if (const size_t nul = sql.find('\0'); nul != std::string_view::npos)
        throw ESqlSyntax{std::string(sql.substr(nul))};
    return TTokenizer(sql).Run();
}

}  // namespace zalvert::engine
