// fuzz_seeds SAMPLES OUT: seed corpora for the harnesses, from the samples:
// OUT/pto (both projects), OUT/image (each sample image at 64 x 36 as JPEG,
// PNG and TIFF, with and without alpha), OUT/map (coordinate maps as nona2
// writes them, in each compression); and from a small rig made in memory:
// OUT/table (its three tables, and headers that claim far more than they
// hold), OUT/settings (its settings file).
#include <QString>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <string>

#include "ClaimedDeviceHeader.h"
#include "SyntheticCamera.h"
#include "TiffWriter.h"
#include "export/Camera2KExport.h"
#include "export/Camera4KExport.h"
#include "export/QuickWeaveExport.h"
#include "project/RigSettings.h"
#include "system/Reporter.h"

namespace fs = std::filesystem;

namespace {

class Quiet : public Reporter {
public:
    void text(std::string_view) override {}
};

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Two overlapping cameras of a 96 x 32 panorama, each reading one source
// block: a record per camera, tables small enough to mutate quickly.
void writeTableSeeds(const fs::path& out) {
    Quiet quiet;
    ScopedReporter scoped(quiet);
    Project project;
    const std::string folder = (out / "table").string() + "/";
    testsupport::setRig(
        project, 96, 32,
        {testsupport::cameraSpec(
             64, 32, 0, 0, [](int c, int r) { return cv::Vec2f(1.5f * c + 1, 2.0f * r + 1); }),
         testsupport::cameraSpec(
             48, 32, 48, 0, [](int c, int r) { return cv::Vec2f(2.0f * c + 3, 3.0f * r + 2); },
             128)},
        folder);
    exportCamera2K(project);
    exportCamera4K(project);
    exportQuickWeave(project);
    RigSettings::capture(project).write(QString::fromStdString((out / "settings").string()) +
                                        "/rig.orvik.json");
    // Headers that promise a 32767 x 32767 panorama, 16 cameras of 8192 x 8192.
    writeBytes(out / "table" / "claims_2K.tab", testsupport::claimedDeviceHeader(32767, 32767));
    std::string quickWeave(76, '\0');
    quickWeave[0] = 16;
    quickWeave[5] = quickWeave[9] = 0x20;
    for (int c = 0; c < 16; ++c) quickWeave[12 + 4 * c] = static_cast<char>(c);
    writeBytes(out / "table" / "claims_qw.tab", quickWeave);
    // The rig's own sections in a panorama of a million columns they hardly
    // touch: what is computed must follow the sections, not the claim.
    std::ifstream in(out / "table" / kQuickWeaveFileName, std::ios::binary);
    std::string wide((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (wide.size() > 12) wide[6] = 0x10;  // W = 96 + 2^20
    writeBytes(out / "table" / "wide_qw.tab", wide);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const fs::path samples = argv[1], out = argv[2];
    for (const char* d : {"pto", "image", "map", "table", "settings"})
        fs::create_directories(out / d);
    int n = 0;
    for (const auto& e : fs::recursive_directory_iterator(samples)) {
        const fs::path p = e.path();
        if (p.extension() == ".pto")
            fs::copy_file(p, out / "pto" / p.filename(), fs::copy_options::overwrite_existing);
        if (p.extension() != ".jpg") continue;
        cv::Mat small, alpha;
        cv::resize(cv::imread(p.string()), small, cv::Size(64, 36), 0, 0, cv::INTER_AREA);
        cv::cvtColor(small, alpha, cv::COLOR_BGR2BGRA);
        const std::string base = (out / "image" / std::to_string(n++)).string();
        cv::imwrite(base + ".jpg", small);
        cv::imwrite(base + ".png", small);
        cv::imwrite(base + "a.png", alpha);
        cv::imwrite(base + ".tif", small);
        cv::imwrite(base + "a.tif", alpha);
    }
    cv::Mat map(20, 30, CV_32FC1);
    for (int y = 0; y < map.rows; ++y)
        for (int x = 0; x < map.cols; ++x) map.at<float>(y, x) = x * 1.5f - y;
    std::string error;
    for (const char* c : {"NONE", "LZW", "DEFLATE", "PACKBITS"})
        nona2::writeMapTiff((out / "map" / (std::string(c) + ".tif")).string(), map,
                            nona2::compressionCode(c), error);
    writeTableSeeds(out);
    return 0;
}
