// A job handed to the other thread: its effects and its failure are the caller's
// once it has waited, and nothing is lost when the object goes first.

#include "engine/core/BackgroundJob.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace zalvert::engine {
namespace {

TEST(BackgroundJob, RunsEachJobOnAnotherThreadAndReportsItsFailureOnce) {
    TBackgroundJob job;
    EXPECT_FALSE(job.Started());
    job.Wait();  // nothing started: returns at once
    std::thread::id ranOn;
    int runs = 0;
    for (int i = 0; i < 3; ++i) {
        job.Start([&] {
            ranOn = std::this_thread::get_id();
            ++runs;
        });
        EXPECT_TRUE(job.Started());
        job.Wait();
        EXPECT_EQ(runs, i + 1);
    }
    EXPECT_NE(ranOn, std::this_thread::get_id());
    job.Start([] { throw std::runtime_error("Platte voll"); });
    try {
        job.Wait();
        ADD_FAILURE() << "the job's failure was not thrown";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Platte voll");
    }
    EXPECT_FALSE(job.Started());
    job.Wait();  // thrown once
    job.Start([&] { ++runs; });
    job.Wait();
    EXPECT_EQ(runs, 4);
}

TEST(BackgroundJob, LetsAStartedJobEndBeforeItGoes) {
    std::atomic<bool> ended{false};
    {
        TBackgroundJob job;
        job.Start([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ended = true;
        });
    }
    EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace zalvert::engine
