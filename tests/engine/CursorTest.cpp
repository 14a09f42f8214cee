// The cursor over rows of its own making: no database, every deletion pattern.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/core/Cursor.h"

namespace zalvert::engine {
namespace {

// `total` rows, of which `deleted` are marked; as a stream, rows become known
// one by one as far as a cursor asks for them.
class TFakeRows : public TRowPositions {
  public:
    TFakeRows(std::vector<bool> deleted, bool stream)
        : deleted_(std::move(deleted)), known_(stream ? 0 : deleted_.size()) {}

    bool Has(size_t pos) override {
        if (pos >= known_) known_ = std::min(pos + 1, deleted_.size());
        return pos < known_;
    }
    size_t KnownSize() const override { return known_; }
    bool Complete() const override { return known_ == deleted_.size(); }
    void FetchAll() override { known_ = deleted_.size(); }
    bool IsDeleted(size_t pos) const override { return deleted_[pos]; }
    // Marks are set on rows that were read.
    size_t DeletedCount() const override {
        return static_cast<size_t>(std::count(deleted_.begin(), deleted_.begin() + known_, true));
    }

  private:
    std::vector<bool> deleted_;
    size_t known_;
};

std::shared_ptr<TFakeRows> Rows(std::vector<bool> deleted, bool stream = false) {
    return std::make_shared<TFakeRows>(std::move(deleted), stream);
}

// The live positions visited by moving forward from the first row.
std::vector<long> WalkForward(TCursor& cursor) {
    std::vector<long> seen;
    if (cursor.First() != TCursorRefusal::None) return seen;
    for (; !cursor.Eof(); cursor.Next()) seen.push_back(cursor.Position());
    return seen;
}

std::vector<long> WalkBackward(TCursor& cursor) {
    std::vector<long> seen;
    if (cursor.Last() != TCursorRefusal::None) return seen;
    for (; !cursor.Bof(); cursor.Previous()) seen.push_back(cursor.Position());
    return seen;
}

TEST(CursorTest, SkipsRowsDeletedAtBothEndsAndInTheMiddle) {
    //                     0     1      2      3      4     5      6     7
    TCursor cursor(Rows({true, false, false, true, true, false, false, true}), false);
    EXPECT_EQ(cursor.Position(), 1);
    EXPECT_EQ(WalkForward(cursor), (std::vector<long>{1, 2, 5, 6}));
    EXPECT_TRUE(cursor.Eof());
    EXPECT_FALSE(cursor.Bof());
    EXPECT_EQ(cursor.Position(), 8);
    EXPECT_EQ(cursor.Refusal(TMove::Next), TCursorRefusal::NoCurrentRecord);
    cursor.Previous();
    EXPECT_EQ(cursor.Position(), 6);
    EXPECT_EQ(WalkBackward(cursor), (std::vector<long>{6, 5, 2, 1}));
    EXPECT_TRUE(cursor.Bof());
    EXPECT_EQ(cursor.Refusal(TMove::Previous), TCursorRefusal::NoCurrentRecord);
    cursor.Next();
    EXPECT_EQ(cursor.Position(), 1);

    cursor.LandOn(5);
    EXPECT_EQ(cursor.AbsolutePosition(), 2);
    EXPECT_DOUBLE_EQ(cursor.PercentPosition(4), 75.0);
    EXPECT_EQ(cursor.LivePosition(3), std::optional<size_t>(6));
    EXPECT_EQ(cursor.LivePosition(4), std::nullopt);
    size_t target = 0;
    EXPECT_EQ(cursor.PercentTarget(50, target), TCursorRefusal::None);
    EXPECT_EQ(target, 5u);
    EXPECT_EQ(cursor.PercentTarget(100, target), TCursorRefusal::None);
    EXPECT_EQ(target, 6u);
    EXPECT_EQ(cursor.PercentTarget(100.5, target), TCursorRefusal::InvalidArgument);
}

TEST(CursorTest, WithEveryRowDeletedStandsAtBofAndEof) {
    for (const bool stream : {false, true}) {
        TCursor cursor(Rows({true, true, true}, stream), false);
        EXPECT_TRUE(cursor.Bof() && cursor.Eof());
        EXPECT_FALSE(cursor.HasCurrent());
        EXPECT_EQ(cursor.First(), TCursorRefusal::NoCurrentRecord);
        EXPECT_TRUE(cursor.Bof() && cursor.Eof());
        EXPECT_EQ(cursor.Last(), TCursorRefusal::NoCurrentRecord);
        EXPECT_EQ(cursor.Refusal(TMove::Next), TCursorRefusal::NoCurrentRecord);
        EXPECT_EQ(cursor.Refusal(TMove::By, 1), TCursorRefusal::NoCurrentRecord);
        EXPECT_EQ(cursor.AbsolutePosition(), -1);
        size_t target = 0;
        EXPECT_EQ(cursor.PercentTarget(50, target), TCursorRefusal::NoCurrentRecord);
        EXPECT_TRUE(cursor.Unpositioned().Bof() && cursor.Unpositioned().Eof());
    }
    TCursor empty(Rows({}), false);
    EXPECT_TRUE(empty.Bof() && empty.Eof());
}

// The last live row deleted while the cursor stands on it: moving on finds the end,
// and the set, now without live rows, is both at BOF and EOF.
TEST(CursorTest, MovingOffTheOnlyLiveRowAfterItsDeletionEmptiesTheSet) {
    TCursor cursor(Rows({true, true, true}), false);
    cursor.LandOn(1);  // where the deleted row was
    cursor.Next();
    EXPECT_TRUE(cursor.Eof() && cursor.Bof());
}

TEST(CursorTest, AStreamIsReadOnlyAsFarAsTheCursorGoes) {
    auto rows = Rows(std::vector<bool>(100, false), true);
    TCursor cursor(rows, false);
    EXPECT_EQ(cursor.Position(), 0);
    EXPECT_EQ(rows->KnownSize(), 1u);
    cursor.Move(9);
    EXPECT_EQ(cursor.Position(), 9);
    EXPECT_EQ(rows->KnownSize(), 10u);
    EXPECT_FALSE(rows->Complete());
    EXPECT_EQ(cursor.LivePosition(19), std::optional<size_t>(19));
    EXPECT_EQ(rows->KnownSize(), 20u);
    cursor.Move(1000);  // past the end: the rest is read to find it
    EXPECT_TRUE(cursor.Eof());
    EXPECT_FALSE(cursor.Bof());
    EXPECT_EQ(cursor.Position(), 100);
    EXPECT_TRUE(rows->Complete());

    auto last = Rows(std::vector<bool>(50, false), true);
    TCursor toLast(last, false);
    EXPECT_EQ(toLast.Last(), TCursorRefusal::None);
    EXPECT_EQ(toLast.Position(), 49);
}

TEST(CursorTest, AForwardOnlyCursorRefusesToGoBack) {
    TCursor cursor(Rows({false, false, false}, true), true);
    EXPECT_EQ(cursor.Refusal(TMove::First), TCursorRefusal::None);  // where it stands
    EXPECT_EQ(cursor.Refusal(TMove::Last), TCursorRefusal::NotSupported);
    EXPECT_EQ(cursor.Refusal(TMove::Previous), TCursorRefusal::NotSupported);
    EXPECT_EQ(cursor.Refusal(TMove::By, -1), TCursorRefusal::NotSupported);
    EXPECT_EQ(cursor.Refusal(TMove::By, 1), TCursorRefusal::None);
    cursor.Next();
    EXPECT_EQ(cursor.Refusal(TMove::First), TCursorRefusal::NotSupported);
    cursor.Next();
    cursor.Next();
    EXPECT_TRUE(cursor.Eof());
    EXPECT_EQ(cursor.Refusal(TMove::Next), TCursorRefusal::NoCurrentRecord);
}

// Every move from every live row over every deletion pattern of up to nine rows,
// against live-row arithmetic: the path without deletions and the path with them
// give the same answers.
TEST(CursorTest, MovesAndAbsolutePositionsAgreeWithCountingLiveRows) {
    for (size_t size = 0; size <= 9; ++size) {
        for (unsigned mask = 0; mask < (1u << size); ++mask) {
            std::vector<bool> deleted(size);
            std::vector<long> live;
            for (size_t i = 0; i < size; ++i) {
                deleted[i] = (mask >> i) & 1;
                if (!deleted[i]) live.push_back(static_cast<long>(i));
            }
            const long count = static_cast<long>(live.size());
            for (long n = 0; n < count; ++n) {
                for (long by = -count - 1; by <= count + 1; ++by) {
                    TCursor cursor(Rows(deleted), false);
                    cursor.LandOn(static_cast<size_t>(live[static_cast<size_t>(n)]));
                    ASSERT_EQ(cursor.AbsolutePosition(), n);
                    ASSERT_EQ(cursor.LivePosition(n),
                              std::optional<size_t>(static_cast<size_t>(live[n])));
                    cursor.Move(by);
                    const long to = n + by;
                    SCOPED_TRACE(::testing::Message() << "mask " << mask << " size " << size
                                                      << " from " << n << " by " << by);
                    if (to >= 0 && to < count) {
                        ASSERT_TRUE(cursor.HasCurrent());
                        ASSERT_EQ(cursor.Position(), live[static_cast<size_t>(to)]);
                        ASSERT_EQ(cursor.AbsolutePosition(), to);
                    } else {
                        ASSERT_FALSE(cursor.HasCurrent());
                        ASSERT_EQ(cursor.Bof(), to < 0);
                        ASSERT_EQ(cursor.Eof(), to >= count);
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace zalvert::engine
