#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <sstream>
#include <tiffio.hxx>
#include <vector>

#include "LoaderReads.h"
#include "TiffWriter.h"
#include "ToolRunner.h"
#include "remap/RemapperTiff.h"

namespace fs = std::filesystem;

// The loader turns the stored position back into pixels by single-precision
// multiplication and truncation; every offset a layer can have must survive
// the trip through the TIFF file (float -> rational -> float). In memory, so
// libtiff's real encoding and decoding runs 65536 times without the disk.
TEST(TiffOutput, EveryPanoramaOffsetSurvivesTheLoaderArithmetic) {
    const cv::Mat pixel(1, 1, CV_8UC4, cv::Scalar(1, 2, 3, 255));
    std::string error;
    int failures = 0;
    for (int offset = 0; offset <= 65535 && failures < 5; ++offset) {
        const int other = 65535 - offset;
        std::stringstream file;
        TIFF* out = TIFFStreamOpen("memory", static_cast<std::ostream*>(&file));
        ASSERT_NE(out, nullptr);
        ASSERT_TRUE(nona2::writeLayer(out, "memory", pixel, offset, other, COMPRESSION_NONE, error))
            << error;
        TIFFClose(out);
        TIFF* in = TIFFStreamOpen("memory", static_cast<std::istream*>(&file));
        ASSERT_NE(in, nullptr);
        float x = -1, y = -1, res = 0;
        ASSERT_TRUE(TIFFGetField(in, TIFFTAG_XPOSITION, &x) &&
                    TIFFGetField(in, TIFFTAG_YPOSITION, &y) &&
                    TIFFGetField(in, TIFFTAG_XRESOLUTION, &res));
        TIFFClose(in);
        const int loaderX = static_cast<int>(x * 150.0f);
        const int loaderY = static_cast<int>(y * 150.0f);
        if (loaderX != offset || loaderY != other || std::lround(double(x) * res) != offset) {
            ADD_FAILURE() << "offset " << offset << "/" << other << " read back as " << loaderX
                          << "/" << loaderY;
            ++failures;
        }
    }
}

// The remapper's files read back as the loader (both ways) and OpenCV see them.
TEST(TiffOutput, LayerAndMapsRoundTrip) {
    const fs::path dir = toolrun::freshDir("roundtrip");
    // A layer as the remapper writes it: opaque colours, and transparent
    // black where the camera does not reach.
    cv::Mat layer(37, 53, CV_8UC4);
    cv::randu(layer, cv::Scalar::all(0), cv::Scalar::all(256));
    for (int y = 0; y < layer.rows; ++y) {
        for (int x = 0; x < layer.cols; ++x) {
            cv::Vec4b& px = layer.at<cv::Vec4b>(y, x);
            px = (x + y) % 5 == 0 ? cv::Vec4b(0, 0, 0, 0) : cv::Vec4b(px[0], px[1], px[2], 255);
        }
    }
    cv::Mat map(1500, 700, CV_32FC1);  // several strips, the last one short
    cv::randu(map, cv::Scalar(-1), cv::Scalar(4000));
    // As in a remapped map: long runs of -1 and smooth stretches beside noise,
    // so the LZW table fills and starts over in every kind of content.
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < 500; ++x) map.at<float>(y, x) = x < 300 ? -1.0f : 0.37f * x + 1.3f * y;
    map.at<float>(0, 0) = -1.0f;
    map.at<float>(1499, 699) = 1919.0625f;

    for (const char* compression : {"LZW", "NONE", "DEFLATE", "PACKBITS"}) {
        SCOPED_TRACE(compression);
        const int code = nona2::compressionCode(compression);
        ASSERT_GE(code, 0);
        std::string error;
        const std::string layerPath = (dir / "pic0007.tif").string();
        const std::string mapPath = (dir / "pic0007_x.tif").string();
        ASSERT_TRUE(nona2::writeLayerTiff(layerPath, layer, 1234, 567, code, error)) << error;
        ASSERT_TRUE(nona2::writeMapTiff(mapPath, map, code, error)) << error;

        const cv::Mat back = cv::imread(layerPath, cv::IMREAD_UNCHANGED);
        ASSERT_EQ(back.type(), CV_8UC4);
        EXPECT_EQ(cv::norm(back, layer, cv::NORM_INF), 0.0);
        EXPECT_EQ(loaderOffset(layerPath), cv::Point(1234, 567));
        // The loader refuses anything but striped single 32-bit float samples.
        const MapTiff mapBack = readMapTiff(mapPath);
        ASSERT_TRUE(mapBack.ok()) << mapBack.error;
        ASSERT_EQ(mapBack.map.size(), map.size());
        EXPECT_EQ(cv::norm(mapBack.map, map, cv::NORM_INF), 0.0);

        // The loader's own LZW reading gives the same bytes; other
        // compressions are left to libtiff.
        const bool lzw = code == COMPRESSION_LZW;
        const cv::Mat fastLayer = readRemapperLayer(layerPath);
        EXPECT_EQ(fastLayer.empty(), !lzw);
        if (lzw) {
            EXPECT_EQ(cv::norm(fastLayer, layer, cv::NORM_INF), 0.0);
        }
        TIFF* x = TIFFOpen(mapPath.c_str(), "r");
        TIFF* y = TIFFOpen(mapPath.c_str(), "r");
        cv::Mat both;
        EXPECT_EQ(readRemapperMaps(x, y, both), lzw);
        TIFFClose(x);
        TIFFClose(y);
        if (lzw) {
            cv::Mat channels[2];
            cv::split(both, channels);
            EXPECT_EQ(cv::norm(channels[0], map, cv::NORM_INF), 0.0);
            EXPECT_EQ(cv::norm(channels[1], map, cv::NORM_INF), 0.0);
        }
    }
    // Colours under a partial alpha come out scaled by it, as imread has them.
    cv::randu(layer, cv::Scalar::all(0), cv::Scalar::all(256));
    std::string error;
    const std::string path = (dir / "pic0008.tif").string();
    ASSERT_TRUE(nona2::writeLayerTiff(path, layer, 0, 0, COMPRESSION_LZW, error)) << error;
    EXPECT_EQ(
        cv::norm(readRemapperLayer(path), cv::imread(path, cv::IMREAD_UNCHANGED), cv::NORM_INF),
        0.0);
    // A strip cut short anywhere is refused, never read beyond.
    ASSERT_TRUE(nona2::writeMapTiff(path, map, COMPRESSION_LZW, error)) << error;
    std::vector<uint8_t> strip(70000), out(262144 + kLzwSlack);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    const tmsize_t raw =
        TIFFReadRawStrip(tif, 0, strip.data(), static_cast<tmsize_t>(strip.size()));
    const size_t size = static_cast<size_t>(TIFFStripSize(tif));
    TIFFClose(tif);
    ASSERT_GT(raw, 100);
    EXPECT_TRUE(decodeLzwStrip(strip.data(), static_cast<size_t>(raw), out.data(), size));
    for (tmsize_t cut = 0; cut < raw - 8; cut += 7) {
        std::vector<uint8_t> part(strip.begin(), strip.begin() + cut);
        EXPECT_FALSE(decodeLzwStrip(part.data(), part.size(), out.data(), size)) << cut;
    }
    EXPECT_EQ(nona2::compressionCode("JPEG"), -1);
    fs::remove_all(dir);
}
