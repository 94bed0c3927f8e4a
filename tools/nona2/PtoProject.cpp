#include "PtoProject.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "PtoWords.h"
#include "file/AbsoluteName.h"
#include "file/InputFile.h"

extern "C" {
#include <pano13/filter.h>
}

namespace nona2 {
namespace {

// Image variables Hugin writes as numbers, longest names first so that a
// token is matched by its full key ("Eev0" is Eev, never E).
const char* const kNumericImageKeys[] = {"Eev", "TrX", "TrY", "TrZ", "Tpy", "Tpp", "Er", "Eb", "Ra",
                                         "Rb",  "Rc",  "Rd",  "Re",  "Va",  "Vb",  "Vc", "Vd", "Vx",
                                         "Vy",  "Vm",  "w",   "h",   "f",   "v",   "r",  "p",  "y",
                                         "a",   "b",   "c",   "d",   "e",   "g",   "t",  "j"};
// Variables that name a size or a choice and must be whole numbers.
const std::set<std::string> kIntegerKeys = {"w", "h", "f", "j", "Vm"};
// Variables that may be linked to another image's value (written "v=0").
const std::set<std::string> kGeometryKeys = {
    "v",   "y",  "p",  "r",  "a",  "b",  "c",   "d",  "e",  "g",  "t",  "TrX", "TrY", "TrZ", "Tpy",
    "Tpp", "Ra", "Rb", "Rc", "Rd", "Re", "Eev", "Er", "Eb", "Va", "Vb", "Vc",  "Vd",  "Vx",  "Vy"};

// Hugin's lens projection numbers that libpano13 can model, each with the
// panorama projection of the same geometry (whose field-of-view limits apply).
const std::map<int, int> kLensProjections = {{0, 0},  {1, 1},  {2, 3},   {3, 3},  {4, 2},
                                             {8, 14}, {10, 4}, {20, 20}, {21, 15}};
// Orientation angles, in degrees.
const std::set<std::string> kAngleKeys = {"y", "p", "r", "Tpy", "Tpp"};
// Beyond this no real orientation goes (see kMaxAbsValue).
constexpr double kMaxAbsAngle = 1e6;

class LineError {
public:
    LineError(const std::string& file, int line) : file_(file), line_(line) {}
    std::string operator()(const std::string& problem) const {
        return file_ + ":" + std::to_string(line_) + ": " + problem;
    }

private:
    std::string file_;
    int line_;
};

// The widest field of view panorama projection `projection` can show, in
// degrees; 0 when libpano13 does not know the projection.
double maxFieldOfView(int projection, const std::vector<double>& given) {
    pano_projection_features features;
    if (!panoProjectionFeaturesQuery(projection, &features)) return 0;
    double params[PANO_PROJECTION_MAX_PARMS] = {0};
    for (int k = 0; k < features.numberOfParameters && k < PANO_PROJECTION_MAX_PARMS; ++k)
        params[k] = k < static_cast<int>(given.size()) ? given[static_cast<size_t>(k)]
                                                       : features.parm[k].defValue;
    double limits[2] = {0, 0};
    if (!queryFOVLimits(projection, params, limits)) return features.maxHFOV;
    return limits[0];
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return std::string();
    return path.substr(0, slash + 1);
}

struct PendingLink {
    size_t image;
    std::string key;
    int target;
    int line;
};

bool parsePanoLine(const std::string& line, const LineError& err, PanoOptions& pano,
                   std::string& error) {
    std::vector<std::string> words;
    std::string problem;
    if (!splitWords(line, words, problem)) {
        error = err(problem);
        return false;
    }
    bool haveW = false, haveH = false;
    for (const std::string& w : words) {
        const char key = w[0];
        const std::string value = w.substr(1);
        auto bad = [&](const char* what) {
            error = err(std::string("malformed ") + what + " '" + w + "' on the 'p' line");
            return false;
        };
        double num = 0;
        switch (key) {
            case 'w':
                if (haveW) {
                    error = err("width '" + w + "' given twice on the 'p' line");
                    return false;
                }
                if (!parseSide(value, pano.width)) return bad("width");
                haveW = true;
                break;
            case 'h':
                if (haveH) {
                    error = err("height '" + w + "' given twice on the 'p' line");
                    return false;
                }
                if (!parseSide(value, pano.height)) return bad("height");
                haveH = true;
                break;
            case 'f':
                if (!parseInt(value, pano.projection)) return bad("projection");
                break;
            case 'v':
                if (!parseNumber(value, pano.hfov)) return bad("field of view");
                break;
            case 'E':
            case 'R':
                if (!parseNumber(value, num)) return bad("number");
                break;
            case 'S':
                if (!parseRect(value, pano.cropLeft, pano.cropRight, pano.cropTop, pano.cropBottom))
                    return bad("crop");
                pano.hasCrop = true;
                break;
            case 'P': {
                std::stringstream ss(unquote(value));
                std::string part;
                pano.projectionParams.clear();
                while (ss >> part) {
                    if (!parseNumber(part, num)) return bad("projection parameter");
                    pano.projectionParams.push_back(num);
                }
                break;
            }
            case 'n': {
                std::stringstream ss(unquote(value));
                std::string part;
                bool first = true;
                while (ss >> part) {
                    if (first)
                        pano.fileFormat = part;
                    else if (part == "r:CROP")
                        pano.cropLayers = true;
                    else if (part.rfind("c:", 0) == 0)
                        pano.compression = part.substr(2);
                    first = false;
                }
                break;
            }
            default:
                break;  // k, b, d, T and Hugin's other output settings do not affect geometry
        }
    }
    if (!haveW || !haveH || pano.width <= 0 || pano.height <= 0) {
        error = err("the 'p' line needs a positive width w and height h");
        return false;
    }
    if (!(pano.hfov > 0)) {
        error = err("the 'p' line needs a positive field of view v");
        return false;
    }
    // libpano13 loops for ever on a field of view its projection cannot show.
    const double widest = maxFieldOfView(pano.projection, pano.projectionParams);
    if (widest <= 0) {
        error = err("panorama projection f" + std::to_string(pano.projection) +
                    " is not supported by libpano13");
        return false;
    }
    if (pano.hfov > widest) {
        std::ostringstream why;
        why << "panorama field of view v" << pano.hfov << " is more than projection f"
            << pano.projection << " can show (at most " << widest << ")";
        error = err(why.str());
        return false;
    }
    if (pano.hasCrop) {
        if (pano.cropLeft < 0) pano.cropLeft = 0;
        if (pano.cropTop < 0) pano.cropTop = 0;
        if (pano.cropRight > pano.width) pano.cropRight = pano.width;
        if (pano.cropBottom > pano.height) pano.cropBottom = pano.height;
        if (pano.cropLeft >= pano.cropRight || pano.cropTop >= pano.cropBottom) {
            error = err("the panorama crop S is empty");
            return false;
        }
    }
    return true;
}

bool parseImageLine(const std::string& line, const LineError& err, ImageDesc& img,
                    std::vector<PendingLink>& links, size_t index, int lineNo,
                    std::vector<std::string>& warnings, std::string& error) {
    std::vector<std::string> words;
    std::string problem;
    if (!splitWords(line, words, problem)) {
        error = err(problem);
        return false;
    }
    bool haveName = false;
    for (const std::string& w : words) {
        if (w[0] == 'n') {
            img.fileName = unquote(w.substr(1));
            haveName = true;
            continue;
        }
        if (w.rfind("Vf", 0) == 0) continue;  // flat-field file: photometric, not geometry
        if (w[0] == 'S') {
            if (!parseRect(w.substr(1), img.cropLeft, img.cropRight, img.cropTop, img.cropBottom)) {
                error = err("malformed crop '" + w + "' on an 'i' line");
                return false;
            }
            img.hasCropRect = true;
            continue;
        }
        if (w[0] == 'C') {
            warnings.push_back(err("crop '" + w + "' ignored (only S crops are applied)"));
            continue;
        }
        const char* key = nullptr;
        for (const char* k : kNumericImageKeys) {
            if (w.compare(0, std::char_traits<char>::length(k), k) == 0) {
                key = k;
                break;
            }
        }
        if (!key) continue;  // a token of an older or newer format that we do not need
        const std::string name(key);
        const std::string value = w.substr(name.size());
        if (!value.empty() && value[0] == '=') {
            int target = 0;
            if (!kGeometryKeys.count(name) || !parseInt(value.substr(1), target)) {
                error = err("malformed link '" + w + "' on an 'i' line");
                return false;
            }
            links.push_back({index, name, target, lineNo});
            continue;
        }
        double num = 0;
        if (!parseNumber(value, num) || (kIntegerKeys.count(name) && num != std::floor(num))) {
            error = err("malformed number '" + w + "' for '" + name + "' on an 'i' line");
            return false;
        }
        if (name == "w" || name == "h") {
            if (img.vars.count(name)) {
                error = err("repeated '" + w + "' on an 'i' line");
                return false;
            }
            int side = 0;
            if (!parseSide(value, side)) {
                error = err("size '" + w + "' must be a whole number from 1 to " +
                            std::to_string(kMaxSide));
                return false;
            }
        }
        const double limit = kAngleKeys.count(name) ? kMaxAbsAngle : kMaxAbsValue;
        if (std::fabs(num) > limit) {
            error = err("value '" + w + "' is out of range");
            return false;
        }
        img.vars[name] = num;
    }
    if (!haveName || img.fileName.empty()) {
        error = err("the 'i' line has no image name n");
        return false;
    }
    img.width = static_cast<int>(img.var("w"));
    img.height = static_cast<int>(img.var("h"));
    img.projection = static_cast<int>(img.var("f"));
    if (img.width <= 0 || img.height <= 0) {
        error = err("the 'i' line needs a positive width w and height h");
        return false;
    }
    if (!kLensProjections.count(img.projection)) {
        error = err("unsupported lens projection f" + std::to_string(img.projection));
        return false;
    }
    return true;
}

bool parseMaskLine(const std::string& line, const LineError& err, MaskPolygon& mask,
                   std::string& error) {
    std::vector<std::string> words;
    std::string problem;
    if (!splitWords(line, words, problem)) {
        error = err(problem);
        return false;
    }
    bool haveImage = false, havePoints = false;
    for (const std::string& w : words) {
        if (w[0] == 'i') {
            if (!parseInt(w.substr(1), mask.image)) {
                error = err("malformed image number '" + w + "' on a 'k' line");
                return false;
            }
            haveImage = true;
        } else if (w[0] == 't') {
            if (!parseInt(w.substr(1), mask.type) || mask.type < 0 || mask.type > 4) {
                error = err("malformed mask type '" + w + "' on a 'k' line");
                return false;
            }
        } else if (w[0] == 'p') {
            std::stringstream ss(unquote(w.substr(1)));
            std::vector<double> values;
            std::string part;
            double num = 0;
            while (ss >> part) {
                if (!parseNumber(part, num) || std::fabs(num) > kMaxAbsValue) {
                    error = err("malformed mask point '" + part + "' on a 'k' line");
                    return false;
                }
                values.push_back(num);
            }
            if (values.size() % 2 != 0 || values.size() < 6) {
                error = err("a mask needs at least three x y pairs");
                return false;
            }
            for (size_t k = 0; k < values.size(); k += 2)
                mask.points.push_back({values[k], values[k + 1]});
            havePoints = true;
        }
    }
    if (!haveImage || !havePoints) {
        error = err("a 'k' line needs an image i and points p");
        return false;
    }
    return true;
}

}  // namespace

bool parsePto(const std::string& text, const std::string& path, PtoProject& project,
              std::string& error) {
    project = PtoProject();
    project.path = path;
    std::vector<PendingLink> links;
    std::vector<std::pair<MaskPolygon, int>> masks;
    bool havePano = false;

    // A UTF-8 byte-order mark (some editors add one) is not part of the first line.
    const bool bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::stringstream in(bom ? text.substr(3) : text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const LineError err(path, lineNo);
        switch (line[0]) {
            case 'p':
                if (havePano) {
                    error = err("a second 'p' line");
                    return false;
                }
                if (!parsePanoLine(line, err, project.pano, error)) return false;
                havePano = true;
                break;
            case 'i': {
                ImageDesc img;
                img.line = lineNo;
                if (!parseImageLine(line, err, img, links, project.images.size(), lineNo,
                                    project.warnings, error))
                    return false;
                project.images.push_back(img);
                break;
            }
            case 'k': {
                MaskPolygon mask;
                if (!parseMaskLine(line, err, mask, error)) return false;
                masks.push_back({mask, lineNo});
                break;
            }
            default:
                break;  // comments, control points, optimiser and Hugin's own lines
        }
    }
    if (!havePano) {
        error = path + ": no 'p' line (panorama description)";
        return false;
    }

    // Links may point forward or in chains (v=1 where image 1 has v=0).
    for (size_t pass = 0; pass <= links.size(); ++pass) {
        bool progress = false;
        bool pending = false;
        for (PendingLink& link : links) {
            if (link.target < 0) continue;  // resolved
            const LineError err(path, link.line);
            if (link.target >= static_cast<int>(project.images.size())) {
                error = err("link '" + link.key + "=" + std::to_string(link.target) +
                            "' names an image that does not exist");
                return false;
            }
            const ImageDesc& source = project.images[static_cast<size_t>(link.target)];
            auto it = source.vars.find(link.key);
            if (it == source.vars.end()) {
                pending = true;
                continue;
            }
            project.images[link.image].vars[link.key] = it->second;
            link.target = -1;
            progress = true;
        }
        if (!pending) break;
        if (!progress) {
            for (const PendingLink& link : links)
                if (link.target >= 0) {
                    error = LineError(path, link.line)(
                        "link '" + link.key + "=" + std::to_string(link.target) +
                        "' leads to no value (a cycle or a link to a missing value)");
                    return false;
                }
        }
    }

    // Linked values are known only now. libpano13 loops for ever on a field of
    // view the lens cannot have.
    for (const ImageDesc& img : project.images) {
        const double v = img.var("v");
        const double widest = maxFieldOfView(kLensProjections.at(img.projection), {});
        if (!(v > 0) || v > widest) {
            std::ostringstream why;
            why << "image field of view v" << v << " is outside what lens projection f"
                << img.projection << " can have (above 0, at most " << widest << ")";
            error = LineError(path, img.line)(why.str());
            return false;
        }
    }

    const std::string folder = folderOf(path);
    for (ImageDesc& img : project.images)
        img.path = isAbsoluteName(img.fileName) ? img.fileName : folder + img.fileName;

    for (const auto& [mask, maskLine] : masks) {
        if (mask.image < 0 || mask.image >= static_cast<int>(project.images.size())) {
            error = LineError(path, maskLine)("mask for image " + std::to_string(mask.image) +
                                              ", which does not exist");
            return false;
        }
        if (mask.excludes()) {
            project.images[static_cast<size_t>(mask.image)].masks.push_back(mask);
        } else {
            project.warnings.push_back(LineError(
                path, maskLine)("include mask (type " + std::to_string(mask.type) + ") ignored"));
        }
    }
    return true;
}

bool readPtoFile(const std::string& path, PtoProject& project, std::string& error) {
    // A pipe would block the read, a device never end it.
    if (const std::string why = regularFileProblem(path); !why.empty()) {
        error = path + ": cannot read the project file: " + why;
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open the project file";
        return false;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    if (in.bad()) {
        error = path + ": read error";
        return false;
    }
    return parsePto(ss.str(), path, project, error);
}

}  // namespace nona2
