#include "geometry/SeamMode.h"

const char* seamModeName(SeamMode mode) {
    return mode == SeamMode::Content ? "content" : "middle";
}

std::optional<SeamMode> seamModeFromName(const std::string& name) {
    if (name == "middle") return SeamMode::Middle;
    if (name == "content") return SeamMode::Content;
    return std::nullopt;
}
