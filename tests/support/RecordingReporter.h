// Keeps what the core would print, for tests that check console text.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "system/Reporter.h"

namespace testsupport {

class RecordingReporter : public Reporter {
public:
    RecordingReporter() : scope_(*this) {}
    void text(std::string_view bytes) override {
        std::lock_guard<std::mutex> lock(mutex_);
        text_.append(bytes);
    }
    // Everything recorded so far, and forgets it.
    std::string take() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(text_, std::string());
    }

private:
    std::mutex mutex_;
    std::string text_;
    ScopedReporter scope_;
};

}  // namespace testsupport
