#include "ParallelRows.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace nona2 {

int workerCount(int threads) {
    // Each worker holds its own transform and buffers: more than this only costs memory.
    if (threads > 0) return std::min(threads, 64);
    const unsigned hw = std::thread::hardware_concurrency();
    return hw == 0 ? 2 : static_cast<int>(std::min(hw, 64u));
}

void parallelRows(int begin, int end, int workers, const std::function<void(int, int)>& fn,
                  int block) {
    if (end <= begin) return;
    block = std::max(1, block);
    workers = std::max(1, std::min(workers, (end - begin + block - 1) / block));
    const int kBlock = block;
    std::atomic<int> next(begin);
    auto run = [&](int worker) {
        for (;;) {
            const int from = next.fetch_add(kBlock);
            if (from >= end) return;
            const int to = std::min(end, from + kBlock);
            for (int y = from; y < to; ++y) fn(y, worker);
        }
    };
    std::vector<std::thread> pool;
    for (int w = 1; w < workers; ++w) pool.emplace_back(run, w);
    run(0);
    for (std::thread& t : pool) t.join();
}

}  // namespace nona2
