#include "project/PtoReader.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QString>
#include <fstream>
#include <sstream>

#include "project/Project.h"

PtoReader::PtoReader(std::string path) {
    dir = toLocal8BitString(QFileInfo(QString::fromLocal8Bit(path.c_str())).absolutePath()) + "/";

    std::ifstream in(path);
    QCryptographicHash imageLines(QCryptographicHash::Sha256);
    while (in.good()) {
        std::string line;
        std::getline(in, line);
        // A project saved with CR LF line ends reads the same as on Windows.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == 'i') {
            imageLines.addData(line.data(), static_cast<int>(line.size()));
            imageLines.addData("\n", 1);
            std::string name;
            if (!findParam(line, "n", name)) name.clear();
            if (!isAbsoluteName(name)) name = dir + name;
            imagePaths.push_back(name);
        } else if (line[0] == 'p') {
            readIntParam(line, "w", width);
            readIntParam(line, "h", height);
        }
    }
    imageLinesDigest = imageLines.result().toHex().toStdString();
}

std::string PtoReader::imageFile(int i) const {
    if (i < 0 || i > imageCount() - 1) return std::string();
    return imagePaths[static_cast<size_t>(i)];
}

bool PtoReader::isAbsoluteName(const std::string& name) {
    if (name.size() >= 3 && name[1] == ':' && (name[2] == '\\' || name[2] == '/')) return true;
    if (name.size() >= 2 && name[0] == '\\' && name[1] == '\\') return true;
    return !name.empty() && name[0] == '/';
}

bool PtoReader::findParam(const std::string& line, const std::string& key, std::string& value) {
    const int size = static_cast<int>(line.size());
    if (size <= 1) return false;
    const int keyLen = static_cast<int>(key.size());
    auto isSep = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
    auto findFrom = [&](int from, auto pred) {
        for (int k = from; k < size; ++k)
            if (pred(line[static_cast<size_t>(k)])) return k;
        return -1;
    };

    int a = 1;
    while (a < size) {
        const char prev = line[static_cast<size_t>(a - 1)];
        const char cur = line[static_cast<size_t>(a)];
        if (prev != ' ' || cur == ' ') {
            ++a;
            continue;
        }
        if (line.compare(static_cast<size_t>(a), static_cast<size_t>(keyLen), key) == 0 &&
            a + keyLen <= size) {
            a += keyLen;
            if (a >= size) {
                value.clear();
                return true;
            }
            if (line[static_cast<size_t>(a)] == '"') {
                if (a + 1 >= size) return false;
                const int close = findFrom(a + 1, [](char c) { return c == '"'; });
                if (close < 0) return false;
                value = line.substr(static_cast<size_t>(a + 1), static_cast<size_t>(close - a - 1));
                return true;
            }
            const int end = findFrom(a, isSep);
            value = line.substr(static_cast<size_t>(a),
                                end < 0 ? std::string::npos : static_cast<size_t>(end - a));
            return true;
        }
        // Skip the token; a quoted value right behind a one-letter key is skipped whole,
        // so a key letter inside a quoted file name never matches.
        if (a + 1 >= size) return false;
        int next;
        if (line[static_cast<size_t>(a + 1)] == '"') {
            next = findFrom(a + 2, [](char c) { return c == '"'; });
        } else {
            next = findFrom(a + 1, isSep);
        }
        if (next < 0) return false;
        a = next + 1;
    }
    return false;
}

bool PtoReader::readIntParam(const std::string& line, const std::string& key, int& target) {
    std::string value;
    if (!findParam(line, key, value)) return false;
    std::istringstream in(value);
    int v = 0;
    if (in >> v) target = v;
    return true;
}
