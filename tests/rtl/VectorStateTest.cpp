#include "rtl/VectorState.h"

#include <gtest/gtest.h>

#include "tests/support/VectorRegisters.h"

namespace zalvert {
namespace {

TEST(VectorStateTest, ClearsUpperHalvesLeftInUse) {
    ClearUpperVectorState();  // harmless on any processor
    if (!testing::CanTellUpperVectorUse()) GTEST_SKIP() << "the processor cannot tell";
    testing::FillUpperVectorHalves();
    ASSERT_TRUE(testing::UpperVectorHalvesInUse());
    ClearUpperVectorState();
    EXPECT_FALSE(testing::UpperVectorHalvesInUse());
}

}  // namespace
}  // namespace zalvert
