#pragma once
// Splits the engine's SQL dialect into tokens: bracketed names, strings in single
// or double quotes (a doubled quote inside stands for one), #date# literals,
// {guid {...}} literals, numbers, words and operators.

#include <string>
#include <string_view>
#include <vector>

namespace zalvert::engine {

enum class TTokenKind { Word, Name, String, Number, Date, Guid, Symbol, End };

struct TToken {
    TTokenKind Kind = TTokenKind::End;
    std::string Text;   // the word, the name without brackets, the string's content...
    size_t Offset = 0;  // where it starts in the statement
    bool Is(std::string_view word) const;  // a word, compared without regard to case
    bool IsSymbol(std::string_view s) const { return Kind == TTokenKind::Symbol && Text == s; }
};

// Raises ESqlSyntax for an unclosed string, name or date, or a stray character.
std::vector<TToken> Tokenize(std::string_view sql);

struct ESqlSyntax {
    std::string Text;  // the offending part of the statement
};

}  // namespace zalvert::engine
