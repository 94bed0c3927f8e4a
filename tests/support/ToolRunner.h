// Runs the built tools (nona2, riggen) and Debian's nona in a folder.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace toolrun {

namespace fs = std::filesystem;

inline fs::path freshDir(const std::string& name) {
    // The process id keeps parallel runs from different build trees apart.
    const fs::path dir =
        fs::temp_directory_path() / ("nona2_test_" + name + "_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

inline void writeText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct Result {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

// Runs `command` with `dir` as the current directory.
inline Result run(const fs::path& dir, const std::string& command) {
    const fs::path log = dir / "command.log";
    const std::string full =
        "cd '" + dir.string() + "' && " + command + " > '" + log.string() + "' 2>&1";
    const int status = std::system(full.c_str());
    Result r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.output = readText(log);
    fs::remove(log);
    return r;
}

inline std::string bin(const std::string& tool) {
    return std::string(ORVIK_BIN_DIR) + "/" + tool;
}

}  // namespace toolrun
