#include "system/MachineMemory.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

#ifdef __linux__
// A "Name:  123 kB" line of /proc/meminfo or /proc/self/status, in bytes.
uint64_t procField(const char* file, const std::string& name) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size() + 1, name + ":") != 0) continue;
        std::istringstream value(line.substr(name.size() + 1));
        uint64_t kb = 0;
        if (value >> kb) return kb * 1024;
    }
    return MachineMemory::kUnknown;
}

uint64_t fileNumber(const std::string& path) {
    std::ifstream in(path);
    uint64_t v = 0;
    // "max" (cgroup v2) or a value near 2^63 (v1) means no limit.
    if (!(in >> v) || v >= (uint64_t(1) << 60)) return MachineMemory::kUnknown;
    return v;
}

// What is left under the memory limit of this process's cgroup (v2, or v1's
// memory controller), when it has one.
uint64_t containerRoom() {
    std::ifstream in("/proc/self/cgroup");
    std::string line;
    while (std::getline(in, line)) {
        const size_t a = line.find(':'), b = line.find(':', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        const std::string controllers = line.substr(a + 1, b - a - 1), path = line.substr(b + 1);
        std::string limit, usage;
        if (line.compare(0, a, "0") == 0 && controllers.empty()) {
            limit = "/sys/fs/cgroup" + path + "/memory.max";
            usage = "/sys/fs/cgroup" + path + "/memory.current";
        } else if (("," + controllers + ",").find(",memory,") != std::string::npos) {
            limit = "/sys/fs/cgroup/memory" + path + "/memory.limit_in_bytes";
            usage = "/sys/fs/cgroup/memory" + path + "/memory.usage_in_bytes";
        } else {
            continue;
        }
        const uint64_t max = fileNumber(limit), used = fileNumber(usage);
        if (max == MachineMemory::kUnknown) continue;
        if (used == MachineMemory::kUnknown) return max;
        return used >= max ? 0 : max - used;
    }
    return MachineMemory::kUnknown;
}
#endif

}  // namespace

uint64_t MachineMemory::usable() const {
    return std::min({available, limit, addressSpace});
}

std::string MachineMemory::describe() const {
    std::string machine;
    if (available != kUnknown) machine = formatBytes(available) + " available";
    if (installed != kUnknown)
        machine += (machine.empty() ? "" : ", ") + formatBytes(installed) + " installed";
    const uint64_t room = usable();
    if (room == available || room == kUnknown)
        return "this machine has " + (machine.empty() ? std::string("an unknown amount") : machine);
    return "this process may take only " + formatBytes(room) + " more under its " +
           (room == limit ? "memory limit" : "address-space limit") +
           (machine.empty() ? "" : " (the machine has " + machine + ")");
}

MachineMemory machineMemory() {
    MachineMemory m;
#ifdef _WIN32
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    if (GlobalMemoryStatusEx(&status)) {
        m.installed = status.ullTotalPhys;
        m.available = status.ullAvailPhys;
        m.addressSpace = status.ullAvailVirtual;
    }
#else
#ifdef __linux__
    m.installed = procField("/proc/meminfo", "MemTotal");
    m.available = procField("/proc/meminfo", "MemAvailable");
    m.limit = containerRoom();
#else
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) m.installed = uint64_t(pages) * uint64_t(pageSize);
#ifdef _SC_AVPHYS_PAGES
    const long free = sysconf(_SC_AVPHYS_PAGES);
    if (free > 0 && pageSize > 0) m.available = uint64_t(free) * uint64_t(pageSize);
#endif
#endif
    rlimit as{};
    if (getrlimit(RLIMIT_AS, &as) == 0 && as.rlim_cur != RLIM_INFINITY) {
        uint64_t mapped = 0;
#ifdef __linux__
        mapped = procField("/proc/self/status", "VmSize");
        if (mapped == MachineMemory::kUnknown) mapped = 0;
#endif
        const uint64_t cap = static_cast<uint64_t>(as.rlim_cur);
        m.addressSpace = cap > mapped ? cap - mapped : 0;
    }
#endif
    return m;
}

std::string formatBytes(uint64_t bytes) {
    char text[32];
    const double gb = static_cast<double>(bytes) / (1u << 30);
    if (gb >= 1024.0)
        std::snprintf(text, sizeof(text), "%.1f TB", gb / 1024.0);
    else if (gb >= 1.0)
        std::snprintf(text, sizeof(text), "%.1f GB", gb);
    else
        std::snprintf(text, sizeof(text), "%.0f MB", static_cast<double>(bytes) / (1u << 20));
    return text;
}

std::string memoryShortfall(const std::string& what, uint64_t need, const MachineMemory& machine) {
    const uint64_t room = machine.usable();
    if (room == MachineMemory::kUnknown || need <= room) return std::string();
    return what + " " + formatBytes(need) + " of memory, but " + machine.describe();
}
