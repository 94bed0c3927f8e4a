// What a table reader found wrong with a file: every violation with the byte
// offset it was found at, so that a person can look at the bytes. A corrupt
// table can break the same rule millions of times (say every weight of a
// shifted blend table); the list keeps the first kKept and counts the rest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TableViolation {
    uint64_t offset = 0;
    std::string message;
};

class TableViolations {
public:
    static constexpr size_t kKept = 1000;

    void add(uint64_t offset, std::string message) {
        ++total_;
        if (list_.size() < kKept) list_.push_back({offset, std::move(message)});
    }
    bool empty() const { return total_ == 0; }
    uint64_t total() const { return total_; }
    // In the order found, at most kKept.
    const std::vector<TableViolation>& list() const { return list_; }

private:
    std::vector<TableViolation> list_;
    uint64_t total_ = 0;
};
