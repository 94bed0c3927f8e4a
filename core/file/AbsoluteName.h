// Whether an image name written in a project stands on its own or is relative
// to the project's folder. The tool and its remapper must resolve every name
// the same way, so both ask this one function.
#pragma once

#include <string>

// True for Windows forms (X:\ X:/ \\server) and for names starting with "/".
// "C:a.jpg" (relative to a drive's current folder) and "\a.jpg" count as
// relative: projects written on Windows never use them for images.
inline bool isAbsoluteName(const std::string& name) {
    if (name.size() >= 3 && name[1] == ':' && (name[2] == '\\' || name[2] == '/')) return true;
    if (name.size() >= 2 && name[0] == '\\' && name[1] == '\\') return true;
    return !name.empty() && name[0] == '/';
}
