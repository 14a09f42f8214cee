#pragma once
// Matching a text against a pattern with '*' (any run of characters) and
// elements that each match one character, such as '?', '#' or '[a-z]'.

#include <string>
#include <string_view>

#include "rtl/Utf8.h"

namespace zalvert {

// `matchOne(pattern, p, c)` tells whether the element at pattern[p] matches the
// character c, and advances p past that element. Backtracking goes only to the
// last star, which keeps the match close to linear.
template <class MatchOne>
bool MatchWildcards(std::u32string_view text, std::u32string_view pattern, MatchOne&& matchOne) {
    size_t t = 0, p = 0;
    size_t starP = std::u32string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == U'*') {
            starP = ++p;
            starT = t;
            continue;
        }
        size_t next = p;
        if (p < pattern.size() && matchOne(pattern, next, text[t])) {
            p = next;
            ++t;
            continue;
        }
        if (starP == std::u32string_view::npos) return false;
        p = starP;
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == U'*') ++p;
    return p == pattern.size();
}

}  // namespace zalvert
