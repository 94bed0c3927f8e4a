#include "tables/TableFile.h"

#include <cstring>
#include <new>

#include "export/BlendPartition.h"
#include "export/DeviceTableLayout.h"
#include "file/InputFile.h"
#include "tables/ByteSource.h"

const TableViolations& TableFile::violations() const {
    static const TableViolations none;
    return device ? device->violations : quickWeave ? quickWeave->violations : none;
}

std::string TableFile::viewProblem() const {
    if (device) return ::viewProblem(*device);
    if (quickWeave) return ::viewProblem(*quickWeave);
    return "the table cannot be read";
}

TableCoverage TableFile::coverage() const {
    if (device) return measureCoverage(*device);
    if (quickWeave) return measureCoverage(*quickWeave);
    return TableCoverage();
}

TableReach TableFile::reach(const std::vector<cv::Size>& frameSizes) const {
    if (device) return measureReach(*device);
    if (quickWeave) return measureReach(*quickWeave, frameSizes);
    return TableReach();
}

DeviceView TableFile::render(const std::vector<cv::Mat>& frames) const {
    if (device) return renderDeviceView(*device, frames);
    if (quickWeave) return renderDeviceView(*quickWeave, frames);
    return DeviceView();
}

namespace {

// Why a file that is no device table ("J01") is no QuickWeave project either,
// from its first 12 bytes; empty when it may be one (a file too short to tell
// is left to the readers). A QuickWeave file starts with its camera count and
// panorama size; a file whose first bytes give no believable ones would be read
// as a project of absurd size, so it is better to say what it seems to be.
std::string notATable(ByteSource& source) {
    std::vector<uint8_t> buffer;
    const ByteView in = source.view(0, 12, buffer);
    if (in.size() < 12 ||
        std::memcmp(in.data(), device_table::kMagic, device_table::kMagicBytes) == 0)
        return std::string();
    const int32_t n = in.i32(0), w = in.i32(4), h = in.i32(8);
    if (n >= 1 && n <= kMaxBlendCameras && w > 0 && h > 0) return std::string();
    static const struct {
        const char* magic;
        size_t length;
        const char* kind;
    } known[] = {{"\xFF\xD8\xFF", 3, "a JPEG image"}, {"\x89PNG", 4, "a PNG image"},
                 {"II*\0", 4, "a TIFF file"},         {"MM\0*", 4, "a TIFF file"},
                 {"GIF8", 4, "a GIF image"},          {"BM", 2, "a BMP image"},
                 {"%PDF", 4, "a PDF document"},       {"PK\3\4", 4, "a ZIP archive"},
                 {"\x1F\x8B", 2, "a gzip archive"},   {"{", 1, "a JSON file"},
                 {"p ", 2, "a PTO project"},          {"# ", 2, "a text file"}};
    for (const auto& k : known)
        if (std::memcmp(in.data(), k.magic, k.length) == 0)
            return std::string("it looks like ") + k.kind;
    return "its first bytes are neither the \"J01\" of a device table nor the camera count "
           "and panorama size of a QuickWeave project (they would say " +
           std::to_string(n) + " cameras, " + std::to_string(w) + " x " + std::to_string(h) + ")";
}

}  // namespace

TableFile readTableFile(const std::string& path) {
    TableFile t;
    t.path = path;
    const std::string name = shortenedName(path);
    // A pipe or a device would block the read or never end it.
    if (const std::string why = regularFileProblem(path); !why.empty()) {
        t.error = "cannot read " + name + ": " + why;
        return t;
    }
    FileSource source(path);
    if (!source.isOpen()) {
        t.error = "cannot open " + name + ": " + source.error();
        return t;
    }
    try {
        if (const std::string why = notATable(source); !why.empty()) {
            t.error = name + " is not a table file: " + why;
            return t;
        }
        t.format = detectTableFormat(path, source);
        if (t.format == TableFormat::QuickWeave)
            t.quickWeave = std::make_unique<QuickWeaveTable>(readQuickWeaveTable(source));
        else
            t.device = std::make_unique<DeviceTable>(readDeviceTable(source, t.format));
    } catch (const std::bad_alloc&) {
        t.error =
            "not enough memory to read " + name + " (" + std::to_string(source.size()) + " bytes)";
    }
    if (t.error.empty() && !source.error().empty())
        t.error = "cannot read " + name + ": " + source.error();
    if (!t.error.empty()) {
        t.device.reset();
        t.quickWeave.reset();
    }
    return t;
}
