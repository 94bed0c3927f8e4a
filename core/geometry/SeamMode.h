// How the automatic seams choose their place: the middle of every overlap
// (the default), or per row where the two cameras agree.
#pragma once

#include <optional>
#include <string>

enum class SeamMode { Middle, Content };

// "middle" / "content": the names the settings file and the command line use.
const char* seamModeName(SeamMode mode);
std::optional<SeamMode> seamModeFromName(const std::string& name);
