// The memory check before a load, with the real remapper's plan and the
// machine's figures given: the samples fit, a full canvas may not where
// cropped layers do, and a mistyped canvas never does.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <regex>

#include "TempDir.h"
#include "project/LayerMemory.h"
#include "project/Project.h"

namespace {

MachineMemory machineWith(uint64_t available) {
    MachineMemory m;
    m.installed = uint64_t(64) << 30;
    m.available = available;
    return m;
}

constexpr uint64_t kMB = uint64_t(1) << 20;

}  // namespace

TEST(LayerMemory, RefusesWhatDoesNotFitAndNothingElse) {
    static int argc = 1;
    static char name[] = "orvik_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    const QString nona2 = QString(ORVIK_BIN_DIR) + "/nona2";
    ScratchDir dir;
    QFile sample(QString(ORVIK_SOURCE_DIR) + "/samples/ring4/ring4.pto");
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const std::string ring4 = sample.readAll().toStdString();
    const std::string full = std::regex_replace(ring4, std::regex(" r:CROP"), "");
    const std::string huge =
        std::regex_replace(ring4, std::regex("w3840 h1920"), "w1000000 h500000");
    struct Case {
        std::string file, text;
        uint64_t available;
        bool shown;
        std::string refusal;  // part of the message; empty: accepted
    };
    const Case cases[] = {
        // The cropped layers hold about 104 MB, the whole-canvas ones 506 MB;
        // in the window another 12 bytes a pixel.
        {"cropped.pto", ring4, 300 * kMB, false, ""},
        {"cropped.pto", ring4, 100 * kMB, false, "(4 cameras, the largest 3840 x 747 pixels) need"},
        {"cropped.pto", ring4, 300 * kMB, true, ""},
        {"full.pto", full, 300 * kMB, false, "(4 cameras, the largest 3840 x 1920 pixels) need"},
        {"full.pto", full, 600 * kMB, false, ""},
        {"full.pto", full, 600 * kMB, true, "need 844 MB of memory, but this machine has 600 MB"},
        {"huge.pto", huge, uint64_t(1) << 40, false, "the largest 1000000 x 194444 pixels) need"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " with " + std::to_string(c.available / kMB) + " MB");
        Project p;
        p.loadProject(dir.write(c.file, c.text));
        ASSERT_EQ(p.cameras.size(), 4u);
        const QString why = checkLayerMemory(p, nona2, c.shown, machineWith(c.available));
        if (c.refusal.empty()) {
            EXPECT_TRUE(why.isEmpty()) << why.toStdString();
        } else {
            EXPECT_NE(why.toStdString().find(c.refusal), std::string::npos) << why.toStdString();
            EXPECT_TRUE(
                why.contains(QString::fromStdString(formatBytes(c.available)) + " available"))
                << why.toStdString();
        }
    }
    // The remapper's own share binds when the loaded layers would fit.
    std::vector<PlannedLayer> layers(2);
    layers[0] = {100, 100, 900 * kMB};
    layers[1] = {5000, 200, 10 * kMB};
    EXPECT_TRUE(layerMemoryShortfall(layers, false, machineWith(1000 * kMB)).isEmpty());
    EXPECT_EQ(layerMemoryShortfall(layers, false, machineWith(500 * kMB)).toStdString(),
              "remapping camera 0's 100 x 100 layer needs 900 MB of memory, but this machine has "
              "500 MB available, 64.0 GB installed");
    // A plan that does not name every camera once is no plan.
    EXPECT_TRUE(
        parseRemapPlan("image 1: layer 4x3 at 0,0, needs 9 bytes\n"
                       "image 0: layer unknown (too small), needs at least 5 bytes\n",
                       2, layers));
    EXPECT_EQ(layers[1].width, 4);
    EXPECT_EQ(layers[0].remapperNeed, 5u);
    EXPECT_FALSE(parseRemapPlan("image 0: layer 4x3 at 0,0, needs 9 bytes\n", 2, layers));
    EXPECT_FALSE(
        parseRemapPlan("image 0: layer 4x3 at 0,0, needs 9 bytes\n"
                       "image 0: layer 4x3 at 0,0, needs 9 bytes\n",
                       2, layers));
    EXPECT_FALSE(parseRemapPlan("nona2: something went wrong\n", 1, layers));
}
