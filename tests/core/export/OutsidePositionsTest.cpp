// A transparent pixel whose source position lies outside the source image may
// carry any position there (the remapper writes -1, -1 for most of them): no
// device table, debug image or weighted QuickWeave pixel may depend on it.
#include <gtest/gtest.h>

#include <QDir>

#include "ExportFixture.h"
#include "export/Camera2KExport.h"
#include "export/Camera4KExport.h"
#include "export/QuickWeaveExport.h"
#include "tables/QuickWeaveReader.h"

using testsupport::CameraSpec;
using testsupport::readFileBytes;

namespace {

class OutsidePositions : public testsupport::ExportFixture {
protected:
    // Two overlapping cameras whose layers reach past their 640 x 480 source
    // images on every side; weight 200 where the position is inside, else 0.
    void rigWithOutsidePixels(const std::function<cv::Vec2f(cv::Vec2f)>& outside) {
        auto camera = [&](int ox, int oy, float dx) {
            CameraSpec s = testsupport::cameraSpec(300, 220, ox, oy);
            s.sourceWidth = 640;
            s.sourceHeight = 480;
            auto position = [dx](int c, int r) { return cv::Vec2f(c * 2.5f - dx, r * 2.5f - 40); };
            auto inside = [](cv::Vec2f p) {
                return p[0] > 0 && p[1] > 0 && p[0] < 640 && p[1] < 480;
            };
            s.map = [=](int c, int r) {
                const cv::Vec2f p = position(c, r);
                return inside(p) ? p : outside(p);
            };
            s.alpha = [=](int c, int r) { return uint8_t(inside(position(c, r)) ? 200 : 0); };
            return s;
        };
        rig(520, 260, {camera(0, 10, 60.0f), camera(210, 25, 95.0f)});
    }

    // Every file the three exports write, by name; the 2K and 4K debug images
    // share their names and are kept apart.
    std::map<std::string, std::vector<uint8_t>> exportAll() {
        std::map<std::string, std::vector<uint8_t>> files;
        using Export = ExportResult (*)(const Project&);
        const std::pair<const char*, Export> exports[] = {
            {"2K ", &exportCamera2K}, {"4K ", &exportCamera4K}, {"", &exportQuickWeave}};
        for (const auto& [format, run] : exports) {
            QDir(dir.path()).mkpath("pic");
            const testsupport::ExportRun r = runExport(run);
            EXPECT_TRUE(r.result.written()) << r.result.message;
            for (const QString& f : QDir(dir.path() + "/pic").entryList(QDir::Files))
                files[format + f.toStdString()] = readFileBytes(file("pic/" + f.toStdString()));
            QDir(dir.path() + "/pic").removeRecursively();
        }
        for (const QString& f : entries())
            files[f.toStdString()] = readFileBytes(file(f.toStdString()));
        return files;
    }
};

TEST_F(OutsidePositions, ChangeNoTableDebugImageOrWeightedPixel) {
    rigWithOutsidePixels([](cv::Vec2f p) { return p; });
    const auto exact = exportAll();
    ASSERT_EQ(exact.size(),
              3u + 2 * 4 * 2);  // three tables, four debug images per camera and table
    for (const auto& outside : std::vector<std::function<cv::Vec2f(cv::Vec2f)>>{
             [](cv::Vec2f) { return cv::Vec2f(-1, -1); },
             [](cv::Vec2f p) { return cv::Vec2f(-7e4f, p[1] + 9e4f); }}) {
        rigWithOutsidePixels(outside);
        const auto other = exportAll();
        ASSERT_EQ(other.size(), exact.size());
        for (const auto& [name, bytes] : exact) {
            if (name == "QuickWeave_Projcet.tab") continue;
            EXPECT_TRUE(other.at(name) == bytes) << name;
        }
        const std::vector<uint8_t>& a = exact.at("QuickWeave_Projcet.tab");
        const std::vector<uint8_t>& b = other.at("QuickWeave_Projcet.tab");
        ASSERT_EQ(a.size(), b.size());
        const QuickWeaveTable ta = readQuickWeaveTable(a.data(), a.size());
        const QuickWeaveTable tb = readQuickWeaveTable(b.data(), b.size());
        ASSERT_TRUE(ta.valid() && tb.valid());
        for (size_t i = 0; i < ta.cameras.size(); ++i) {
            const QuickWeaveCamera &ca = ta.cameras[i], &cb = tb.cameras[i];
            EXPECT_EQ(cv::norm(ca.weights, cb.weights, cv::NORM_INF), 0.0);
            int weighted = 0;
            for (int r = 0; r < ca.weights.rows; ++r)
                for (int c = 0; c < ca.weights.cols; ++c)
                    if (ca.weights.at<uint8_t>(r, c)) {
                        ++weighted;
                        ASSERT_EQ(ca.positions.at<cv::Vec2f>(r, c),
                                  cb.positions.at<cv::Vec2f>(r, c));
                    }
            EXPECT_GT(weighted, 10000);
        }
    }
}

}  // namespace
