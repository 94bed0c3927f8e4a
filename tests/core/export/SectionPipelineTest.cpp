#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "export/SectionPipeline.h"

namespace {

// Sections come out in order, each built exactly once, whichever thread built
// it; the helper's first job runs; a section that throws rethrows on take.
TEST(SectionPipeline, InOrderOnceAndErrorsPassedOn) {
    for (bool helperBuilds : {true, false}) {
        std::atomic<int> builds{0};
        std::atomic<bool> firstRan{false};
        std::mutex m;
        std::set<std::thread::id> threads;
        SectionPipeline<int> pipeline(12, 2, [&](int i) {
            ++builds;
            {
                std::lock_guard<std::mutex> lock(m);
                threads.insert(std::this_thread::get_id());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(i % 3));
            if (i == 9) throw std::runtime_error("nine");
            return i * i;
        });
        pipeline.startHelper([&] { firstRan = true; }, helperBuilds);
        for (int i = 0; i < 9; ++i) EXPECT_EQ(pipeline.take(i), i * i);
        EXPECT_THROW(pipeline.take(9), std::runtime_error);
        for (int i = 10; i < 12; ++i) EXPECT_EQ(pipeline.take(i), i * i);
        EXPECT_EQ(builds.load(), 12);
        EXPECT_TRUE(firstRan.load());
        if (!helperBuilds) {
            EXPECT_EQ(threads.size(), 1u);
        }
    }
}

// Leaving early (a failed export) stops the helper and waits for it.
TEST(SectionPipeline, StopsWhenLeftEarly) {
    std::atomic<int> builds{0};
    {
        SectionPipeline<int> pipeline(1000, 2, [&](int i) {
            ++builds;
            return i;
        });
        pipeline.startHelper(nullptr, true);
        EXPECT_EQ(pipeline.take(0), 0);
    }
    EXPECT_LE(builds.load(), 4);  // never more than the look-ahead allows
}

}  // namespace
