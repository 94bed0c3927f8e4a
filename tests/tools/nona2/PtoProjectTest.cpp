#include <gtest/gtest.h>

#include <vector>

#include "PtoProject.h"

using nona2::parsePto;
using nona2::PtoProject;

namespace {

const char* const kTail = " Ra0 Rb0 Rc0 Rd0 Re0 Eev0 Er1 Eb1 TrX0 TrY0 TrZ0 Tpy0 Tpp0 Va1 Vm5";

std::string imageLine(const std::string& vars, const std::string& name) {
    return "i w640 h480 f0 " + vars + kTail + " n" + name + "\n";
}

}  // namespace

TEST(PtoProject, ReadsPanoramaLineWithHuginTokens) {
    PtoProject p;
    std::string error;
    const std::string text =
        "# hugin project file\n"
        "#hugin_ptoversion 2\n"
        "p f2 w3000 h1500 v360 k0 E11.5 R0 S100,2900,200,1300 n\"TIFF_m c:LZW r:CROP\"\r\n"
        "m i0\n" +
        imageLine("v100 r0 p0 y0 a0 b0 c0 d0 e0 g0 t0", "\"a.jpg\"");
    ASSERT_TRUE(parsePto(text, "/data/rig/proj.pto", p, error)) << error;
    EXPECT_EQ(
        std::vector<double>({double(p.pano.projection), double(p.pano.width), double(p.pano.height),
                             p.pano.hfov, double(p.pano.cropLeft), double(p.pano.cropRight),
                             double(p.pano.cropTop), double(p.pano.cropBottom)}),
        std::vector<double>({2, 3000, 1500, 360, 100, 2900, 200, 1300}));
    EXPECT_TRUE(p.pano.hasCrop && p.pano.cropLayers);
    EXPECT_EQ(p.pano.fileFormat + " " + p.pano.compression, "TIFF_m LZW");

    // Saved by an editor that puts a byte-order mark before the 'p' line.
    ASSERT_TRUE(parsePto("\xEF\xBB\xBFp f2 w100 h50 v360\n", "bom.pto", p, error)) << error;
    EXPECT_EQ(p.pano.width, 100);
}

TEST(PtoProject, ResolvesLinkedValuesNamesAndAllImageVariables) {
    PtoProject p;
    std::string error;
    // Image 1 links to image 0; image 2 links to image 3, which comes later
    // and itself links to image 0 (a chain pointing forward).
    const std::string text =
        "p f2 w2000 h1000 v360 n\"TIFF_m\"\n" +
        imageLine("v97.5 r1.5 p-2 y10 a0.01 b-0.02 c0.03 d12 e-7 g0.1 t-0.2", "\"cam 0.jpg\"") +
        imageLine("v=0 r0 p0 y90 a=0 b=0 c=0 d=0 e=0 g0 t0", "cam1.jpg") +
        imageLine("v=3 r0 p0 y180 a=3 b=0 c=0 d=0 e=0 g0 t0", "\"/abs/cam2.jpg\"") +
        imageLine("v=0 r0 p0 y270 a=0 b=0 c=0 d=0 e=0 g0 t0", "\"C:\\shots\\cam3.jpg\"");
    ASSERT_TRUE(parsePto(text, "/data/rig/proj.pto", p, error)) << error;
    ASSERT_EQ(p.images.size(), 4u);
    // Every image ends up with image 0's linked values; Eev0 is Eev, not e.
    for (const auto& image : p.images) {
        std::vector<double> vars;
        for (const char* v : {"v", "a", "b", "c", "d", "e", "g", "t", "Eev"})
            vars.push_back(image.var(v));
        EXPECT_EQ(vars, (std::vector<double>{97.5, 0.01, -0.02, 0.03, 12, -7,
                                             &image == &p.images[0] ? 0.1 : 0,
                                             &image == &p.images[0] ? -0.2 : 0, 0}));
    }
    EXPECT_DOUBLE_EQ(p.images[0].var("r"), 1.5);
    EXPECT_DOUBLE_EQ(p.images[2].var("y"), 180.0);
    std::vector<std::string> paths;
    for (const auto& image : p.images) paths.push_back(image.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/data/rig/cam 0.jpg", "/data/rig/cam1.jpg",
                                               "/abs/cam2.jpg", "C:\\shots\\cam3.jpg"}));
    EXPECT_EQ(p.images[0].width, 640);
    EXPECT_EQ(p.images[0].line, 2);
    EXPECT_FALSE(p.pano.cropLayers);
}

TEST(PtoProject, KeepsExcludeMasksAndWarnsAboutIncludeMasks) {
    PtoProject p;
    std::string error;
    const std::string text = "p f2 w2000 h1000 v360 n\"TIFF_m r:CROP\"\n" +
                             imageLine("v90 r0 p0 y0", "a.jpg") +
                             imageLine("v90 r0 p0 y90", "b.jpg") +
                             "k i1 t0 p\"10 10 100 10 100 80 10 80\"\n"
                             "k i0 t1 p\"0 0 5 0 5 5\"\n"
                             "k i0 t4 p\"1.5 2.5 30 2 20 40\"\n";
    ASSERT_TRUE(parsePto(text, "proj.pto", p, error)) << error;
    ASSERT_EQ(p.images[1].masks.size(), 1u);
    ASSERT_EQ(p.images[0].masks.size(), 1u);  // the include mask is not applied
    EXPECT_EQ(p.images[0].masks[0].type, 4);
    EXPECT_DOUBLE_EQ(p.images[0].masks[0].points[0][0], 1.5);
    ASSERT_EQ(p.warnings.size(), 1u);
    EXPECT_NE(p.warnings[0].find("proj.pto:5"), std::string::npos) << p.warnings[0];
    EXPECT_EQ(p.images[0].path, "a.jpg");  // a project in the current folder
}

TEST(PtoProject, RejectsMalformedInputNamingFileAndLine) {
    const std::string pano = "p f2 w2000 h1000 v360 n\"TIFF_m\"\n";
    const std::string good = imageLine("v90 r0 p0 y0", "a.jpg");
    // Each input with the parts its message must hold.
    const std::pair<std::string, std::vector<const char*>> cases[] = {
        {pano + imageLine("v9x0 r0 p0 y0", "a.jpg"), {"/data/rig/proj.pto:2:", "v9x0"}},
        {"p f2 w20o0 h1000 v360\n" + good, {"proj.pto:1:"}},
        {good, {"no 'p' line"}},
        {pano + good + imageLine("v=5 r0 p0 y0", "b.jpg"), {"proj.pto:3:", "does not exist"}},
        {pano + imageLine("v=1 r0 p0 y0", "a.jpg") + imageLine("v=0 r0 p0 y0", "b.jpg"), {"cycle"}},
        {pano + good + "k i3 t0 p\"1 1 5 1 5 5\"\n", {"proj.pto:3:"}},
        {pano + good + "k i0 t0 p\"1 1 5 1\"\n", {"three"}},
        {pano + "i w640 h480 f0 v90 n\"unterminated.jpg\n", {"unterminated quote"}},
        {pano + "i w640 h480 f0 v90 r0 p0 y0\n", {"no image name"}},
        {pano + "i w640 h480 f7 v90 n\"a.jpg\"\n", {"projection"}},
        {"p f2 w0 h1000 v360\n" + good, {"width"}},
        {pano + "i w640.5 h480 f0 v90 n\"a.jpg\"\n", {"w640.5"}},
    };
    for (const auto& [text, parts] : cases) {
        PtoProject p;
        std::string e;
        EXPECT_FALSE(parsePto(text, "/data/rig/proj.pto", p, e)) << text;
        for (const char* part : parts) EXPECT_NE(e.find(part), std::string::npos) << e;
    }
}
