// Reading one camera's remapper outputs.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fstream>
#include <opencv2/imgcodecs.hpp>

#include "RecordingReporter.h"
#include "TiffFixtures.h"
#include "project/Camara.h"
#include "remap/CameraInputs.h"
#include "remap/ImageSize.h"

namespace {

std::vector<BoundaryEdge> edges(std::initializer_list<BoundaryEdge> list) {
    return list;
}

cv::Mat rampMap(int w, int h, float base) {
    cv::Mat m(h, w, CV_32FC1);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) m.at<float>(r, c) = base + r * 1000.0f + c + 0.25f;
    return m;
}

bool sameFloats(const cv::Mat& a, const cv::Mat& b) {
    return a.size() == b.size() && a.type() == b.type() &&
           std::memcmp(a.data, b.data, a.total() * a.elemSize()) == 0;
}

class Files : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }
};

}  // namespace

TEST(ScanRawBoundary, TransitionsOfTheMiddleRow) {
    // Only the middle row counts: the other rows here are all valid.
    auto scan = [](std::initializer_list<std::pair<int, int>> runs) {
        cv::Mat img = rowsValidIn(400, 5, runs);
        img.row(0).setTo(cv::Scalar::all(255));
        img.row(4).setTo(cv::Scalar::all(255));
        return scanRawBoundary(img);
    };
    EXPECT_EQ(scan({{0, 99}}), edges({{0, 1}, {100, 0}}));
    EXPECT_EQ(scan({{300, 399}}), edges({{300, 1}, {399, 0}}));
    EXPECT_EQ(scan({{50, 149}}), edges({{50, 1}, {150, 0}}));
    EXPECT_TRUE(scan({{0, 399}}).empty());
    EXPECT_TRUE(scan({}).empty());
    EXPECT_EQ(scan({{10, 19}, {30, 39}}), edges({{10, 1}, {20, 0}, {30, 1}, {40, 0}}));
    EXPECT_EQ(scan({{0, 9}, {30, 39}}), edges({{10, 0}, {30, 1}, {40, 0}}));
    // A run wrapping around the border: end first, then start.
    EXPECT_EQ(scan({{0, 99}, {300, 399}}), edges({{100, 0}, {300, 1}}));
    // A start on the last column is recorded as column 0.
    EXPECT_EQ(scan({{399, 399}}), edges({{0, 1}, {399, 0}}));
    EXPECT_TRUE(scanRawBoundary(cv::Mat()).empty());
    EXPECT_TRUE(scanRawBoundary(cv::Mat(5, 5, CV_8UC3, cv::Scalar::all(0))).empty());
}

TEST_F(Files, WrongMapFilesAreRefusedWithTheirName) {
    const cv::Mat values = rampMap(40, 20, 0.0f);
    auto expectRefused = [this](const char* name, const char* why) {
        const MapTiff read = readMapTiff(path(name));
        EXPECT_FALSE(read.ok()) << name;
        EXPECT_TRUE(read.map.empty()) << name;
        EXPECT_NE(read.error.find(path(name)), std::string::npos) << read.error;
        EXPECT_NE(read.error.find(why), std::string::npos) << read.error;
    };
    struct Wrong {
        const char* name;
        MapTiffLayout layout;
        const char* why;
    };
    Wrong wrong[] = {{"16bit.tif", {}, "16 bits"},
                     {"rgb.tif", {}, "3 samples"},
                     {"uint.tif", {}, "float"},
                     {"tiled.tif", {}, "tiled"},
                     {"partial.tif", {}, "partial.tif"}};
    wrong[0].layout.bitsPerSample = 16;
    wrong[0].layout.sampleFormat = 1;
    wrong[1].layout.samplesPerPixel = 3;
    wrong[2].layout.sampleFormat = 1;
    wrong[3].layout.tiled = true;
    // Strips missing at the end: the data cannot cover the image.
    wrong[4].layout.rowsPerStrip = 4;
    wrong[4].layout.stripsWritten = 2;
    for (const Wrong& w : wrong) {
        ASSERT_TRUE(writeMapTiff(path(w.name), values, w.layout)) << w.name;
        expectRefused(w.name, w.why);
    }
    expectRefused("missing.tif", "cannot be opened");

    // Truncated in the middle of the strip data: refused, never over-read.
    MapTiffLayout strips;
    strips.rowsPerStrip = 4;
    ASSERT_TRUE(writeMapTiff(path("cut.tif"), values, strips));
    QFile cut(QString::fromStdString(path("cut.tif")));
    ASSERT_TRUE(cut.open(QIODevice::ReadWrite));
    // Strip data follows the 8-byte header; keep about half of it.
    ASSERT_TRUE(cut.resize(8 + 40 * 20 * 2));
    cut.close();
    const MapTiff read = readMapTiff(path("cut.tif"));
    EXPECT_FALSE(read.ok());
    EXPECT_TRUE(read.map.empty());
}

TEST_F(Files, CameraInputsFromRemapperFiles) {
    Camara cam;
    cam.sourcePath = path("src.png");
    cam.imagePath = path("pic0000.tif");
    cam.mapXPath = path("pic0000_x.tif");
    cam.mapYPath = path("pic0000_y.tif");
    ASSERT_TRUE(cv::imwrite(cam.sourcePath, cv::Mat(48, 64, CV_8UC3, cv::Scalar(1, 2, 3))));
    const cv::Mat image = rowsValidIn(30, 12, {{5, 24}});
    ASSERT_TRUE(writeImageTiff(cam.imagePath, image, 2.0f, 0.0f));
    const cv::Mat mx = rampMap(30, 12, 0.0f), my = rampMap(30, 12, 50000.0f);
    MapTiffLayout shortLastStrip;  // rows 0-4, 5-9, 10-11
    shortLastStrip.rowsPerStrip = 5;
    ASSERT_TRUE(writeMapTiff(cam.mapXPath, mx, shortLastStrip));
    ASSERT_TRUE(writeMapTiff(cam.mapYPath, my));

    // (Offsets, sizes and boundaries: the remapper run test.) The merged map
    // holds the floats exactly as read.
    loadCameraInputs(cam, 3);
    ASSERT_EQ(cam.coordMap.type(), CV_32FC2);
    std::vector<cv::Mat> channels;
    cv::split(cam.coordMap, channels);
    EXPECT_TRUE(sameFloats(channels[0], mx) && sameFloats(channels[1], my));
    // Merged, the single maps are not held twice.
    EXPECT_TRUE(cam.mapX.empty() && cam.mapY.empty());

    // Only one map readable: coordMap empty, the readable map kept.
    QFile::remove(QString::fromStdString(cam.mapYPath));
    loadCameraInputs(cam, 3);
    EXPECT_TRUE(!cam.mapX.empty() && cam.mapY.empty() && cam.coordMap.empty());

    // Maps of another size than the image: coordMap empty.
    ASSERT_TRUE(writeMapTiff(cam.mapYPath, rampMap(30, 12, 0.0f)));
    ASSERT_TRUE(writeMapTiff(cam.mapXPath, rampMap(31, 12, 0.0f)));
    loadCameraInputs(cam, 3);
    EXPECT_TRUE(cam.coordMap.empty());

    // Nothing readable: nothing of the earlier load survives.
    cam.displayImage = image.clone();
    cam.imgBdy = {{1, 1}, {2, 0}};
    cam.sourcePath = cam.imagePath = cam.mapXPath = cam.mapYPath = path("none");
    loadCameraInputs(cam, 3);
    EXPECT_TRUE(cam.image.empty() && cam.sourceSize.empty() && cam.displayImage.empty());
    EXPECT_TRUE(cam.mapX.empty() && cam.mapY.empty() && cam.coordMap.empty());
    EXPECT_TRUE(cam.rawBdy.empty() && cam.imgBdy.empty());
    EXPECT_EQ(cam.offsetX, 0);

    // A 69-byte source whose header claims 65535 x 65535: without a layer
    // (the remapper refused it) it is not read; with one, its size is refused
    // with a message, nothing decoded.
    const char bomb[] =
        "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\xff\xff\0\0\xff\xff\x08\x02\0\0\0\x39gN\x07\0\0\0"
        "\x0cIDATx\x9c\x63```\0\0\0\x04\0\x01\xf6\x17\x38U\0\0\0\0IEND\xae\x42\x60\x82";
    std::ofstream(path("bomb.png"), std::ios::binary).write(bomb, sizeof bomb - 1);
    cam.sourcePath = path("bomb.png");
    testsupport::RecordingReporter console;
    loadCameraInputs(cam, 3);
    EXPECT_NE(console.take().find("camera 3: the remapper wrote none of its files"),
              std::string::npos);
    cam.imagePath = path("pic0000.tif");
    loadCameraInputs(cam, 3);
    EXPECT_TRUE(cam.sourceSize.empty());
    EXPECT_NE(console.take().find("bomb.png: source image cannot be read: its header claims 65535 "
                                  "x 65535 pixels"),
              std::string::npos);
}

// A source image's size comes from its header where the format has one, and
// is the size imread gives; a file that is no image has none.
TEST_F(Files, SourceImageSizesAsImreadGivesThem) {
    cv::Mat colour(37, 61, CV_8UC3, cv::Scalar(10, 200, 30)), grey(50, 20, CV_8UC1, cv::Scalar(7));
    cv::Mat bgra(9, 1000, CV_8UC4, cv::Scalar(1, 2, 3, 4));
    ASSERT_TRUE(cv::imwrite(path("a.jpg"), colour));
    ASSERT_TRUE(cv::imwrite(path("p.jpg"), grey, {cv::IMWRITE_JPEG_PROGRESSIVE, 1}));
    ASSERT_TRUE(cv::imwrite(path("a.png"), bgra));
    ASSERT_TRUE(cv::imwrite(path("a.tif"), grey));
    ASSERT_TRUE(cv::imwrite(path("a.bmp"), colour));
    // Segments and fill bytes before the frame header are stepped over.
    QFile jpeg(QString::fromStdString(path("a.jpg")));
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    const QByteArray plain = jpeg.readAll();
    const QByteArray padded = plain.left(2) + QByteArray::fromHex("ffe1000645786966ffff") +
                              QByteArray(300, 'x').prepend(QByteArray::fromHex("ffec012e")) +
                              plain.mid(2);
    QFile out(QString::fromStdString(path("b.jpg")));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(padded);
    out.close();
    for (const char* name : {"a.jpg", "p.jpg", "a.png", "a.tif", "a.bmp", "b.jpg"}) {
        const cv::Size expected = cv::imread(path(name), cv::IMREAD_UNCHANGED).size();
        EXPECT_FALSE(expected.empty()) << name;
        EXPECT_EQ(imageFileSize(path(name)), expected) << name;
    }
    // Only the header is read: a frame cut short still has its size here (the
    // remapper, which decodes it, reports it).
    for (const char* name : {"a.jpg", "a.png"}) {
        QFile whole(QString::fromStdString(path(name)));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        QFile cut(QString::fromStdString(path(name)).replace("a.", "cut."));
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(name[2] == 'j' ? 700 : 40));
        cut.close();
        EXPECT_EQ(imageFileSize(cut.fileName().toStdString()),
                  name[2] == 'j' ? colour.size() : bgra.size());
    }
    QFile text(QString::fromStdString(path("t.jpg")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not an image");
    text.close();
    EXPECT_TRUE(imageFileSize(path("t.jpg")).empty());
    EXPECT_TRUE(imageFileSize(path("missing.png")).empty());
}
