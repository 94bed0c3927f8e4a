// The blend/crop panel and the camera panels, driven through their widgets in
// a shown main window, checked against the project records and the displays.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLCDNumber>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QVBoxLayout>
#include <functional>
#include <memory>

#include "ButtomSetting.h"
#include "CameraSetting.h"
#include "MainWindow.h"
#include "OpenGLWidget.h"
#include "ProjectModel.h"
#include "RightSetting.h"
#include "UiTestSupport.h"
#include "geometry/AutoBlend.h"
#include "tuning/AutoSeams.h"

namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        project = &resetProject(4);
        project->blendValue = 1234;
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        right = window->findChild<RightSetting*>();
        bottom = window->findChild<ButtomSetting*>();
        preview = window->findChild<OpenGLWidget*>();
        ASSERT_TRUE(right && bottom && preview);
        // Repaints are counted on a stand-in for the preview, listening to
        // the window's model as the preview does.
        probe = std::make_unique<RepaintProbe>();
        probe->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(probe.get()));
        auto* model = window->findChild<ProjectModel*>();
        ASSERT_TRUE(model);
        QObject::connect(model, &ProjectModel::changeFinished, probe.get(),
                         [this](ProjectModel::Change what) {
                             if (what != ProjectModel::Change::Settings) probe->repaint();
                         });
        // Counting starts once the paints of showing the windows are through;
        // the tests process no events, so only the slots' repaints count.
        QTest::qWait(20);
        probe->count = 0;
    }
    void TearDown() override {
        window.reset();
        probe.reset();
        resetProject(0);
    }

    template <class T>
    T* panelChild(int panel, const char* name) {
        return right->panels.at(panel)->findChild<T*>(name);
    }
    template <class T>
    T* bottomChild(const char* name) {
        return bottom->findChild<T*>(name);
    }

    Project* project = nullptr;
    std::unique_ptr<MainWindow> window;
    RightSetting* right = nullptr;
    ButtomSetting* bottom = nullptr;
    OpenGLWidget* preview = nullptr;
    std::unique_ptr<RepaintProbe> probe;
};

// Each slider stores its value and shows it; outside automatic mode it also
// repaints the preview once.
TEST_F(ControlsTest, SlidersStoreShowAndRepaint) {
    auto* blend = bottomChild<QSlider>("BlendSlider");
    // The blend slider starts from the project's value, the crop slider at 0.
    EXPECT_EQ(blend->value(), 1234);
    EXPECT_EQ(bottomChild<QLCDNumber>("BlendNum")->intValue(), 1234);
    EXPECT_EQ(bottomChild<QSlider>("CutSilder")->value(), 0);

    struct Control {
        QSlider* slider;
        std::function<int()> shown, stored;
    };
    const Control controls[] = {
        {blend, [&] { return bottomChild<QLCDNumber>("BlendNum")->intValue(); },
         [&] { return project->blendValue; }},
        {bottomChild<QSlider>("CutSilder"),
         [&] { return bottomChild<QLCDNumber>("CutNum")->intValue(); },
         [&] { return project->cutValue; }},
        {panelChild<QSlider>(1, "dirction_sliderL"),
         [&] { return panelChild<QLineEdit>(1, "dirL_lineEdit")->text().toInt(); },
         [&] { return project->cameras[1].dirL; }},
        {panelChild<QSlider>(1, "direction_sliderR"),
         [&] { return panelChild<QLineEdit>(1, "dirR_lineEdit")->text().toInt(); },
         [&] { return project->cameras[1].dirR; }},
    };
    for (const bool automatic : {false, true}) {
        project->autoMode = automatic;
        for (const Control& c : controls) {
            const int value = automatic ? 500 : 30000;
            const int paints = probe->count;
            c.slider->setValue(value);
            EXPECT_EQ(c.stored(), value) << c.slider->objectName().toStdString();
            EXPECT_EQ(c.shown(), value) << c.slider->objectName().toStdString();
            EXPECT_EQ(probe->count, paints + (automatic ? 0 : 1));
        }
    }
    EXPECT_EQ(project->cameras[0].dirL, 0);
    blend->setValue(70000);  // clamped to the range
    EXPECT_EQ(project->blendValue, 60000);
}

TEST_F(ControlsTest, AutomaticModeWarnsWhenACameraOverlapsNothing) {
    // Two cameras far apart in a 3600-wide panorama: no seam can be placed.
    resetProject(2);
    project->panoWidth = 3600;
    project->panoHeight = 1800;
    const int runs[2][2] = {{0, 1000}, {2000, 3000}};
    for (int i = 0; i < 2; ++i) {
        Camara& camera = project->cameras[static_cast<size_t>(i)];
        camera.image = solidImage(3600, 10, cv::Scalar(0, 0, 0, 0));
        camera.image.colRange(runs[i][0], runs[i][1]).setTo(cv::Scalar(255, 255, 255, 255));
        camera.rawBdy = {{runs[i][0], 1}, {runs[i][1], 0}};
    }
    project->loaded = true;
    if (autoBlend(*project, kAutoFadeWidth).ok())
        GTEST_SKIP() << "automatic seams not available in this build";

    auto* box = bottomChild<QCheckBox>("m_AutoMixCombox");
    MessageBoxCloser closer;
    box->setChecked(true);
    EXPECT_EQ(closer.boxes, 1);
    EXPECT_EQ(closer.title, QString::fromUtf8("提示"));
    EXPECT_EQ(closer.text, QString::fromUtf8("自动计算失败，请手动裁剪混合"));
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(project->autoMode);
}

TEST_F(ControlsTest, TransparencyOnePanelOrAllPanels) {
    // Without sync only the panel's own camera changes.
    panelChild<QSlider>(2, "alpha_slider")->setValue(64);
    EXPECT_DOUBLE_EQ(project->cameras[2].alpha, static_cast<double>(64.0f / 255.0f));
    EXPECT_EQ(panelChild<QLineEdit>(2, "alpha_lineEdit")->text(), "64");
    EXPECT_DOUBLE_EQ(project->cameras[1].alpha, 1.0);
    EXPECT_EQ(probe->count, 1);

    // With sync one slider drives every camera and panel, with one repaint.
    panelChild<QCheckBox>(1, "alpha_checkBox")->setChecked(true);
    probe->count = 0;
    panelChild<QSlider>(1, "alpha_slider")->setValue(128);
    for (int i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(project->cameras[static_cast<size_t>(i)].alpha,
                         static_cast<double>(128.0f / 255.0f))
            << i;
        EXPECT_EQ(panelChild<QSlider>(i, "alpha_slider")->value(), 128) << i;
        EXPECT_EQ(panelChild<QLineEdit>(i, "alpha_lineEdit")->text(), "128") << i;
    }
    EXPECT_EQ(probe->count, 1);
    EXPECT_TRUE(alphaSyncIdle);
}

TEST_F(ControlsTest, HighlightIsExclusiveAndHideHides) {
    auto highlight = [&](int i) { return panelChild<QCheckBox>(i, "gaoliang_checkBox"); };
    highlight(0)->setChecked(true);
    EXPECT_TRUE(project->cameras[0].highlighted);
    highlight(2)->setChecked(true);
    EXPECT_FALSE(highlight(0)->isChecked());
    EXPECT_FALSE(project->cameras[0].highlighted);
    EXPECT_TRUE(project->cameras[2].highlighted);
    highlight(2)->setChecked(false);
    EXPECT_FALSE(project->cameras[2].highlighted);
}

TEST_F(ControlsTest, PanelsFollowTheCameraList) {
    // A five-camera rig: settings of surviving cameras are kept and shown.
    project->cameras[1].alpha = 0.5;
    project->cameras[1].hidden = true;
    project->cameras[1].dirL = 700;
    project->resizeCameras(5);
    project->resetDrawOrder(5);
    QPointer<CameraSetting> old = right->panels[0];
    testing::internal::CaptureStdout();
    right->rebuildPanels();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ui->verticalLayout1->count() 4\r\n");
    EXPECT_TRUE(old.isNull());
    ASSERT_EQ(right->panels.size(), 5);
    EXPECT_EQ(right->findChild<QVBoxLayout*>("verticalLayout1")->count(), 5);
    EXPECT_EQ(panelChild<QLCDNumber>(4, "top_index_lcdNumber")->intValue(), 4);
    EXPECT_EQ(panelChild<QSlider>(1, "alpha_slider")->value(), 127);
    EXPECT_EQ(panelChild<QLineEdit>(1, "alpha_lineEdit")->text(), "127");
    EXPECT_TRUE(panelChild<QCheckBox>(1, "hide_CheckBox")->isChecked());
    EXPECT_EQ(panelChild<QSlider>(1, "dirction_sliderL")->value(), 700);
    // Showing the values wrote nothing back.
    EXPECT_DOUBLE_EQ(project->cameras[1].alpha, 0.5);
    EXPECT_EQ(panelChild<QSlider>(4, "alpha_slider")->value(), 255);

    // A rig with no images left leaves an empty column.
    project->resizeCameras(0);
    project->resetDrawOrder(0);
    testing::internal::CaptureStdout();
    right->rebuildPanels();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ui->verticalLayout1->count() 5\r\n");
    EXPECT_TRUE(right->panels.isEmpty());
}

TEST_F(ControlsTest, TopAndBottomButtonsReorder) {
    auto* top = panelChild<QPushButton>(3, "top_Button");
    auto* bottomButton = panelChild<QPushButton>(0, "buttom_Button");
    ASSERT_TRUE(top && bottomButton);

    top->click();
    EXPECT_EQ(project->drawOrder, (std::deque<int>{2, 1, 0, 3}));
    EXPECT_EQ(probe->count, 1);
    bottomButton->click();
    EXPECT_EQ(project->drawOrder, (std::deque<int>{0, 2, 1, 3}));
    // Each panel shows its camera's place counted from the top.
    const int fromTop[4] = {3, 1, 2, 0};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(panelChild<QLCDNumber>(i, "top_index_lcdNumber")->intValue(), fromTop[i]) << i;

    // Moving the top camera to the top again changes nothing.
    top->click();
    EXPECT_EQ(project->drawOrder, (std::deque<int>{0, 2, 1, 3}));
}

TEST_F(ControlsTest, ResizedWindowGivesThePreviewRoomAtThePanoramaShape) {
    const auto resizeTo = [&](int w, int h) {
        window->resize(w, h);
        return QTest::qWaitFor([&] { return window->size() == QSize(w, h); });
    };
    const auto areasAre = [&](QRect p, QRect b, QRect r) {
        return QTest::qWaitFor([&] {
            return preview->geometry() == p && bottom->geometry() == b && right->geometry() == r;
        });
    };
    // 500 x 300 more: the preview may grow to 1400 x 750 and keeps 2:1 (none loaded).
    ASSERT_TRUE(resizeTo(1800, 1000));
    EXPECT_TRUE(areasAre({0, 0, 1400, 700}, {0, 720, 900, 120}, {1410, 0, 350, 600}));
    // A 3:1 panorama gets a 3:1 preview, except at the default size.
    project->panoWidth = 3000;
    project->panoHeight = 1000;
    ASSERT_TRUE(resizeTo(1800, 900));
    EXPECT_TRUE(areasAre({0, 0, 1400, 467}, {0, 487, 900, 120}, {1410, 0, 350, 600}));
    ASSERT_TRUE(resizeTo(1300, 700));
    EXPECT_TRUE(areasAre({0, 0, 900, 450}, {0, 470, 900, 120}, {910, 0, 350, 600}));
}

}  // namespace
