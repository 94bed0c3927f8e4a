// How the words of a PTO line read: the split into words and the number
// forms Hugin writes. Every value of a damaged file is checked here, before
// libpano13 or any arithmetic sees it.
#pragma once

#include <string>
#include <vector>

namespace nona2 {

// Beyond these no real project goes; such values only come from damaged files
// and would overflow the integer arithmetic or stall libpano13.
constexpr double kMaxAbsValue = 1e7;
constexpr int kMaxSide = 1000000;

// Splits the part of a line after its type letter into blank-separated words;
// a double-quoted stretch belongs to its word and may hold blanks. False with
// the problem (an unterminated quote) otherwise.
bool splitWords(const std::string& line, std::vector<std::string>& words, std::string& problem);
// The value without its surrounding double quotes, if it has both.
std::string unquote(const std::string& value);
// The whole text as a finite number (strtod's forms); false for anything else.
bool parseNumber(const std::string& text, double& out);
// A whole number of at most kMaxAbsValue, in any form parseNumber reads ("2.0").
bool parseInt(const std::string& text, int& out);
// A size: decimal digits only, as Hugin writes it ("9.6e2" is refused, not read
// as 9 or 960, so every reader of the project sees the same size), 1..kMaxSide.
bool parseSide(const std::string& text, int& out);
// "l,r,t,b" as four parseInt numbers.
bool parseRect(const std::string& text, int& l, int& r, int& t, int& b);

}  // namespace nona2
