#include "file/AtomicReplace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
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
    : target_(std::move(target)), temporary_(claimTemporaryName(target_)) {}

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
