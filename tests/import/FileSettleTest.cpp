// When a waiting file counts as complete: at once when it has rested long enough,
// after watching it otherwise; never while it keeps changing.

#include "import/FileSettle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

void Append(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

TEST(FileSettle, AFileThatHasRestedIsCompleteAtOnce) {
    testing::TTempDir dir;
    const std::string path = dir.Write("a.csv", "x\n");
    fs::last_write_time(path, fs::file_time_type::clock::now() - 10s);
    int looks = 0;
    EXPECT_EQ(WaitUntilComplete(path, 2s, 60s, [&] { ++looks; }), TSettled::Complete);
    EXPECT_EQ(looks, 0);
}

TEST(FileSettle, AFileStillWrittenIsWatchedUntilItRests) {
    testing::TTempDir dir;
    const std::string path = dir.Write("a.csv", "x\n");
    int looks = 0;
    EXPECT_EQ(WaitUntilComplete(path, 300ms, 60s,
                                [&] {
                                    if (++looks <= 5) Append(path, "y\n");
                                }),
              TSettled::Complete);
    EXPECT_GT(looks, 5);
}

TEST(FileSettle, GivesUpOnAFileThatKeepsChangingAndNoticesOneThatGoes) {
    testing::TTempDir dir;
    const std::string path = dir.Write("a.csv", "x\n");
    EXPECT_EQ(WaitUntilComplete(path, 300ms, 700ms, [&] { Append(path, "y\n"); }),
              TSettled::StillWritten);
    EXPECT_EQ(WaitUntilComplete(path, 300ms, 5s, [&] { fs::remove(path); }), TSettled::Gone);
    EXPECT_EQ(WaitUntilComplete(dir.Path() + "fehlt.csv", 300ms, 5s), TSettled::Gone);
}

// What tells a change: the status-change time moves even when a program sets the
// modification time back.
TEST(FileSettle, TheIdentityChangesWithTheContentWhateverTheModificationTime) {
    testing::TTempDir dir;
    const std::string path = dir.Write("a.csv", "abc");
    const auto before = FileIdentity(path);
    ASSERT_TRUE(before);
    const auto modified = fs::last_write_time(path);
    // Past the file system's clock tick, which is coarser than its time stamps.
    std::this_thread::sleep_for(50ms);
    std::ofstream(path, std::ios::binary | std::ios::in | std::ios::out) << "xyz";
    fs::last_write_time(path, modified);
    const auto after = FileIdentity(path);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->Size, before->Size);
    EXPECT_EQ(after->ModifiedNs, before->ModifiedNs);
    EXPECT_NE(*after, *before);
    EXPECT_FALSE(FileIdentity(dir.Path() + "fehlt.csv"));
}

}  // namespace
}  // namespace zalvert
