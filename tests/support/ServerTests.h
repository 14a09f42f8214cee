#pragma once
// The tests against a database server need one named in ZALVERT_TEST_ODBC. The
// test command starts one and sets ZALVERT_REQUIRE_ODBC as well: there a missing
// server fails the tests instead of skipping them.

#include <gtest/gtest.h>

#include <cstdlib>

// In a test body or SetUp: skips, or fails where a server is required.
#define ZI_NO_SERVER(why)                                                                      \
    do {                                                                                       \
        if (const char* required = std::getenv("ZALVERT_REQUIRE_ODBC"); required && *required) \
            FAIL() << (why);                                                                   \
        GTEST_SKIP() << (why);                                                                 \
    } while (false)
