#include "project/PtoReader.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QString>
#include <fstream>
#include <sstream>

#include "file/AbsoluteName.h"
#include "file/Local8Bit.h"

namespace {

// The panorama size as the remapper reads it: every blank-separated word of
// the 'p' line that starts with the key (quoted stretches belong to their
// word), which must occur once and be plain decimal digits. Returns the
// problem, empty when `size` was set.
std::string readSize(const std::string& line, char key, int& size) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    for (size_t k = 1; k <= line.size(); ++k) {
        const char c = k < line.size() ? line[k] : ' ';
        if (!quoted && (c == ' ' || c == '\t')) {
            if (!word.empty() && word[0] == key) words.push_back(word);
            word.clear();
            continue;
        }
        if (c == '"') quoted = !quoted;
        word += c;
    }
    const std::string what = key == 'w' ? "width" : "height";
    if (words.empty()) return "the 'p' line gives no panorama " + what;
    if (words.size() > 1) return "the 'p' line gives the panorama " + what + " twice";
    const std::string digits = words[0].substr(1);
    if (digits.empty() || digits.size() > 7 ||
        digits.find_first_not_of("0123456789") != std::string::npos || std::stoi(digits) < 1 ||
        std::stoi(digits) > 1000000)
        return "panorama " + what + " '" + words[0] + "' is not a whole number from 1 to 1000000";
    size = std::stoi(digits);
    return std::string();
}

}  // namespace

PtoReader::PtoReader(std::string path) {
    dir = toLocal8BitString(QFileInfo(QString::fromLocal8Bit(path.c_str())).absolutePath()) + "/";

    std::ifstream in(path);
    int lineNo = 0;
    bool havePano = false;
    QCryptographicHash imageLines(QCryptographicHash::Sha256);
    while (in.good()) {
        std::string line;
        std::getline(in, line);
        ++lineNo;
        // Some editors start the file with a UTF-8 byte-order mark.
        if (lineNo == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
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
        } else if (line[0] == 'p' && problem.empty()) {
            std::string why = havePano ? "a second 'p' line" : readSize(line, 'w', width);
            if (why.empty()) why = readSize(line, 'h', height);
            if (!why.empty()) problem = path + ":" + std::to_string(lineNo) + ": " + why;
            havePano = true;
        }
    }
    if (!problem.empty()) width = height = 0;
    imageLinesDigest = imageLines.result().toHex().toStdString();
}

std::string PtoReader::imageFile(int i) const {
    if (i < 0 || i > imageCount() - 1) return std::string();
    return imagePaths[static_cast<size_t>(i)];
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
