// The readers under test take file names: each input goes to one scratch file
// per process.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline std::string fuzzFile(const uint8_t* data, size_t size, const char* suffix) {
    const std::string path = "/tmp/orvik_fuzz_" + std::to_string(getpid()) + suffix;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return path;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}
