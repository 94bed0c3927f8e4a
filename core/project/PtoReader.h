// Reads the few values the tool needs from a PanoTools PTO project: the
// panorama size ('p' line, w and h) and the camera images ('i' lines, n).
// All other geometry stays in the file and reaches the tool through the remapper.
#pragma once

#include <string>
#include <vector>

class PtoReader {
public:
    // Reads the whole file at once. A file that cannot be opened leaves the
    // image list empty and width/height at 0; nothing is reported. A size the
    // remapper would read differently (not plain digits, given twice, a second
    // 'p' line) leaves width and height at 0 and says why in `problem`.
    explicit PtoReader(std::string path);

    int imageCount() const { return static_cast<int>(imagePaths.size()); }
    // Copy of entry i; empty when i is out of range.
    std::string imageFile(int i) const;

    // True when `line` holds a token starting with `key` (a token follows a
    // space, never a tab); the value is the rest of the token, or the text
    // between double quotes right after the key.
    static bool findParam(const std::string& line, const std::string& key, std::string& value);
    // findParam, then the value read as a decimal int; target keeps its value
    // when the text does not begin with an integer.
    static bool readIntParam(const std::string& line, const std::string& key, int& target);

    int width = 0;
    int height = 0;
    std::string dir;  // absolute folder of the project file followed by "/"
    std::vector<std::string> imagePaths;
    std::string problem;  // "file:line: what is wrong with the panorama size", or empty
    // SHA-256 of the image lines as written (line ends aside), in hex: changes
    // whenever a camera's calibration, image or place in the list does.
    std::string imageLinesDigest;
};
