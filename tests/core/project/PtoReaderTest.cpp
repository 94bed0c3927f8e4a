#include <gtest/gtest.h>

#include "TempDir.h"
#include "project/PtoReader.h"

namespace {

std::string param(const std::string& line, const std::string& key) {
    std::string v = "<unset>";
    return PtoReader::findParam(line, key, v) ? v : "<none>";
}

}  // namespace

TEST(PtoReader, TokenRules) {
    const char* const quotedKeys = R"(p f2 n"TIFF_m w99 h77 c:LZW" w8000 h4000)";
    struct Case {
        const char* line;
        const char* key;
        const char* value;  // "<none>": not found
    };
    const Case cases[] = {
        {R"(i w1920 h1080 n"my image 1.jpg" r0)", "n", "my image 1.jpg"},  // quoted, kept whole
        {"p f2 w4000\th2000", "h", "<none>"},  // a token must follow a space, not a tab
        {"p f2 w4000\th2000", "w", "4000"},
        {"p f2 v360 w8000 h4000", "w", "8000"},  // the first token starting with the key
        {"w f2", "w", "<none>"},                 // the type letter is never a candidate
        {quotedKeys, "w", "8000"},               // nor a key inside a skipped quoted value
        {quotedKeys, "h", "4000"},
        {"i w1 n", "n", ""},               // key at the very end of the line: empty value, found
        {R"(i w1 n"abc)", "n", "<none>"},  // unterminated quotes are not a value
        {R"(i w1 n")", "n", "<none>"},
        {R"(i n"abc w5)", "w", "<none>"},
        {"i", "n", "<none>"},
    };
    for (const Case& c : cases) EXPECT_EQ(param(c.line, c.key), c.value) << c.line;

    int v = 7;
    EXPECT_TRUE(PtoReader::readIntParam("p w8000.5 h1", "w", v));
    EXPECT_EQ(v, 8000);
    EXPECT_TRUE(PtoReader::readIntParam("p wabc", "w", v));
    EXPECT_EQ(v, 8000) << "a malformed value keeps the previous one";
    EXPECT_TRUE(PtoReader::readIntParam("p w-12", "w", v));
    EXPECT_EQ(v, -12);
}

TEST(PtoReader, ReadsImagesAndSize) {
    ScratchDir dir;
    const std::string path =
        dir.write("rig.pto",
                  "# hugin project file\n"
                  "p f2 w8000 h4000 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n"
                  "\n"
                  "o f0 r0 p0 y0 v100\n"
                  "i w1920 h1080 f0 v100 Ra0 n\"IMG 1.JPG\"\n"
                  "i w1920 h1080 f0 v=0 n/abs/IMG_2.JPG\n"
                  "i w1920 h1080 f0 v=0\n"
                  "v v0\n"
                  "c n0 N1 x1 y2 X3 Y4 t0\n"
                  "i w1920 h1080 n\"C:\\rig\\IMG_4.JPG\"");  // no final newline
    PtoReader r(path);
    const std::string base = dir.path() + "/";
    EXPECT_EQ(r.dir, base);
    EXPECT_EQ(r.width, 8000);
    EXPECT_EQ(r.height, 4000);
    ASSERT_EQ(r.imageCount(), 4);
    EXPECT_EQ(r.imageFile(0), base + "IMG 1.JPG");
    EXPECT_EQ(r.imageFile(1), "/abs/IMG_2.JPG");
    EXPECT_EQ(r.imageFile(2), base) << "a missing n still adds an image: dir itself";
    EXPECT_EQ(r.imageFile(3), "C:\\rig\\IMG_4.JPG");
    EXPECT_EQ(r.imageFile(4), "");
    EXPECT_EQ(r.imageFile(-1), "");
}

TEST(PtoReader, CrLfAndMissingFiles) {
    ScratchDir dir;
    const std::string lf = dir.write("lf.pto", "p w100 h50\ni n\"a.jpg\"\ni n\"b.jpg\"\n");
    const std::string crlf = dir.write("crlf.pto", "p w100 h50\r\ni n\"a.jpg\"\r\ni nb.jpg\r\n");
    PtoReader a(lf), b(crlf);
    EXPECT_EQ(b.width, 100);
    EXPECT_EQ(b.height, 50);
    EXPECT_EQ(a.imagePaths, b.imagePaths);

    // A byte-order mark is skipped; sizes the remapper would read otherwise are refused.
    PtoReader bom(dir.write("bom.pto", "\xEF\xBB\xBFp w100 h50\n"));
    EXPECT_EQ(bom.width, 100);
    EXPECT_EQ(bom.problem, "");
    const std::pair<const char*, const char*> refused[] = {
        {"p w100 h50\np w300\n", ":2: a second 'p' line"},
        {"p w9.6e2 h50\n", ":1: panorama width 'w9.6e2' is not a whole number"},
        {"p w1920 h50 w960\n", ":1: the 'p' line gives the panorama width twice"},
        {"p w100 n\"h 50\"\n", ":1: the 'p' line gives no panorama height"},
    };
    for (const auto& [text, message] : refused) {
        const std::string path = dir.write("bad.pto", text);
        PtoReader c(path);
        EXPECT_EQ(c.problem.rfind(path + message, 0), 0u) << c.problem;
        EXPECT_EQ(c.width + c.height, 0);
    }

    PtoReader missing(dir.file("nope.pto"));
    EXPECT_EQ(std::vector<int>({missing.imageCount(), missing.width, missing.height}),
              std::vector<int>({0, 0, 0}));
    EXPECT_EQ(missing.dir, dir.path() + "/");
}
