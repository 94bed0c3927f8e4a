// Camera sections of a table built on two threads and handed out in camera
// order. The exports spend most of their time building sections (grouping
// pixels by source block, finding regions, encoding records); the file is
// written in one order, but the sections do not depend on each other, so a
// second thread can build the next one while the caller writes the current
// one. The second thread can first do another job (the blend table).
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <future>
#include <mutex>
#include <vector>

template <class Section>
class SectionPipeline {
public:
    // build(i) makes section i, 0 <= i < count, on either thread. At most
    // `lookahead` sections beyond the one last taken are built ahead, which
    // bounds the memory held by finished sections.
    SectionPipeline(int count, int lookahead, std::function<Section(int)> build)
        : count_(count),
          lookahead_(lookahead < 1 ? 1 : lookahead),
          build_(std::move(build)),
          promises_(static_cast<size_t>(count)) {
        for (auto& p : promises_) futures_.push_back(p.get_future());
    }
    // Stops the helper from starting more sections and waits for it.
    ~SectionPipeline() {
        stop_ = true;
        if (helper_.valid()) helper_.wait();
    }
    SectionPipeline(const SectionPipeline&) = delete;
    SectionPipeline& operator=(const SectionPipeline&) = delete;

    // Starts the second thread: it runs `first`, then, with `alsoSections`,
    // builds sections until none is left (or the pipeline is destroyed).
    void startHelper(std::function<void()> first, bool alsoSections) {
        helper_ = std::async(std::launch::async, [this, first = std::move(first), alsoSections] {
            if (first) first();
            while (alsoSections && !stop_ && claimAndBuild()) {
            }
        });
    }

    // Section i, in order i = 0, 1, ...: built here unless the helper has it in
    // hand, in which case this thread builds the ones after it meanwhile.
    // Rethrows what build threw.
    Section take(int i) {
        taken_ = i;
        auto& f = futures_[static_cast<size_t>(i)];
        while (f.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            if (!claimAndBuild()) {
                f.wait();
                break;
            }
        }
        return f.get();
    }

private:
    bool claimAndBuild() {
        int k = next_.load();
        do {
            if (k >= count_ || k > taken_.load() + lookahead_) return false;
        } while (!next_.compare_exchange_weak(k, k + 1));
        auto& p = promises_[static_cast<size_t>(k)];
        try {
            p.set_value(build_(k));
        } catch (...) {
            p.set_exception(std::current_exception());
        }
        return true;
    }

    const int count_;
    const int lookahead_;
    std::function<Section(int)> build_;
    std::vector<std::promise<Section>> promises_;
    std::vector<std::future<Section>> futures_;
    std::atomic<int> next_{0};
    std::atomic<int> taken_{0};
    std::atomic<bool> stop_{false};
    std::future<void> helper_;
};
