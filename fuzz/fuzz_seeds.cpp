// fuzz_seeds SAMPLES OUT: seed corpora for the harnesses, from the samples:
// OUT/pto (both projects), OUT/image (each sample image at 64 x 36 as JPEG,
// PNG and TIFF, with and without alpha), OUT/map (coordinate maps as nona2
// writes them, in each compression).
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "TiffWriter.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const fs::path samples = argv[1], out = argv[2];
    for (const char* d : {"pto", "image", "map"}) fs::create_directories(out / d);
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
    return 0;
}
