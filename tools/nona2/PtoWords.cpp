#include "PtoWords.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace nona2 {

bool splitWords(const std::string& line, std::vector<std::string>& words, std::string& problem) {
    std::string word;
    bool inQuote = false;
    bool inWord = false;
    for (size_t k = 1; k < line.size(); ++k) {
        const char c = line[k];
        if (inQuote) {
            word += c;
            if (c == '"') inQuote = false;
        } else if (c == ' ' || c == '\t') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
            if (c == '"') inQuote = true;
        }
    }
    if (inQuote) {
        problem = "unterminated quote in '" + word + "'";
        return false;
    }
    if (inWord) words.push_back(word);
    return true;
}

std::string unquote(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

bool parseNumber(const std::string& text, double& out) {
    if (text.empty()) return false;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(begin, &end);
    if (end != begin + text.size() || errno == ERANGE || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool parseInt(const std::string& text, int& out) {
    double v = 0;
    if (!parseNumber(text, v) || v != std::floor(v) || std::fabs(v) > kMaxAbsValue) return false;
    out = static_cast<int>(v);
    return true;
}

bool parseSide(const std::string& text, int& out) {
    if (text.empty() || text.size() > 7 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::stoi(text);
    return out >= 1 && out <= kMaxSide;
}

bool parseRect(const std::string& text, int& l, int& r, int& t, int& b) {
    std::vector<std::string> parts;
    std::stringstream ss(text);
    std::string part;
    while (std::getline(ss, part, ',')) parts.push_back(part);
    if (parts.size() != 4) return false;
    return parseInt(parts[0], l) && parseInt(parts[1], r) && parseInt(parts[2], t) &&
           parseInt(parts[3], b);
}

}  // namespace nona2
