#include "export/ExportResult.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "system/Reporter.h"

ExportResult failExport(const std::string& path, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::vector<char> text(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), fmt, args);
    va_end(args);
    Reporter& out = reporter();
    out.text(text.data());
    out.flush();
    std::string message(text.data());
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    out.problem(message);
    return ExportResult::failed(path, message);
}
