// Runs on a real window: needs a display (the suite runs under xvfb-run).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest/QTest>

#include "ButtomSetting.h"
#include "MainWindow.h"
#include "OpenGLWidget.h"
#include "RightSetting.h"
#include "project/Project.h"

namespace {
QApplication* app() {
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return a;
}
}  // namespace

TEST(MainWindow, FormObjectsGeometryAndMenu) {
    app();
    Project project;
    MainWindow w;
    w.setWindowTitle("OrvikJoint");
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    EXPECT_EQ(w.objectName(), "MainWindow");
    EXPECT_EQ(w.windowTitle(), "OrvikJoint");
    EXPECT_EQ(w.size(), QSize(1300, 700));
    EXPECT_EQ(w.minimumSize(), QSize(1300, 700));
    EXPECT_EQ(w.maximumSize(), QSize(1300, 700));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);

    auto* central = w.findChild<QWidget*>("centralWidget");
    ASSERT_NE(central, nullptr);
    EXPECT_EQ(w.centralWidget(), central);
    ASSERT_NE(w.findChild<QToolBar*>("mainToolBar"), nullptr);
    EXPECT_TRUE(w.findChild<QToolBar*>("mainToolBar")->actions().isEmpty());
    EXPECT_EQ(w.statusBar()->objectName(), "statusBar");
    EXPECT_EQ(w.menuBar()->objectName(), "menuBar");

    auto* preview = central->findChild<OpenGLWidget*>();
    auto* bottom = central->findChild<ButtomSetting*>();
    auto* right = central->findChild<RightSetting*>();
    ASSERT_TRUE(preview && bottom && right);
    EXPECT_EQ(preview->geometry(), QRect(0, 0, 900, 450));
    EXPECT_EQ(bottom->geometry(), QRect(0, 470, 900, 120));
    EXPECT_EQ(right->geometry(), QRect(910, 0, 350, 600));
    EXPECT_EQ(project.previewWidget, preview);
    EXPECT_EQ(project.bottomPanel, bottom);
    EXPECT_EQ(project.rightPanel, right);

    auto* file = w.findChild<QMenu*>("menuFile");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->title(), QString::fromUtf8("文件"));
    EXPECT_EQ(w.menuBar()->actions().size(), 1);
    EXPECT_EQ(w.menuBar()->actions().value(0), file->menuAction());
    const QList<QAction*> actions = file->actions();
    ASSERT_EQ(actions.size(), 4);
    const char* names[] = {"actionLoad_Scheme", "actionExport_Red", "actionExport_FPGA",
                           "action_QELO4K"};
    const char* texts[] = {"打开", "导出OrvikQuickWeave方案", "导出相机方案", "导出相机4K方案"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(actions[i]->objectName(), names[i]);
        EXPECT_EQ(actions[i]->text(), QString::fromUtf8(texts[i]));
        EXPECT_FALSE(actions[i]->isSeparator());
        EXPECT_TRUE(actions[i]->shortcut().isEmpty());
    }
}
