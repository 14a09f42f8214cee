// The array literals and separated texts whole columns of rows go to the
// server in.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/odbc/OdbcArrays.h"
#include "rtl/DateTime.h"

namespace zalvert::engine::odbc {
namespace {

std::string Literal(const std::vector<Variant>& column) {
    std::string out;
    AppendArrayLiteral(out, column.data(), column.size(), 1, 0);
    return out;
}

TEST(OdbcArrays, QuotesTextsAndEscapesOnlyQuotesAndBackslashes) {
    EXPECT_EQ(Literal({Variant("Müller"), Variant(""), Variant::Null(), Variant("a,b {c} NULL")}),
              R"({"Müller","",NULL,"a,b {c} NULL"})");
    EXPECT_EQ(
        Literal({Variant(R"("Zitat")"), Variant(R"(\)"), Variant(R"(a\\b""c)"), Variant(R"(x"\)")}),
        R"({"\"Zitat\"","\\","a\\\\b\"\"c","x\"\\"})");
}

TEST(OdbcArrays, WritesNumbersDatesAndBytesAsTheServerReadsThem) {
    EXPECT_EQ(Literal({Variant(std::int64_t{-12}), Variant(true), Variant(0.5),
                       Variant::FromDate(EncodeDate(2018, 12, 3)), Variant(TBytes{0x0f, 0xa0})}),
              R"({-12,t,"0.5","2018-12-03 00:00:00","\\x0fa0"})");
}

// Texts one after the other for the server to split; a column that cannot go so
// is refused whole and leaves what was written before it.
TEST(OdbcArrays, SeparatesTextsAndRefusesWhatTheSplitWouldChange) {
    const auto separated = [](const std::vector<Variant>& column) -> std::optional<std::string> {
        std::string out = "vorher";
        if (!AppendSeparatedTexts(out, column.data(), column.size(), 1, 0)) {
            EXPECT_EQ(out, "vorher");
            return std::nullopt;
        }
        return out.substr(6);
    };
    EXPECT_EQ(separated({Variant("Müller"), Variant(""), Variant::Null(), Variant("a,\"{}\x1e")}),
              "Müller\x1f\x1f\x1e\x1f"
              "a,\"{}\x1e");
    EXPECT_EQ(separated({Variant::Null()}), "\x1e");
    EXPECT_EQ(separated({Variant(""), Variant("")}), "\x1f");
    EXPECT_FALSE(separated({Variant("a"), Variant("b\x1f"
                                                  "c")}));
    EXPECT_FALSE(separated({Variant("a"), Variant("\x1e")}));
    EXPECT_FALSE(separated({Variant("")}));
    EXPECT_FALSE(separated({Variant("a"), Variant(std::int64_t{5})}));
    EXPECT_TRUE(TakesSeparatedTexts("text"));
    EXPECT_FALSE(TakesSeparatedTexts("timestamp"));
}

}  // namespace
}  // namespace zalvert::engine::odbc
