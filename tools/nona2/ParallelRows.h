// The row-parallel loop every per-pixel pass of the remapper runs on.
#pragma once

#include <functional>

namespace nona2 {

// Number of worker threads for a request of `threads` (0: one per core), at most 64.
int workerCount(int threads);
// Runs `fn(row, worker)` for every row in [begin, end) on `workers` threads;
// worker is 0 .. workers-1, so per-thread state can be indexed by it. Rows
// are handed out in blocks of `block`. Returns when every row is done.
void parallelRows(int begin, int end, int workers, const std::function<void(int, int)>& fn,
                  int block = 8);

}  // namespace nona2
