#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>

#include <algorithm>
#include <opencv2/imgcodecs.hpp>
#include <vector>

#include "LoaderReads.h"
#include "ToolRunner.h"

using namespace toolrun;

namespace {

const std::string kProject =
    "p f2 w400 h200 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n"
    "i w160 h120 f0 v90 r0 p0 y0 TrX0 TrY0 TrZ0 Tpy0 Tpp0 a0 b0 c0 d0 e0 g0 t0 Eev0 n\"a.png\"\n"
    "i w160 h120 f0 v=0 r0 p0 y120 TrX0 TrY0 TrZ0 Tpy0 Tpp0 a0 b0 c0 d0 e0 g0 t0 Eev0 "
    "n\"missing.png\"\n";

const std::string kRemap = " -c -z LZW -r ldr -m TIFF_m -o pic ";

// Every run ends by itself and stays small (the sanitizers need their own
// address space, so there the time limit alone applies).
#ifdef __SANITIZE_ADDRESS__
const std::string kLimits = "timeout 120 ";
#else
const std::string kLimits = "ulimit -v 2000000; timeout 120 ";
#endif

std::vector<std::string> filesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(Nona2CommandLine, WritesTheThreeFilesTheLoaderOpens) {
    const fs::path dir = freshDir("cli_ok");
    writeText(dir / "rig.pto", kProject);
    cv::imwrite((dir / "a.png").string(), cv::Mat(120, 160, CV_8UC3, cv::Scalar(10, 200, 30)));
    const fs::path work = dir / "tiff";
    fs::create_directories(work);

    const Result r = run(work, bin("nona2") + kRemap + "-i 0 ../rig.pto");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(filesIn(work),
              (std::vector<std::string>{"pic0000.tif", "pic0000_x.tif", "pic0000_y.tif"}));
    // Where the layer lies is the nona comparison's; here that the loader reads it.
    const cv::Mat layer = cv::imread((work / "pic0000.tif").string(), cv::IMREAD_UNCHANGED);
    ASSERT_EQ(layer.type(), CV_8UC4);
    EXPECT_EQ(readMapTiff((work / "pic0000_y.tif").string()).map.size(), layer.size());
    const cv::Point pos = loaderOffset((work / "pic0000.tif").string());
    EXPECT_EQ(layer.at<cv::Vec4b>(100 - pos.y, 200 - pos.x), cv::Vec4b(10, 200, 30, 255));

    // The plan names the layer the run writes, for the image that is not there too.
    const Result plan = run(work, bin("nona2") + kRemap + "--plan ../rig.pto");
    ASSERT_EQ(plan.exitCode, 0) << plan.output;
    EXPECT_NE(plan.output.find("image 0: layer " + std::to_string(layer.cols) + "x" +
                               std::to_string(layer.rows) + " at " + std::to_string(pos.x) + "," +
                               std::to_string(pos.y) + ", needs "),
              std::string::npos)
        << plan.output;
    EXPECT_NE(plan.output.find("image 1: layer "), std::string::npos) << plan.output;
    EXPECT_EQ(filesIn(work).size(), 3u);

    // Image index 12 gives the name the loader builds for camera 12.
    std::string twelve = kProject;
    for (int k = 0; k < 11; ++k)
        twelve += "i w160 h120 f0 v90 r0 p0 y" + std::to_string(10 * k) + " n\"a.png\"\n";
    writeText(dir / "rig12.pto", twelve);
    const Result r12 = run(work, kLimits + bin("nona2") + kRemap + "-t 1000000 -i 12 ../rig12.pto");
    ASSERT_EQ(r12.exitCode, 0) << r12.output;
    EXPECT_TRUE(fs::exists(work / "pic00012.tif"));
    EXPECT_TRUE(fs::exists(work / "pic00012_x.tif"));
    EXPECT_TRUE(fs::exists(work / "pic00012_y.tif"));
    fs::remove_all(dir);
}

TEST(Nona2CommandLine, BadInputFailsWithAMessageAndLeavesNoFiles) {
    const fs::path dir = freshDir("cli_bad");
    writeText(dir / "rig.pto", kProject);
    writeText(dir / "broken.pto", "p f2 w400 h200 v360 n\"TIFF_m\"\ni w160 h12x0 f0 n\"a.png\"\n");
    cv::imwrite((dir / "a.png").string(), cv::Mat(120, 160, CV_8UC3, cv::Scalar(1, 2, 3)));
    writeText(dir / "small.pto",
              "p f2 w400 h200 v360 n\"TIFF_m r:CROP\"\ni w320 h240 f0 v90 n\"a.png\"\n");
    // A few hundred bytes whose header claims 40000 x 40000 pixels.
    TIFF* bomb = TIFFOpen((dir / "bomb.tif").string().c_str(), "w");
    TIFFSetField(bomb, TIFFTAG_IMAGEWIDTH, 40000);
    TIFFSetField(bomb, TIFFTAG_IMAGELENGTH, 40000);
    TIFFSetField(bomb, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(bomb, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(bomb, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(bomb, TIFFTAG_ROWSPERSTRIP, 40000);
    TIFFWriteRawStrip(bomb, 0, const_cast<char*>("0123456789"), 10);
    TIFFClose(bomb);
    // Projects that used to hang, allocate without bound or convert out of range.
    const std::string img = "i w160 h120 f0 v90 r0 p0 y0 n\"a.png\"\n";
    const std::pair<const char*, std::string> hostile[] = {
        {"norect", "p f0 w400 h200 n\"TIFF_m\"\n" + img},
        {"hugev", "p f2 w400 h200 v1e50 n\"TIFF_m\"\n" + img},
        {"f9", "p f9 w400 h200 v712 n\"TIFF_m\"\n" + img},
        {"yaw", "p f2 w400 h200 v360 n\"TIFF_m\"\ni w160 h120 f0 v90 y1e12 n\"a.png\"\n"},
        {"lens", "p f2 w400 h200 v360 n\"TIFF_m\"\ni w160 h120 f0 v200 n\"a.png\"\n"},
        {"width", "p f2 w400 h200 v360 n\"TIFF_m\"\ni w1e36 h120 f0 v90 n\"a.png\"\n"},
        {"f", "p f2 w400 h200 v360 n\"TIFF_m\"\ni w160 h120 f-1e300 v90 n\"a.png\"\n"},
        {"mask", "p f2 w400 h200 v360 n\"TIFF_m\"\n" + img + "k i0 t0 p\"0 0 3e12 0 9 9\"\n"},
        {"float", "p f2 w9.6e2 h200 v360 n\"TIFF_m\"\n" + img},
        {"twice", "p f2 w1920 h200 w960 v360 n\"TIFF_m\"\n" + img},
        {"bomb", "p f2 w400 h200 v360 n\"TIFF_m\"\ni w160 h120 f0 v90 n\"bomb.tif\"\n"},
        {"fifo", "p f2 w400 h200 v360 n\"TIFF_m\"\ni w160 h120 f0 v90 n\"fifo.jpg\"\n"},
        {"cut", "p f2 w400 h200 v360 n\"TIFF_m\"\ni w160 h120 f0 v90 n\"cut.jpg\"\n"},
        // A layer whose grid alone is far beyond the 2 GB address space the
        // runs get: refused before anything is read.
        {"huge", "p f2 w1000000 h500000 v360 n\"TIFF_m r:CROP\"\n" + img},
    };
    // A pipe would block the read; a JPEG cut short would decode to grey.
    ASSERT_EQ(mkfifo((dir / "fifo.jpg").c_str(), 0600), 0);
    std::vector<uint8_t> jpeg;
    cv::imencode(".jpg", cv::Mat(120, 160, CV_8UC3, cv::Scalar(9, 99, 199)), jpeg);
    jpeg.resize(jpeg.size() / 2);
    writeText(dir / "cut.jpg", std::string(jpeg.begin(), jpeg.end()));
    for (const auto& [name, text] : hostile) writeText(dir / (std::string(name) + ".pto"), text);
    const fs::path work = dir / "tiff";
    fs::create_directories(work);

    struct Case {
        std::string args;
        std::string expect;  // part of the message
    };
    const Case cases[] = {
        {"-i 0 ../nothing.pto", "nothing.pto"},
        {"-i 0 ../broken.pto", "broken.pto:2:"},
        {"-i 2 ../rig.pto", "image 2 does not exist"},
        {"-i 1 ../rig.pto", "missing.png"},
        {"-i 0 ../small.pto", "320x240"},
        {"../norect.pto", "norect.pto:1: panorama field of view v360 is more than projection f0"},
        {"../hugev.pto", "hugev.pto:1: panorama field of view v1e+50"},
        {"../f9.pto", "f9.pto:1: panorama field of view v712"},
        {"../yaw.pto", "yaw.pto:2: value 'y1e12' is out of range"},
        {"../lens.pto", "lens.pto:2: image field of view v200"},
        {"../width.pto", "width.pto:2: size 'w1e36'"},
        {"../f.pto", "f.pto:2: value 'f-1e300' is out of range"},
        {"../mask.pto", "mask.pto:3: malformed mask point '3e12'"},
        {"../float.pto", "float.pto:1: malformed width 'w9.6e2'"},
        {"../twice.pto", "twice.pto:1: width 'w960' given twice"},
        {"../bomb.pto", "bomb.tif: image is 40000x40000 but the project says 160x120"},
        {"../fifo.pto", "fifo.jpg: cannot read the image: it is not a regular file"},
        {"../cut.pto", "cut.jpg: cannot decode JPEG (Premature end of JPEG file)"},
        {"-o no/pic -i 0 ../rig.pto", "cannot create the file (No such file or directory)"},
#ifndef __SANITIZE_ADDRESS__
        {"../huge.pto", "huge.pto: image 0: remapping its 261111 x 216667 layer needs "},
#endif
    };
    for (const Case& c : cases) {
        const Result r = run(work, kLimits + bin("nona2") + kRemap + c.args);
        EXPECT_NE(r.exitCode, 0) << c.args;
        EXPECT_NE(r.output.find(c.expect), std::string::npos) << c.args << ": " << r.output;
        EXPECT_TRUE(filesIn(work).empty()) << c.args;
    }
    // A file size limit stands in for a full disk: the system's reason is named
    // (nona2 ignores the signal the limit raises).
    const Result full = run(work, "ulimit -f 2; " + bin("nona2") + kRemap + "-i 0 ../rig.pto");
    EXPECT_NE(full.output.find(".tif.part"), std::string::npos) << full.output;
    EXPECT_NE(full.output.find(": write error (File too large)"), std::string::npos) << full.output;
    EXPECT_TRUE(filesIn(work).empty());
    const Result usage = run(work, bin("nona2") + " -q ../rig.pto");
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.output.find("Usage"), std::string::npos);
    const Result help = run(work, bin("nona2") + " --help");
    EXPECT_EQ(help.exitCode, 0);
    const Result hdr = run(work, bin("nona2") + " -c -r hdr -m TIFF_m -o pic -i 0 ../rig.pto");
    EXPECT_NE(hdr.exitCode, 0);
    EXPECT_TRUE(filesIn(work).empty());
    fs::remove_all(dir);
}
