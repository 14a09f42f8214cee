#pragma once
// The message of the failure a call raises, or empty when it raises none.

#include <exception>
#include <string>

namespace zalvert::testing {

template <class Call>
std::string MessageOf(Call&& call) {
    try {
        call();
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

}  // namespace zalvert::testing
