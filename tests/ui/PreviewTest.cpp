// The preview's pixels for small synthetic rigs, read back from its framebuffer.
#include <gtest/gtest.h>

#include <QSlider>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <memory>

#include "ButtomSetting.h"
#include "OpenGLWidget.h"
#include "ProjectModel.h"
#include "UiTestSupport.h"

namespace {

const cv::Scalar kRed(0, 0, 255, 255);
const cv::Scalar kBlue(255, 0, 0, 255);
const cv::Scalar kGreen(0, 255, 0, 255);
const cv::Scalar kWhite(255, 255, 255, 255);

// Gives a camera a remapped image and the same display image, as a load would,
// leaving the texture upload to the preview.
void placeCamera(Camara& camera, const cv::Mat& image, int offsetX = 0, int offsetY = 0) {
    camera.image = image;
    camera.displayImage = image.clone();
    camera.offsetX = offsetX;
    camera.offsetY = offsetY;
    camera.textureStale = true;
}

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        project = &resetProject(2);
        preview = std::make_unique<OpenGLWidget>();
        preview->resize(900, 450);
        preview->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(preview.get()));
    }
    void TearDown() override {
        preview.reset();
        resetProject(0);
    }

    // A 2:1 panorama, the widget's own shape: one panorama pixel is 900/384 wide.
    void twoLayerRig() {
        project->panoWidth = 384;
        project->panoHeight = 192;
        // Camera 1 below: opaque blue everywhere.
        placeCamera(project->cameras[1], solidImage(384, 192, kBlue));
        // Camera 0 on top: red, its right half a feathered edge at alpha 127.
        cv::Mat top = solidImage(384, 192, kRed);
        top.colRange(192, 384).setTo(cv::Scalar(0, 0, 255, 127));
        placeCamera(project->cameras[0], top);
    }

    QImage grab() { return preview->grabFramebuffer(); }

    Project* project = nullptr;
    std::unique_ptr<OpenGLWidget> preview;
};

// Only the opaque blue bottom camera shows at widget column x of the middle row.
bool blueAt(const QImage& image, int x) {
    const Rgb p = framebufferPixel(image, x, 225);
    return p.b >= 250 && p.r <= 5;
}

TEST_F(PreviewTest, DrawOrderFeatheredEdgeAlphaAndHidden) {
    twoLayerRig();
    QImage image = grab();
    ASSERT_EQ(image.size(), QSize(900, 450));
    // Opaque part of the top camera hides the one below.
    const Rgb solid = framebufferPixel(image, 200, 225);
    EXPECT_GE(solid.r, 250);
    EXPECT_LE(solid.b, 5);
    EXPECT_LE(solid.g, 5);
    // Alpha 127 gives about half of each camera.
    const Rgb half = framebufferPixel(image, 700, 225);
    EXPECT_NEAR(half.r, 127, 6);
    EXPECT_NEAR(half.b, 128, 6);
    EXPECT_LE(half.g, 5);
    for (Camara& camera : project->cameras) EXPECT_FALSE(camera.textureStale);

    // Reversing the order puts the opaque blue camera on top of everything.
    project->drawOrder = {0, 1};
    image = grab();
    EXPECT_TRUE(blueAt(image, 200) && blueAt(image, 700));
    project->drawOrder = {1, 0};

    // The top camera at alpha 0, or hidden, shows nothing of itself.
    project->cameras[0].alpha = 0.0;
    image = grab();
    EXPECT_TRUE(blueAt(image, 200) && blueAt(image, 700));
    project->cameras[0].alpha = 1.0;
    project->cameras[0].hidden = true;
    EXPECT_TRUE(blueAt(grab(), 200));
    project->cameras[1].hidden = true;
    const Rgb none = framebufferPixel(grab(), 200, 225);
    EXPECT_EQ(none.r + none.g + none.b, 0);
}

TEST_F(PreviewTest, HighlightHalvesGreenOnly) {
    project->panoWidth = 384;
    project->panoHeight = 192;
    placeCamera(project->cameras[0], solidImage(384, 192, kWhite));
    project->cameras[0].highlighted = true;
    const Rgb p = framebufferPixel(grab(), 450, 225);
    EXPECT_GE(p.r, 250);
    EXPECT_GE(p.b, 250);
    EXPECT_NEAR(p.g, 128, 2);
}

TEST_F(PreviewTest, OffsetPlacesCameraInPanorama) {
    project->panoWidth = 3840;
    project->panoHeight = 1920;
    placeCamera(project->cameras[0], solidImage(1920, 1920, kGreen), 1920, 0);
    const QImage image = grab();
    for (int y : {2, 225, 447}) {
        EXPECT_EQ(framebufferPixel(image, 446, y).g, 0) << y;
        EXPECT_GE(framebufferPixel(image, 453, y).g, 250) << y;
        EXPECT_GE(framebufferPixel(image, 897, y).g, 250) << y;
    }
}

TEST_F(PreviewTest, TexturesFollowTheStaleFlag) {
    twoLayerRig();
    grab();
    // A new display image shows only once it is marked stale.
    project->cameras[0].displayImage = solidImage(384, 192, kGreen);
    EXPECT_GE(framebufferPixel(grab(), 200, 225).r, 250);
    project->cameras[0].textureStale = true;
    const Rgb p = framebufferPixel(grab(), 200, 225);
    EXPECT_GE(p.g, 250);
    EXPECT_LE(p.r, 5);

    // An image the texture cannot take is reported, not thrown out of painting.
    project->cameras[0].displayImage = cv::Mat(192, 384, CV_8UC2, cv::Scalar(1, 2));
    project->cameras[0].textureStale = true;
    testing::internal::CaptureStdout();
    EXPECT_TRUE(blueAt(grab(), 200));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("texture upload failed"),
              std::string::npos);

    // A camera whose display image was emptied is no longer drawn.
    project->cameras[0].displayImage.release();
    project->cameras[0].textureStale = true;
    EXPECT_TRUE(blueAt(grab(), 200));
    EXPECT_EQ(preview->layers().texture(0).cols(), 0);

    // A camera gone from the rig takes its texture with it.
    ASSERT_GT(preview->layers().texture(1).cols(), 0);
    project->resizeCameras(1);
    grab();
    EXPECT_EQ(preview->layers().texture(1).cols(), 0);
}

TEST_F(PreviewTest, ANewPreviewUploadsTexturesAgain) {
    twoLayerRig();
    grab();
    preview.reset();
    // The old context took its textures with it; they are due for upload again.
    EXPECT_TRUE(project->cameras[0].textureStale);

    preview = std::make_unique<OpenGLWidget>();
    preview->resize(900, 450);
    preview->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preview.get()));
    EXPECT_GE(framebufferPixel(grab(), 200, 225).r, 250);
}

class PreviewViewTest : public PreviewTest {
protected:
    // Red left half, blue right half: fitted, the border is at widget column 450.
    void halvesRig() {
        project->panoWidth = 384;
        project->panoHeight = 192;
        cv::Mat image = solidImage(384, 192, kRed);
        image.colRange(192, 384).setTo(kBlue);
        placeCamera(project->cameras[0], image);
    }
    void wheel(QPoint at, int notches) {
        QWheelEvent event(at, preview->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(preview.get(), &event);
    }
    // Sent directly: QTest's move goes through the real cursor, without the button.
    void drag(QPoint from, QPoint to) {
        QMouseEvent press(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent move(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        for (QMouseEvent* event : {&press, &move, &release})
            QApplication::sendEvent(preview.get(), event);
    }
    bool redAt(int x) { return framebufferPixel(grab(), x, 225).r >= 250; }
};

TEST_F(PreviewViewTest, WheelZoomsAtTheCursorDragPansDoubleClickFits) {
    halvesRig();
    const QImage fitted = grab();
    // 1.25^4 at column 600: the border moves to 600 - 150 * 2.44 = 234.
    wheel(QPoint(600, 225), 4);
    EXPECT_TRUE(redAt(225));
    EXPECT_FALSE(redAt(245));
    // Dragging 100 columns to the right carries the border along.
    drag(QPoint(600, 225), QPoint(700, 225));
    EXPECT_TRUE(redAt(325));
    EXPECT_FALSE(redAt(345));
    // Fitting again gives back the very frame of before.
    QTest::mouseDClick(preview.get(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 225));
    EXPECT_TRUE(preview->view().fitted());
    EXPECT_EQ(grab(), fitted);
    // Neither zooming out nor panning goes past the whole panorama.
    wheel(QPoint(100, 100), -3);
    drag(QPoint(600, 225), QPoint(100, 225));
    EXPECT_EQ(grab(), fitted);

    // The device view is zoomed the same way.
    cv::Mat device(192, 384, CV_8UC3, cv::Scalar(255, 0, 0));
    device.colRange(0, 192).setTo(cv::Scalar(0, 0, 255));
    preview->showDeviceView(device);
    wheel(QPoint(600, 225), 4);
    EXPECT_TRUE(redAt(225));
    EXPECT_FALSE(redAt(245));
}

TEST_F(PreviewViewTest, SeamLinesFollowTheBoundaryAndTheView) {
    halvesRig();
    // Valid columns 96..287: lines at panorama columns 96 and 288.
    project->cameras[0].imgBdy = {{96, 1}, {287, 0}};
    const QImage plain = grab();
    preview->setSeamsShown(true);
    const auto lineAt = [](const QImage& image, int x) {
        const Rgb p = framebufferPixel(image, x, 300);
        return p.g >= 200 && p.r >= 200;  // camera 0's yellow, on red or blue
    };
    const QImage image = grab();
    EXPECT_TRUE(lineAt(image, 225) && lineAt(image, 675));
    EXPECT_FALSE(lineAt(image, 300));
    // The painter leaves the context fit for the next frame's cameras.
    EXPECT_EQ(grab(), image);
    // Two notches at the middle carry the line 1.25^2 times as far out.
    wheel(QPoint(450, 225), 2);
    const double at = 450 - 225 * std::pow(1.25, 2);
    EXPECT_TRUE(lineAt(grab(), static_cast<int>(std::lround(at))));
    preview->fitView();
    preview->setSeamsShown(false);
    EXPECT_EQ(grab(), plain);
}

// Slider moves patch only the changed parts of each texture; the texture read
// back must still be the display image, byte for byte.
TEST_F(PreviewTest, SliderMovesLeaveTexturesEqualToTheDisplayImage) {
    project->panoWidth = 1280;
    project->panoHeight = 640;
    cv::RNG rng(5);
    for (int i = 0; i < 2; ++i) {
        // Random colours (so a misplaced row shows) in an elliptic valid region.
        cv::Mat image(300, 640, CV_8UC4);
        rng.fill(image, cv::RNG::UNIFORM, 0, 256);
        for (int r = 0; r < image.rows; ++r)
            for (int c = 0; c < image.cols; ++c) {
                const double x = (c - 320) / 250.0, y = (r - 150) / 140.0;
                uchar& a = image.at<cv::Vec4b>(r, c)[3];
                a = x * x + y * y < 1 ? static_cast<uchar>(1 + a % 255) : 0;
            }
        // The second one wraps around its layer's left and right borders.
        cv::Mat shown;
        if (i == 1)
            cv::hconcat(image.colRange(320, 640), image.colRange(0, 320), shown);
        else
            shown = image;
        placeCamera(project->cameras[static_cast<size_t>(i)], shown, 600 * i, 100);
    }
    ButtomSetting panel;
    ProjectModel model(*project);
    panel.attach(&model, preview.get());
    auto* blend = panel.findChild<QSlider*>("BlendSlider");
    auto* cut = panel.findChild<QSlider*>("CutSilder");
    cut->setValue(22000);
    grab();
    int patched = 0;
    const std::pair<QSlider*, int> moves[] = {{blend, 30000}, {blend, 30600}, {cut, 22600},
                                              {blend, 6000},  {cut, 25000},   {blend, 60000}};
    for (size_t m = 0; m < std::size(moves); m += 2) {
        // Two moves before one paint: the areas add up.
        preview->setUpdatesEnabled(false);
        moves[m].first->setValue(moves[m].second);
        moves[m + 1].first->setValue(moves[m + 1].second);
        for (const Camara& camera : project->cameras)
            patched += !camera.textureStale && !camera.textureStaleAreas.empty();
        preview->setUpdatesEnabled(true);
        grab();
    }
    EXPECT_GE(patched, 4);
    preview->makeCurrent();
    for (int i = 0; i < 2; ++i) {
        const Camara& camera = project->cameras[static_cast<size_t>(i)];
        cv::Mat back;
        preview->layers().texture(i).copyTo(back, CV_8U);
        ASSERT_EQ(back.size(), camera.displayImage.size());
        EXPECT_EQ(cv::countNonZero(back.reshape(1) != camera.displayImage.reshape(1)), 0);
    }
    preview->doneCurrent();

    // Drawing only the parts of each layer that hold valid pixels gives the
    // picture of whole layers (up to rounding of the texture coordinates).
    const QImage parts = grab().convertToFormat(QImage::Format_RGB32);
    for (Camara& camera : project->cameras) camera.displayCache.clear();
    const QImage whole = grab().convertToFormat(QImage::Format_RGB32);
    int off = 0;
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x) {
            const QRgb a = parts.pixel(x, y), b = whole.pixel(x, y);
            off += std::abs(qRed(a) - qRed(b)) > 1 || std::abs(qGreen(a) - qGreen(b)) > 1 ||
                   std::abs(qBlue(a) - qBlue(b)) > 1;
        }
    EXPECT_EQ(off, 0);
}

}  // namespace
