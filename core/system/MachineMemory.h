// How much memory this process can still have: what the machine has free,
// and where set, a container's limit and the process's address-space limit.
// Shared by the tool and the remapper, which both refuse a project whose
// layers would not fit before they allocate anything large.
#pragma once

#include <cstdint>
#include <string>

struct MachineMemory {
    static constexpr uint64_t kUnknown = UINT64_MAX;
    uint64_t installed = kUnknown;     // physical memory
    uint64_t available = kUnknown;     // what can be had without swapping (Linux: MemAvailable)
    uint64_t limit = kUnknown;         // under a container's memory limit, what is left
    uint64_t addressSpace = kUnknown;  // under the address-space limit (ulimit -v), what is left

    // The least of the known figures; kUnknown when none is known.
    uint64_t usable() const;
    // "this machine has 3.2 GB available, 7.7 GB installed", or which limit
    // leaves this process less.
    std::string describe() const;
};

// The figures now, for this process.
MachineMemory machineMemory();

// "1.5 GB", "640 MB": bytes for a message.
std::string formatBytes(uint64_t bytes);

// Empty when `need` bytes fit `machine`; otherwise one sentence saying what
// needs how much and what the machine has, `what` first ("the layers of
// this project need ...").
std::string memoryShortfall(const std::string& what, uint64_t need, const MachineMemory& machine);
