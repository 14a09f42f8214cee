// The array literals whole columns of rows go to the server in.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace zalvert::engine::odbc
