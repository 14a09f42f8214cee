#include "rtl/LastConversion.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zalvert {
namespace {

struct TCountedLength {
    int Calls = 0;
    size_t operator()(std::string_view text) {
        ++Calls;
        if (text == "kaputt") throw std::invalid_argument("kaputt");
        return text.size();
    }
};

TEST(LastConversions, ConvertsRunsOfTakingTurnsInputsOnce) {
    TLastConversions<std::string, size_t> last;
    TCountedLength length;
    // Two dates taking turns, line after line, as from and to do.
    for (int line = 0; line < 100; ++line) {
        EXPECT_EQ(last.Get(std::string_view("2018-12-03"), std::ref(length)), 10u);
        EXPECT_EQ(last.Get(std::string_view("2018-12-4"), std::ref(length)), 9u);
    }
    EXPECT_EQ(length.Calls, 2);
}

TEST(LastConversions, ForgetsTheOldestAndNeverMixesResultsUp) {
    TLastConversions<std::string, size_t, 2> last;
    TCountedLength length;
    EXPECT_EQ(last.Get(std::string_view("a"), std::ref(length)), 1u);
    EXPECT_EQ(last.Get(std::string_view("bb"), std::ref(length)), 2u);
    EXPECT_EQ(last.Get(std::string_view("ccc"), std::ref(length)), 3u);  // "a" goes
    EXPECT_EQ(length.Calls, 3);
    EXPECT_EQ(last.Get(std::string_view("bb"), std::ref(length)), 2u);
    EXPECT_EQ(length.Calls, 3);
    EXPECT_EQ(last.Get(std::string_view("a"), std::ref(length)), 1u);
    EXPECT_EQ(length.Calls, 4);
}

TEST(LastConversions, KeepsNothingOfAConversionThatThrows) {
    TLastConversions<std::string, size_t> last;
    TCountedLength length;
    EXPECT_EQ(last.Get(std::string_view("abc"), std::ref(length)), 3u);
    EXPECT_THROW(last.Get(std::string_view("kaputt"), std::ref(length)), std::invalid_argument);
    EXPECT_THROW(last.Get(std::string_view("kaputt"), std::ref(length)), std::invalid_argument);
    // An empty input must not meet an entry the throw left half made.
    EXPECT_EQ(last.Get(std::string_view(""), std::ref(length)), 0u);
    EXPECT_EQ(last.Get(std::string_view("abc"), std::ref(length)), 3u);
    EXPECT_EQ(length.Calls, 4);
}

}  // namespace
}  // namespace zalvert
