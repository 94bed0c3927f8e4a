// Small helpers shared by the tests: a scratch folder and file writing.
#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <string>

// A scratch folder removed with the object. The name carries a blank so every
// test exercises paths that need quoting.
class ScratchDir {
public:
    ScratchDir() : dir_(QDir::tempPath() + "/orvik test-XXXXXX") {}
    std::string path() const { return dir_.path().toStdString(); }
    std::string file(const std::string& name) const { return path() + "/" + name; }
    // Writes `text` byte for byte (no line-end translation).
    std::string write(const std::string& name, const std::string& text) const {
        const std::string p = file(name);
        std::ofstream out(p, std::ios::binary);
        out << text;
        return p;
    }

private:
    QTemporaryDir dir_;
};
