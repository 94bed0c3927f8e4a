#include "file/AtomicReplace.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace {

// Temporary names held by live objects of this process. Other processes have
// other ids; a name left by a dead process is simply overwritten.
std::mutex namesMutex;
std::set<std::string> namesInUse;

std::string claimTemporaryName(const std::string& target) {
#ifdef _WIN32
    const std::string base = target + AtomicReplace::kMarker + std::to_string(_getpid());
#else
    const std::string base = target + AtomicReplace::kMarker + std::to_string(getpid());
#endif
    std::lock_guard<std::mutex> lock(namesMutex);
    std::string name = base;
    for (int n = 2; !namesInUse.insert(name).second; ++n) name = base + "-" + std::to_string(n);
    return name;
}

bool processRuns(unsigned long pid) {
#ifdef _WIN32
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    CloseHandle(h);
    return running;
#else
    if (pid == 0 || pid > 0x7fffffffUL) return false;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

// Removes "<target>.part<pid>[-n]" files whose writer process has ended. A
// live writer (this process or another) keeps its file; anything that does not
// follow the pattern is left alone.
void removeStaleTemporaries(const std::string& target) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path path(target);
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string prefix = path.filename().string() + AtomicReplace::kMarker;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        size_t i = prefix.size();
        unsigned long pid = 0;
        for (; i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])); ++i)
            pid = pid > 0xffffffffUL ? pid : pid * 10 + static_cast<unsigned long>(name[i] - '0');
        if (i == prefix.size()) continue;
        if (i < name.size()) {
            if (name[i] != '-' || i + 1 == name.size()) continue;
            size_t j = i + 1;
            while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j]))) ++j;
            if (j != name.size()) continue;
        }
        if (!processRuns(pid)) fs::remove(it->path(), ec);
        ec.clear();
    }
}

#ifdef _WIN32
std::string lastErrorText() {
    char text[512] = {0};
    const DWORD code = GetLastError();
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof(text), nullptr);
    std::string s(text, length);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == '.')) s.pop_back();
    return s.empty() ? "error " + std::to_string(code) : s;
}
#endif

}  // namespace

AtomicReplace::AtomicReplace(std::string target)
    : target_(std::move(target)), temporary_(claimTemporaryName(target_)) {
    removeStaleTemporaries(target_);
}

AtomicReplace::~AtomicReplace() {
    if (!committed_) std::remove(temporary_.c_str());
    std::lock_guard<std::mutex> lock(namesMutex);
    namesInUse.erase(temporary_);
}

bool AtomicReplace::commit(std::string& reason) {
#ifdef _WIN32
    // rename() there refuses to replace an existing file.
    const bool moved =
        MoveFileExA(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (!moved) reason = lastErrorText();
#else
    const bool moved = std::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (!moved) reason = std::strerror(errno);
#endif
    if (!moved) {
        std::remove(temporary_.c_str());
        return false;
    }
    committed_ = true;
    return true;
}
