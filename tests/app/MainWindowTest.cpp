// The main window's load sequence: broken projects, cameras left out of the
// tables, reloads in automatic mode, and the operator's saved settings.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <memory>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "ButtomSetting.h"
#include "CameraSetting.h"
#include "Language.h"
#include "LoadProgressDialog.h"
#include "MainWindow.h"
#include "OpenGLWidget.h"
#include "RightSetting.h"
#include "TempDir.h"
#include "UiTestSupport.h"
#include "UserSettings.h"

namespace {

// A level ring of four cameras, plus `extra` image lines, with the images
// riggen renders for it (and its scene at panorama size, when named).
std::string levelRing(const ScratchDir& dir, const std::string& name,
                      const std::string& extra = std::string(),
                      const std::string& scene = std::string()) {
    std::string ring = "p f2 w960 h480 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n";
    for (int k = 0; k < 4; ++k)
        ring += "i w320 h180 f0 v100 r0 p0 y" + std::to_string(90 * k) + " n\"c" +
                std::to_string(k) + ".jpg\"\n";
    const std::string pto = dir.write(name, ring + extra);
    QStringList args{QString::fromStdString(pto)};
    if (!scene.empty()) args = QStringList{"--scene", QString::fromStdString(scene)} + args;
    EXPECT_EQ(QProcess::execute(ORVIK_BIN_DIR "/riggen", args), 0);
    return pto;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        project = &resetProject(4);
        window = std::make_unique<MainWindow>();
    }
    void TearDown() override {
        window.reset();
        resetProject(0);
    }
    // Shortcuts reach the active window only. Qt's notion of it is set without
    // waiting for the X server, where another test's window may hold the focus.
    bool showActive() {
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) return false;
        QApplication::setActiveWindow(window.get());
        return QApplication::activeWindow() == window.get();
    }
    Project* project = nullptr;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, LoadingAnUnreadableProjectWarnsAndEmptiesThePanels) {
    ScratchDir dir;
    const std::pair<std::string, const char*> files[] = {
        {"/nonexistent/folder/rig.pto", "does not exist"},
        {dir.write("empty.pto", ""), "is empty"},
        {dir.write("garbage.pto", "\x7f\x01garbage\n"), "no panorama line"},
    };
    for (const auto& [path, reason] : files) {
        MessageBoxCloser closer;
        testing::internal::CaptureStdout();
        window->loadSequence(path);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(closer.boxes, 1) << path;
        EXPECT_TRUE(closer.text.contains(QString::fromStdString(path))) << path;
        EXPECT_TRUE(closer.text.contains(reason)) << closer.text.toStdString();
    }
    EXPECT_TRUE(project->cameras.empty());
    EXPECT_TRUE(window->findChild<RightSetting*>()->panels.isEmpty());
    EXPECT_TRUE(project->loaded);
    // The progress dialog lived only while the load ran.
    EXPECT_EQ(window->findChild<LoadProgressDialog*>(), nullptr);

    // A panorama far too large for the machine: refused before the remapper,
    // said in the status bar and the messages, the panels show its cameras.
    const std::string huge = dir.write("huge.pto",
                                       "p f2 w1000000 h500000 v360 n\"TIFF_m r:CROP\"\n"
                                       "i w320 h180 f0 v100 y0 n\"c0.jpg\"\n"
                                       "i w320 h180 f0 v100 y90 n\"c1.jpg\"\n");
    testing::internal::CaptureStdout();
    window->loadSequence(huge);
    testing::internal::GetCapturedStdout();
    const QString status = window->statusBar()->currentMessage();
    EXPECT_TRUE(status.startsWith("the layers of this project (2 cameras")) << status.toStdString();
    EXPECT_TRUE(status.contains("of memory, but") && status.contains("available"));
    EXPECT_TRUE(window->findChild<QListWidget*>("messagesList")
                    ->item(0)
                    ->text()
                    .contains("the layers of this project"));
    EXPECT_EQ(window->findChild<RightSetting*>()->panels.size(), 2);
    EXPECT_FALSE(QDir(QString::fromStdString(dir.file("tiff"))).exists());
}

// A level ring, and the same ring with a 360-degree camera whose middle row has
// no edge, loaded for real through the remapper.
TEST_F(MainWindowTest, CamerasLeftOutAndReloadsInAutomaticMode) {
    ScratchDir dir;
    const std::string rig = levelRing(dir, "rig.pto");
    const std::string rig360 =
        levelRing(dir, "rig360.pto", "i w320 h160 f4 v360 r0 p0 y0 n\"pano360.jpg\"\n");
    testing::internal::CaptureStdout();

    // The camera without a boundary is named in the status bar, and an export
    // ends with a warning besides the completion box.
    window->loadSequence(rig360);
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("camera 4 (pano360.jpg)"));
    {
        MessageBoxCloser closer;
        window->findChild<QAction*>("actionExport_FPGA")->trigger();
        EXPECT_EQ(closer.boxes, 2);
        EXPECT_TRUE(closer.text.contains("camera 4 (pano360.jpg)")) << closer.text.toStdString();
    }

    // A reload while the automatic box is ticked gives the automatic seams
    // (the default crop leaves holes, which the status bar names).
    window->loadSequence(rig);
    EXPECT_TRUE(window->statusBar()->currentMessage().startsWith(QString::fromUtf8("表格有空洞")));
    std::vector<std::vector<BoundaryEdge>> manual, automatic;
    for (const Camara& c : project->cameras) manual.push_back(c.imgBdy);
    window->findChild<QCheckBox*>("m_AutoMixCombox")->setChecked(true);
    for (const Camara& c : project->cameras) automatic.push_back(c.imgBdy);
    EXPECT_NE(automatic, manual);
    window->loadSequence(rig);
    for (size_t i = 0; i < automatic.size(); ++i)
        EXPECT_EQ(project->cameras[i].imgBdy, automatic[i]) << "camera " << i;
    // A camera sent to the bottom is faded over by its neighbours instead.
    const double weight = cv::sum(project->cameras[0].displayImage)[3];
    window->findChild<RightSetting*>()
        ->panels[0]
        ->findChild<QPushButton*>("buttom_Button")
        ->click();
    EXPECT_NE(cv::sum(project->cameras[0].displayImage)[3], weight);
    testing::internal::GetCapturedStdout();
}

// Content seams chosen in the combo box on a rig with parallax: placed at once
// in automatic mode, each seam's disagreement listed in the messages dock, the
// choice kept in the settings and restored with the seams on a reload.
TEST_F(MainWindowTest, ContentSeamsAreChosenListedAndRestored) {
    ScratchDir dir;
    const std::string rig = levelRing(dir, "rig.pto");
    ASSERT_EQ(QProcess::execute(ORVIK_BIN_DIR "/riggen",
                                {"--parallax-radius", "0.06", QString::fromStdString(rig)}),
              0);
    testing::internal::CaptureStdout();
    window->loadSequence(rig);
    auto* seams = window->findChild<QComboBox*>("m_SeamModeCombo");
    auto* list = window->findChild<QListWidget*>("messagesList");
    ASSERT_TRUE(seams && list);
    window->findChild<QCheckBox*>("m_AutoMixCombox")->setChecked(true);
    std::vector<cv::Mat> middle;
    for (const Camara& c : project->cameras) middle.push_back(c.displayImage.clone());
    seams->setCurrentIndex(1);
    EXPECT_EQ(project->seamMode, SeamMode::Content);
    EXPECT_EQ(project->placedSeams.size(), 4u);
    EXPECT_GT(cv::norm(project->cameras[0].displayImage, middle[0], cv::NORM_INF), 0);
    EXPECT_TRUE(window->isWindowModified());
    auto listed = [list] {
        int n = 0;
        for (int k = 0; k < list->count(); ++k)
            n += list->item(k)->toolTip().startsWith("seam camera ");
        return n;
    };
    EXPECT_EQ(listed(), 8);  // the middle rule's four seams, then the content seams'
    EXPECT_TRUE(list->item(0)->toolTip().startsWith("seam camera 0 over camera 1"));

    window->findChild<QAction*>("actionSave_Settings")->trigger();
    std::vector<cv::Mat> content;
    for (const Camara& c : project->cameras) content.push_back(c.displayImage.clone());
    seams->setCurrentIndex(0);
    EXPECT_TRUE(project->placedSeams.empty());
    window->loadSequence(rig);
    EXPECT_EQ(seams->currentIndex(), 1);
    for (size_t i = 0; i < content.size(); ++i)
        EXPECT_EQ(cv::norm(project->cameras[i].displayImage, content[i], cv::NORM_INF), 0) << i;
    EXPECT_EQ(listed(), 16);
    testing::internal::GetCapturedStdout();
}

// The device view shows the normalised blend: where the layered preview darkens
// the feathered seams over black, it keeps the scene's brightness. It follows a
// slider, and clearing the box brings the layered preview back.
TEST_F(MainWindowTest, DeviceViewShowsTheNormalisedBlend) {
    ScratchDir dir;
    const std::string rig = levelRing(dir, "rig.pto", "", dir.file("scene.png"));
    cv::Mat scene;
    cv::resize(cv::imread(dir.file("scene.png")), scene, cv::Size(900, 450), 0, 0, cv::INTER_AREA);
    // Over the rows every camera covers, the darkest column's share of the
    // scene's brightness there.
    auto darkest = [&scene](const QImage& shot) {
        const QImage rgb = shot.convertToFormat(QImage::Format_RGB888);
        const cv::Mat view(rgb.height(), rgb.width(), CV_8UC3, const_cast<uchar*>(rgb.bits()),
                           static_cast<size_t>(rgb.bytesPerLine()));
        auto brightness = [](const cv::Mat& column) {
            const cv::Scalar sum = cv::sum(column);
            return sum[0] + sum[1] + sum[2];
        };
        double least = 1e9;
        for (int x = 0; x < 900; ++x) {
            const cv::Rect band(x, 185, 1, 80);
            least = std::min(least, brightness(view(band)) / brightness(scene(band)));
        }
        return least;
    };
    testing::internal::CaptureStdout();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->loadSequence(rig);
    auto* preview = window->findChild<OpenGLWidget*>();
    auto* device = window->findChild<QCheckBox*>("m_DeviceViewCombox");
    // Untrimmed cameras overlap; wide feathers make the seams translucent.
    const auto& panels = window->findChild<RightSetting*>()->panels;
    for (const char* trim : {"dirction_sliderL", "direction_sliderR"})
        for (CameraSetting* panel : panels) panel->findChild<QSlider*>(trim)->setValue(50000);
    window->findChild<QSlider*>("BlendSlider")->setValue(60000);
    const QImage layered = preview->grabFramebuffer();
    EXPECT_LT(darkest(layered), 0.5);

    device->setChecked(true);
    EXPECT_GT(darkest(preview->grabFramebuffer()), 0.8);
    // A trim that opens a gap between two cameras leaves a hole.
    QSlider* trim = panels[0]->findChild<QSlider*>("dirction_sliderL");
    trim->setValue(0);
    QCoreApplication::processEvents();
    EXPECT_LT(darkest(preview->grabFramebuffer()), 0.5);

    trim->setValue(50000);
    device->setChecked(false);
    EXPECT_EQ(preview->grabFramebuffer(), layered);
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
    testing::internal::GetCapturedStdout();
}

// Settings tuned in the window are saved by an export, give the command line
// the same tables, come back after a reset and a reload, and a bad file is
// refused as a whole.
TEST_F(MainWindowTest, SettingsSurviveExportResetAndReload) {
    ScratchDir dir;
    const std::string rig = levelRing(dir, "rig.pto");
    const QString settings = QString::fromStdString(dir.file("rig.orvik.json"));
    testing::internal::CaptureStdout();
    window->loadSequence(rig);
    EXPECT_FALSE(window->isWindowModified());
    auto* right = window->findChild<RightSetting*>();
    auto slider = [&](QWidget* form, const char* name) { return form->findChild<QSlider*>(name); };
    slider(window.get(), "BlendSlider")->setValue(9000);
    slider(window.get(), "CutSilder")->setValue(4000);
    slider(right->panels[1], "dirction_sliderL")->setValue(3000);
    slider(right->panels[2], "direction_sliderR")->setValue(5000);
    right->panels[0]->findChild<QPushButton*>("buttom_Button")->click();
    right->panels[3]->findChild<QCheckBox*>("hide_CheckBox")->setChecked(true);
    EXPECT_TRUE(window->isWindowModified());

    const char* tables[] = {"Camera_2K_Project.tab", "QuickWeave_Projcet.tab",
                            "Camera_4K_Project.tab"};
    std::vector<QByteArray> fromWindow;
    {
        MessageBoxCloser closer;
        for (const char* action : {"actionExport_FPGA", "actionExport_Red", "action_QELO4K"})
            window->findChild<QAction*>(action)->trigger();
    }
    // The status bar names the last table written.
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(
        QString::fromStdString(dir.file("Camera_4K_Project.tab"))));
    for (const char* t : tables)
        fromWindow.push_back(fileBytes(QString::fromStdString(dir.file(t))));
    EXPECT_TRUE(QFile::exists(settings));
    EXPECT_FALSE(window->isWindowModified());
    const RigSettings saved = RigSettings::capture(*project);

    QProcess cli;
    cli.start(ORVIK_BIN_DIR "/orvikjoint-cli",
              {"export", "--allow-holes", QString::fromStdString(rig)});
    ASSERT_TRUE(cli.waitForFinished(300000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    for (size_t t = 0; t < 3; ++t) {
        EXPECT_FALSE(fromWindow[t].isEmpty()) << tables[t];
        EXPECT_EQ(fileBytes(QString::fromStdString(dir.file(tables[t]))), fromWindow[t])
            << tables[t];
    }

    window->findChild<QAction*>("actionReset_Settings")->trigger();
    EXPECT_EQ(RigSettings::capture(*project), RigSettings::defaults(*project));
    EXPECT_EQ(slider(window.get(), "CutSilder")->value(), 0);
    EXPECT_EQ(slider(right->panels[1], "dirction_sliderL")->value(), 0);
    EXPECT_TRUE(window->isWindowModified());
    {
        MessageBoxCloser closer;  // answers neither save nor cancel: the window closes
        EXPECT_TRUE(window->close());
        EXPECT_EQ(closer.boxes, 1);
        EXPECT_TRUE(closer.text.contains("rig.pto have changed")) << closer.text.toStdString();
    }

    window->loadSequence(rig);
    EXPECT_TRUE(
        window->statusBar()->currentMessage().startsWith("settings restored from " + settings));
    EXPECT_EQ(RigSettings::capture(*project), saved);
    EXPECT_EQ(slider(window.get(), "CutSilder")->value(), 4000);
    EXPECT_EQ(slider(right->panels[1], "dirction_sliderL")->value(), 3000);
    EXPECT_TRUE(right->panels[3]->findChild<QCheckBox*>("hide_CheckBox")->isChecked());
    EXPECT_FALSE(window->isWindowModified());

    dir.write("rig.orvik.json", "{\"formatVersion\": 1, \"blendValue\": -4}");
    {
        MessageBoxCloser closer;
        window->loadSequence(rig);
        EXPECT_EQ(closer.boxes, 1);
        EXPECT_TRUE(closer.text.contains("settings file " + settings + ": 'project' is missing"))
            << closer.text.toStdString();
    }
    EXPECT_EQ(RigSettings::capture(*project), RigSettings::defaults(*project));
    testing::internal::GetCapturedStdout();
}

// Ctrl+O starts in the folder last used, the English translation retitles the
// menus live, typed values apply or are refused, Ctrl+Q quits.
TEST_F(MainWindowTest, KeyboardLanguageAndTypedValues) {
    ScratchDir dir;
    ASSERT_TRUE(showActive());
    userSettings().setValue("lastOpenFolder", QString::fromStdString(dir.path()));
    QString dialogFolder;
    QTimer::singleShot(200, [&dialogFolder] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        dialogFolder = dialog->directory().absolutePath();
        dialog->reject();
    });
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogFolder, QString::fromStdString(dir.path()));

    auto* menu = window->findChild<QMenu*>("menuFile");
    ASSERT_TRUE(setLanguage("en"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(menu->title(), "&File");
    EXPECT_TRUE(window->findChild<QLCDNumber*>("CutNum")->toolTip().startsWith("Double-click"));
    ASSERT_TRUE(setLanguage("zh"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(menu->title(), QString::fromUtf8("文件"));

    auto* blendNum = window->findChild<QLCDNumber*>("BlendNum");
    QTest::mouseDClick(blendNum, Qt::LeftButton);
    QLineEdit* editor = blendNum->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("12000");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(project->blendValue, 12000);
    EXPECT_EQ(blendNum->intValue(), 12000);
    auto* trim = window->findChild<RightSetting*>()->panels[1];
    auto* trimEdit = trim->findChild<QLineEdit*>("dirL_lineEdit");
    for (const char* refused : {"70000", "-1", "abc"}) {
        trimEdit->setText(refused);
        QTest::keyClick(trimEdit, Qt::Key_Return);
        EXPECT_EQ(trimEdit->text(), "0") << refused;
        EXPECT_TRUE(window->statusBar()->currentMessage().contains("0 到 60000")) << refused;
    }
    EXPECT_EQ(project->cameras[1].dirL, 0);

    ASSERT_TRUE(showActive());
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

// In English nothing the window shows is left in Chinese (a text added without
// its translation), the About box included, which gives the version.
TEST_F(MainWindowTest, EnglishLeavesNoTextUntranslated) {
    const QRegularExpression chinese("[\\x{4e00}-\\x{9fff}]");
    ASSERT_TRUE(setLanguage("en"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    QStringList left;
    for (QAction* action : window->findChildren<QAction*>())
        if (action != window->findChild<QAction*>("actionLanguage_Chinese") &&
            (action->text() + action->toolTip()).contains(chinese))
            left << action->text();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        QString text = w->toolTip() + w->windowTitle();
        if (auto* label = qobject_cast<QLabel*>(w)) text += label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) text += button->text();
        if (auto* box = qobject_cast<QGroupBox*>(w)) text += box->title();
        if (text.contains(chinese)) left << w->objectName() + ": " + text;
    }
    MessageBoxCloser closer;
    window->findChild<QAction*>("actionAbout")->trigger();
    ASSERT_TRUE(setLanguage("zh"));
    EXPECT_TRUE(left.isEmpty()) << left.join("\n").toStdString();
    EXPECT_EQ(closer.boxes, 1);
    EXPECT_TRUE(closer.text.contains("OrvikJoint " ORVIK_VERSION)) << closer.text.toStdString();
    EXPECT_FALSE((closer.title + closer.text).contains(chinese)) << closer.text.toStdString();
}

// Ctrl+E writes all three tables and lists each with its size, and the camera
// left out; the messages dock has that camera too. The crop tip is in pixels.
TEST_F(MainWindowTest, ExportAllSummaryListsEveryFile) {
    ScratchDir dir;
    const std::string rig360 =
        levelRing(dir, "rig360.pto", "i w320 h160 f4 v360 r0 p0 y0 n\"pano360.jpg\"\n");
    testing::internal::CaptureStdout();
    window->loadSequence(rig360);
    window->findChild<QSlider*>("CutSilder")->setValue(20000);
    EXPECT_TRUE(window->findChild<QSlider*>("CutSilder")
                    ->toolTip()
                    .contains(QString::fromUtf8("正好落在接缝边缘上")));
    ASSERT_TRUE(showActive());
    MessageBoxCloser closer;
    QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(closer.boxes, 1);
    for (const char* t :
         {"QuickWeave_Projcet.tab", "Camera_2K_Project.tab", "Camera_4K_Project.tab"}) {
        const QString path = QString::fromStdString(dir.file(t));
        EXPECT_TRUE(closer.text.contains(
            QString::fromUtf8("%1（%2 字节）").arg(path).arg(QFileInfo(path).size())))
            << t << closer.text.toStdString();
    }
    EXPECT_TRUE(closer.text.contains("camera 4 (pano360.jpg)")) << closer.text.toStdString();
    EXPECT_TRUE(
        window->findChild<QListWidget*>("messagesList")->item(0)->text().contains("camera 4"));

    // A table that cannot be written (a folder in the 4K table's way): the
    // others are not replaced either.
    const QString fourK = QString::fromStdString(dir.file("Camera_4K_Project.tab"));
    auto bytes = [&dir] {
        QFile f(QString::fromStdString(dir.file("QuickWeave_Projcet.tab")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray quickWeave = bytes();
    QFile::remove(fourK);
    QDir().mkdir(fourK);
    window->findChild<QSlider*>("CutSilder")->setValue(25000);
    QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(closer.boxes, 2);
    EXPECT_TRUE(closer.text.contains(QString::fromUtf8("没有替换任何表")))
        << closer.text.toStdString();
    EXPECT_EQ(bytes(), quickWeave);
}

// The default crop clears the middle of three cameras: the status bar, the
// dock, the seam overlay, the tips and the export summary say so, and a crop
// of 20000 takes it all back.
TEST_F(MainWindowTest, HolesShowWhereTheOperatorLooks) {
    ScratchDir dir;
    const std::string rig = levelRing(dir, "rig.pto");
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    testing::internal::CaptureStdout();
    window->loadSequence(rig);
    testing::internal::GetCapturedStdout();
    auto* preview = window->findChild<OpenGLWidget*>();
    auto* label = window->findChild<QLabel*>("holesLabel");
    QSlider* crop = window->findChild<QSlider*>("CutSilder");
    QSlider* trim =
        window->findChild<RightSetting*>()->panels[1]->findChild<QSlider*>("dirction_sliderL");
    const QString cause = QString::fromUtf8("裁剪 0 清除了相机 0、1、3的中间部分");
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(cause))
        << window->statusBar()->currentMessage().toStdString();
    EXPECT_TRUE(label->isVisible());
    EXPECT_TRUE(window->findChild<QListWidget*>("messagesList")
                    ->item(0)
                    ->text()
                    .contains("of what the cameras see has no weight"));
    EXPECT_TRUE(crop->toolTip().contains(QString::fromUtf8("清除了相机 0、1、3中间的")));
    EXPECT_TRUE(trim->toolTip().contains(QString::fromUtf8("它移动清除部分的左边")));
    // Camera 0's hole, marked in red over the layered preview.
    ASSERT_FALSE(preview->uncoveredAreas().empty());
    const cv::Rect hole = preview->uncoveredAreas()[1];
    window->findChild<QAction*>("actionShow_Seams")->setChecked(true);
    const QImage shot = preview->grabFramebuffer();
    const Rgb mark = framebufferPixel(shot, (hole.x + hole.width / 3) * shot.width() / 960,
                                      (hole.y + hole.height / 2) * shot.height() / 480);
    EXPECT_GT(mark.r, mark.g + 60);
    {
        MessageBoxCloser closer;
        testing::internal::CaptureStdout();
        window->findChild<QAction*>("actionExport_All")->trigger();
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(closer.title, QString::fromUtf8("导出不完整"));
        EXPECT_TRUE(closer.text.contains(QString::fromUtf8("\n\n表格有空洞：相机所见的")));
        EXPECT_TRUE(closer.text.contains(cause)) << closer.text.toStdString();
    }
    crop->setValue(20000);
    EXPECT_FALSE(label->isVisible());
    EXPECT_FALSE(window->statusBar()->currentMessage().contains(cause));
    EXPECT_TRUE(preview->uncoveredAreas().empty());
    EXPECT_TRUE(trim->toolTip().contains(QString::fromUtf8("右侧切口")));
}

// A rig opened without a settings file keeps the last one's tuning and says
// so; a missing image is named before what it causes, and marked on its panel.
TEST_F(MainWindowTest, InheritedTuningAndAMissingImageAreNamedFirst) {
    ScratchDir first, second;
    const std::string rig = levelRing(first, "rig.pto");
    const std::string broken = levelRing(second, "broken.pto");
    QFile::remove(QString::fromStdString(second.file("c2.jpg")));
    testing::internal::CaptureStdout();
    window->loadSequence(rig);
    window->findChild<QSlider*>("CutSilder")->setValue(20000);
    window->findChild<QCheckBox*>("m_AutoMixCombox")->setChecked(true);
    {
        MessageBoxCloser closer;
        window->loadSequence(broken);
        EXPECT_EQ(closer.boxes, 1);
        EXPECT_EQ(closer.title, "Camera images missing");
        EXPECT_TRUE(closer.text.contains("camera 2 (c2.jpg)")) << closer.text.toStdString();
    }
    const QString status = window->statusBar()->currentMessage();
    EXPECT_TRUE(status.startsWith("camera 2 (c2.jpg): its source image ")) << status.toStdString();
    EXPECT_TRUE(
        status.contains(QString::fromUtf8("broken.pto 没有自己的设置文件：沿用上一个方案的"
                                          "调整（混合 0，裁剪 20000，自动裁剪混合）")));
    const auto& panels = window->findChild<RightSetting*>()->panels;
    EXPECT_TRUE(panels[2]->findChild<QGroupBox*>("Cam0")->title().endsWith(
        QString::fromUtf8("缺少图像 c2.jpg")));
    EXPECT_EQ(panels[1]->findChild<QGroupBox*>("Cam0")->title(), "Camera:1");
    testing::internal::GetCapturedStdout();
}

}  // namespace
