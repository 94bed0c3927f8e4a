// The main window and the forms it hosts: objects, names, placement, texts,
// ranges and styles, and the load sequence's effect on the panels.
#include "MainWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <memory>

#include "ButtomSetting.h"
#include "CameraSetting.h"
#include "LoadProgressDialog.h"
#include "OpenGLWidget.h"
#include "RightSetting.h"
#include "UiTestSupport.h"

namespace {

const char* const kLcdStyle = "background-color: rgb(76, 76, 76);\ncolor: rgb(0, 255, 0);";

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
    Project* project = nullptr;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, WindowObjectsMenuAndPlacement) {
    EXPECT_EQ(window->objectName(), "MainWindow");
    EXPECT_EQ(window->windowTitle(), "MainWindow");
    EXPECT_EQ(window->minimumSize(), QSize(1300, 700));
    EXPECT_EQ(window->maximumSize(), QSize(1300, 700));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);

    auto* central = window->findChild<QWidget*>("centralWidget");
    ASSERT_TRUE(central);
    EXPECT_EQ(window->centralWidget(), central);
    auto* menuBar = window->findChild<QMenuBar*>("menuBar");
    ASSERT_TRUE(menuBar);
    EXPECT_EQ(window->menuBar(), menuBar);
    auto* toolBar = window->findChild<QToolBar*>("mainToolBar");
    ASSERT_TRUE(toolBar);
    EXPECT_TRUE(toolBar->actions().isEmpty());
    EXPECT_EQ(window->toolBarArea(toolBar), Qt::TopToolBarArea);
    auto* statusBar = window->findChild<QStatusBar*>("statusBar");
    ASSERT_TRUE(statusBar);
    EXPECT_EQ(window->statusBar(), statusBar);

    auto* menuFile = window->findChild<QMenu*>("menuFile");
    ASSERT_TRUE(menuFile);
    EXPECT_EQ(menuFile->title(), QString::fromUtf8("文件"));
    ASSERT_EQ(menuBar->actions().size(), 1);
    EXPECT_EQ(menuBar->actions()[0], menuFile->menuAction());
    const QList<QAction*> actions = menuFile->actions();
    const char* names[] = {"actionLoad_Scheme", "actionExport_Red", "actionExport_FPGA",
                           "action_QELO4K"};
    const char* texts[] = {"打开", "导出OrvikQuickWeave方案", "导出相机方案", "导出相机4K方案"};
    ASSERT_EQ(actions.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(actions[i]->objectName(), names[i]);
        EXPECT_EQ(actions[i]->text(), QString::fromUtf8(texts[i]));
        EXPECT_TRUE(actions[i]->shortcut().isEmpty());
        EXPECT_TRUE(actions[i]->icon().isNull());
    }

    auto* preview = window->findChild<OpenGLWidget*>();
    auto* bottom = window->findChild<ButtomSetting*>();
    auto* right = window->findChild<RightSetting*>();
    ASSERT_TRUE(preview && bottom && right);
    EXPECT_EQ(preview->parentWidget(), central);
    EXPECT_EQ(bottom->parentWidget(), central);
    EXPECT_EQ(right->parentWidget(), central);
    EXPECT_EQ(preview->geometry(), QRect(0, 0, 900, 450));
    EXPECT_EQ(bottom->geometry(), QRect(0, 470, 900, 120));
    EXPECT_EQ(right->geometry(), QRect(910, 0, 350, 600));
    EXPECT_EQ(project->previewWidget, preview);
    EXPECT_EQ(project->bottomPanel, bottom);
    EXPECT_EQ(project->rightPanel, right);
}

TEST_F(MainWindowTest, BlendAndCropForm) {
    auto* form = window->findChild<ButtomSetting*>();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->objectName(), "ButtomSetting");
    EXPECT_EQ(form->windowTitle(), "Form");
    auto* outer = form->findChild<QGridLayout*>("gridLayout_2");
    auto* inner = form->findChild<QGridLayout*>("gridLayout");
    ASSERT_TRUE(outer && inner);
    EXPECT_EQ(form->layout(), outer);

    auto cellOf = [](QGridLayout* grid, QObject* item) {
        int index = -1;
        for (int i = 0; i < grid->count(); ++i) {
            QLayoutItem* at = grid->itemAt(i);
            if (at->widget() == item || at->layout() == item) index = i;
        }
        int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
        if (index >= 0) grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        return std::vector<int>{row, column, rowSpan, columnSpan};
    };
    EXPECT_EQ(cellOf(outer, inner), (std::vector<int>{2, 0, 1, 1}));
    auto* autoBox = form->findChild<QCheckBox*>("m_AutoMixCombox");
    ASSERT_TRUE(autoBox);
    EXPECT_EQ(cellOf(outer, autoBox), (std::vector<int>{1, 0, 1, 1}));
    EXPECT_EQ(autoBox->text(), QString::fromUtf8("自动裁剪混合"));

    auto* label = form->findChild<QLabel*>("label");
    auto* label4 = form->findChild<QLabel*>("label_4");
    auto* blend = form->findChild<QSlider*>("BlendSlider");
    auto* cut = form->findChild<QSlider*>("CutSilder");
    auto* blendNum = form->findChild<QLCDNumber*>("BlendNum");
    auto* cutNum = form->findChild<QLCDNumber*>("CutNum");
    ASSERT_TRUE(label && label4 && blend && cut && blendNum && cutNum);
    EXPECT_EQ(label->text(), QString::fromUtf8("混合："));
    EXPECT_EQ(label4->text(), QString::fromUtf8("裁剪"));
    EXPECT_EQ(cellOf(inner, label), (std::vector<int>{0, 0, 1, 1}));
    EXPECT_EQ(cellOf(inner, blend), (std::vector<int>{0, 1, 1, 2}));
    EXPECT_EQ(cellOf(inner, blendNum), (std::vector<int>{0, 3, 1, 1}));
    EXPECT_EQ(cellOf(inner, label4), (std::vector<int>{1, 0, 1, 1}));
    EXPECT_EQ(cellOf(inner, cut), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(cellOf(inner, cutNum), (std::vector<int>{1, 3, 1, 1}));
    for (QSlider* slider : {blend, cut}) {
        EXPECT_EQ(slider->orientation(), Qt::Horizontal);
        EXPECT_EQ(slider->minimum(), 0);
        EXPECT_EQ(slider->maximum(), 60000);
        EXPECT_TRUE(slider->hasTracking());
    }
    EXPECT_EQ(blendNum->styleSheet(), kLcdStyle);
    EXPECT_EQ(cutNum->styleSheet(), kLcdStyle);
}

TEST_F(MainWindowTest, CameraPanelsForm) {
    auto* right = window->findChild<RightSetting*>();
    ASSERT_TRUE(right);
    EXPECT_EQ(right->objectName(), "RightSetting");
    EXPECT_EQ(right->windowTitle(), "Frame");
    EXPECT_EQ(right->frameShape(), QFrame::StyledPanel);
    EXPECT_EQ(right->frameShadow(), QFrame::Raised);
    auto* scroll = right->findChild<QScrollArea*>("scrollArea");
    ASSERT_TRUE(scroll);
    EXPECT_TRUE(scroll->widgetResizable());
    EXPECT_EQ(scroll->widget()->objectName(), "scrollAreaWidgetContents");
    auto* column = right->findChild<QVBoxLayout*>("verticalLayout1");
    ASSERT_TRUE(column);
    EXPECT_EQ(column->spacing(), 6);
    EXPECT_EQ(column->contentsMargins(), QMargins(6, 6, 6, 6));
    ASSERT_EQ(right->panels.size(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(column->itemAt(i)->widget(), right->panels[i]);

    CameraSetting* panel = right->panels[0];
    EXPECT_EQ(panel->objectName(), "CameraSetting");
    EXPECT_EQ(panel->windowTitle(), "Form");
    ASSERT_TRUE(panel->findChild<QFormLayout*>("formLayout"));
    EXPECT_EQ(panel->findChild<QLabel*>("label_7")->text(), QString(52, '-'));
    auto* group = panel->findChild<QGroupBox*>("Cam0");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->maximumWidth(), 440);
    auto* rows = group->findChild<QVBoxLayout*>("verticalLayout");
    ASSERT_TRUE(rows);
    const char* rowNames[] = {"alpha_line", "top_line", "horizontalLayout", "px_line", "px_line_2"};
    ASSERT_EQ(rows->count(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(rows->itemAt(i)->layout()->objectName(), rowNames[i]);

    const std::pair<const char*, const char*> texts[] = {
        {"label_6", "透明:"}, {"label_8", "direction(l):"}, {"label_9", "direction(r):"}};
    for (const auto& [name, text] : texts)
        EXPECT_EQ(panel->findChild<QLabel*>(name)->text(), QString::fromUtf8(text)) << name;
    EXPECT_EQ(panel->findChild<QCheckBox*>("alpha_checkBox")->text(),
              QString::fromUtf8("同步所有"));
    EXPECT_EQ(panel->findChild<QCheckBox*>("gaoliang_checkBox")->text(),
              QString::fromUtf8("高亮显示"));
    EXPECT_EQ(panel->findChild<QCheckBox*>("hide_CheckBox")->text(), QString::fromUtf8("隐藏"));
    EXPECT_EQ(panel->findChild<QSlider*>("alpha_slider")->maximum(), 255);
    EXPECT_EQ(panel->findChild<QSlider*>("dirction_sliderL")->maximum(), 60000);
    EXPECT_EQ(panel->findChild<QSlider*>("direction_sliderR")->maximum(), 60000);
    for (const char* name : {"alpha_lineEdit", "dirL_lineEdit", "dirR_lineEdit"})
        EXPECT_EQ(panel->findChild<QLineEdit*>(name)->maximumWidth(), 90) << name;
    auto* order = panel->findChild<QLCDNumber*>("top_index_lcdNumber");
    EXPECT_EQ(order->minimumWidth(), 80);
    EXPECT_EQ(order->styleSheet(), kLcdStyle);
    EXPECT_EQ(order->segmentStyle(), QLCDNumber::Flat);
    EXPECT_FALSE(order->smallDecimalPoint());
}

TEST_F(MainWindowTest, LoadingAnUnreadableProjectEmptiesThePanels) {
    testing::internal::CaptureStdout();
    window->loadSequence("/nonexistent/folder/rig.pto");
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(project->cameras.empty());
    EXPECT_TRUE(window->findChild<RightSetting*>()->panels.isEmpty());
    EXPECT_TRUE(project->loaded);
    // The progress dialog lived only while the load ran.
    EXPECT_EQ(window->findChild<LoadProgressDialog*>(), nullptr);
}

}  // namespace

namespace {

TEST(LoadProgressDialogTest, AdvancesThroughBothPhases) {
    resetProject(0);
    QWidget parent;
    LoadProgressDialog progress(&parent, 4);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_TRUE(progress.isModal());
    EXPECT_EQ(progress.maximum(), 8);
    EXPECT_EQ(progress.value(), 0);

    progress.remapperProgress(2, 4);
    EXPECT_EQ(progress.value(), 2);
    EXPECT_EQ(progress.labelText(), QString::fromUtf8("正在重映射相机 2/4"));
    progress.analysisProgress(1, 4);
    EXPECT_EQ(progress.value(), 5);
    EXPECT_EQ(progress.labelText(), QString::fromUtf8("正在分析相机 1/4"));
    // Counts out of range stay within the bar.
    progress.analysisProgress(9, 4);
    EXPECT_EQ(progress.value(), 8);
    progress.finish();
    EXPECT_FALSE(progress.isVisible());
}

}  // namespace
