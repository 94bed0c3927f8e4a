#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <vector>

#include "LoaderReads.h"
#include "TiffWriter.h"
#include "ToolRunner.h"

namespace fs = std::filesystem;

namespace {

// A TIFF file in memory, so the round trip below can go through libtiff's
// real encoding and decoding 65536 times without touching the disk.
class MemoryTiff {
public:
    TIFF* open(const char* mode) {
        pos_ = 0;
        return TIFFClientOpen("memory.tif", mode, this, &MemoryTiff::read, &MemoryTiff::write,
                              &MemoryTiff::seek, &MemoryTiff::close, &MemoryTiff::size,
                              &MemoryTiff::map, &MemoryTiff::unmap);
    }
    void clear() { data_.clear(); }

private:
    static MemoryTiff* self(thandle_t h) { return static_cast<MemoryTiff*>(h); }
    static tmsize_t read(thandle_t h, void* buf, tmsize_t n) {
        MemoryTiff* m = self(h);
        const size_t avail = m->pos_ < m->data_.size() ? m->data_.size() - m->pos_ : 0;
        const size_t k = std::min(avail, static_cast<size_t>(n));
        std::memcpy(buf, m->data_.data() + m->pos_, k);
        m->pos_ += k;
        return static_cast<tmsize_t>(k);
    }
    static tmsize_t write(thandle_t h, void* buf, tmsize_t n) {
        MemoryTiff* m = self(h);
        if (m->pos_ + static_cast<size_t>(n) > m->data_.size())
            m->data_.resize(m->pos_ + static_cast<size_t>(n));
        std::memcpy(m->data_.data() + m->pos_, buf, static_cast<size_t>(n));
        m->pos_ += static_cast<size_t>(n);
        return n;
    }
    static toff_t seek(thandle_t h, toff_t off, int whence) {
        MemoryTiff* m = self(h);
        if (whence == SEEK_SET) m->pos_ = off;
        if (whence == SEEK_CUR) m->pos_ += off;
        if (whence == SEEK_END) m->pos_ = m->data_.size() + off;
        return m->pos_;
    }
    static int close(thandle_t) { return 0; }
    static toff_t size(thandle_t h) { return self(h)->data_.size(); }
    static int map(thandle_t, void**, toff_t*) { return 0; }
    static void unmap(thandle_t, void*, toff_t) {}

    std::vector<uint8_t> data_;
    size_t pos_ = 0;
};

}  // namespace

// The loader turns the stored position back into pixels by single-precision
// multiplication and truncation; every offset a layer can have must survive
// the trip through the TIFF file (float -> rational -> float).
TEST(TiffOutput, EveryPanoramaOffsetSurvivesTheLoaderArithmetic) {
    const cv::Mat pixel(1, 1, CV_8UC4, cv::Scalar(1, 2, 3, 255));
    MemoryTiff file;
    std::string error;
    int failures = 0;
    for (int offset = 0; offset <= 65535 && failures < 5; ++offset) {
        const int other = 65535 - offset;
        file.clear();
        TIFF* out = file.open("w");
        ASSERT_NE(out, nullptr);
        ASSERT_TRUE(nona2::writeLayer(out, "memory", pixel, offset, other, COMPRESSION_NONE, error))
            << error;
        TIFFClose(out);
        TIFF* in = file.open("r");
        ASSERT_NE(in, nullptr);
        float x = -1, y = -1, res = 0;
        ASSERT_TRUE(TIFFGetField(in, TIFFTAG_XPOSITION, &x));
        ASSERT_TRUE(TIFFGetField(in, TIFFTAG_YPOSITION, &y));
        ASSERT_TRUE(TIFFGetField(in, TIFFTAG_XRESOLUTION, &res));
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

// The remapper's files read back as the loader and OpenCV see them.
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
    }
    EXPECT_EQ(nona2::compressionCode("JPEG"), -1);
    fs::remove_all(dir);
}
