#include "file/InputFile.h"

#include <filesystem>
#include <system_error>

std::string regularFileProblem(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(path), ec);
    if (status.type() == fs::file_type::not_found) return "it does not exist";
    if (ec) return ec.message();
    if (status.type() == fs::file_type::directory) return "it is a folder";
    if (status.type() != fs::file_type::regular)
        return "it is not a regular file (a pipe, a device or a socket cannot be read as one)";
    return std::string();
}

std::string shortenedName(const std::string& name, size_t limit) {
    if (name.size() <= limit) return name;
    auto boundary = [&name](size_t at) {  // back to the start of a UTF-8 sequence
        while (at > 0 && at < name.size() && (static_cast<unsigned char>(name[at]) & 0xC0) == 0x80)
            --at;
        return at;
    };
    const size_t head = boundary(limit * 2 / 3);
    const size_t tail = boundary(name.size() - limit / 3);
    return name.substr(0, head) + "[... " + std::to_string(tail - head) + " bytes left out ...]" +
           name.substr(tail);
}
