#include "system/Reporter.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

void ConsoleReporter::text(std::string_view bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void ConsoleReporter::flush() {
    std::fflush(stdout);
}

namespace {
std::atomic<Reporter*>& installed() {
    static std::atomic<Reporter*> r{nullptr};
    return r;
}
}  // namespace

Reporter& reporter() {
    static ConsoleReporter console;
    Reporter* r = installed().load();
    return r ? *r : console;
}

Reporter* installReporter(Reporter* r) {
    return installed().exchange(r);
}

namespace {

// Formats into `small` when it fits (the common case, no allocation), else
// into `big`; hands the text to `use`.
template <typename Use>
void formatThen(const char* fmt, va_list args, Use use) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    const int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof small) {
        use(std::string_view(small, static_cast<size_t>(n)));
        return;
    }
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), fmt, args);
    use(std::string_view(big.data(), static_cast<size_t>(n)));
}

}  // namespace

void reportf(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    formatThen(fmt, args, [](std::string_view text) { reporter().text(text); });
    va_end(args);
}

void reportProblemf(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    formatThen(fmt, args, [](std::string_view text) {
        Reporter& r = reporter();
        r.text(text);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
        r.problem(text);
    });
    va_end(args);
}

void reportFlush() {
    reporter().flush();
}
