// The main window's form, built in code the way Qt's form compiler builds it:
// object names first, texts in a separate translation step, slots by name.
#pragma once

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDockWidget>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QWidget>

class Ui_MainWindow {
public:
    QAction* actionLoad_Scheme;
    QAction* actionExport_Red;
    QAction* actionExport_FPGA;
    QAction* action_QELO4K;
    QAction* actionSave_Settings;
    QAction* actionReset_Settings;
    QAction* actionShow_Seams;
    QAction* actionFit_View;
    QAction* actionExport_All;
    QAction* actionQuit;
    QAction* actionLanguage_English;
    QAction* actionLanguage_Chinese;
    QAction* actionAbout;
    QActionGroup* languageGroup;
    QWidget* centralWidget;
    QMenuBar* menuBar;
    QMenu* menuFile;
    QMenu* menuView;
    QMenu* menuLanguage;
    QMenu* menuHelp;
    QDockWidget* messagesDock;
    QListWidget* messagesList;
    QToolBar* mainToolBar;
    QStatusBar* statusBar;

    void setupUi(QMainWindow* MainWindow) {
        if (MainWindow->objectName().isEmpty())
            MainWindow->setObjectName(QString::fromUtf8("MainWindow"));
        MainWindow->resize(1074, 870);
        actionLoad_Scheme = new QAction(MainWindow);
        actionLoad_Scheme->setObjectName(QString::fromUtf8("actionLoad_Scheme"));
        actionExport_Red = new QAction(MainWindow);
        actionExport_Red->setObjectName(QString::fromUtf8("actionExport_Red"));
        actionExport_FPGA = new QAction(MainWindow);
        actionExport_FPGA->setObjectName(QString::fromUtf8("actionExport_FPGA"));
        action_QELO4K = new QAction(MainWindow);
        action_QELO4K->setObjectName(QString::fromUtf8("action_QELO4K"));
        actionSave_Settings = new QAction(MainWindow);
        actionSave_Settings->setObjectName(QString::fromUtf8("actionSave_Settings"));
        actionSave_Settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        actionReset_Settings = new QAction(MainWindow);
        actionReset_Settings->setObjectName(QString::fromUtf8("actionReset_Settings"));
        actionShow_Seams = new QAction(MainWindow);
        actionShow_Seams->setObjectName(QString::fromUtf8("actionShow_Seams"));
        actionShow_Seams->setCheckable(true);
        actionFit_View = new QAction(MainWindow);
        actionFit_View->setObjectName(QString::fromUtf8("actionFit_View"));
        actionFit_View->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
        actionLoad_Scheme->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
        actionExport_All = new QAction(MainWindow);
        actionExport_All->setObjectName(QString::fromUtf8("actionExport_All"));
        actionExport_All->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
        actionQuit = new QAction(MainWindow);
        actionQuit->setObjectName(QString::fromUtf8("actionQuit"));
        actionQuit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
        // Each language is named in its own script, so neither is translated.
        languageGroup = new QActionGroup(MainWindow);
        actionLanguage_English = new QAction(QString::fromUtf8("English"), languageGroup);
        actionLanguage_English->setObjectName(QString::fromUtf8("actionLanguage_English"));
        actionLanguage_English->setCheckable(true);
        actionLanguage_Chinese = new QAction(QString::fromUtf8("中文"), languageGroup);
        actionLanguage_Chinese->setObjectName(QString::fromUtf8("actionLanguage_Chinese"));
        actionLanguage_Chinese->setCheckable(true);
        actionAbout = new QAction(MainWindow);
        actionAbout->setObjectName(QString::fromUtf8("actionAbout"));
        actionAbout->setMenuRole(QAction::AboutRole);
        centralWidget = new QWidget(MainWindow);
        centralWidget->setObjectName(QString::fromUtf8("centralWidget"));
        MainWindow->setCentralWidget(centralWidget);
        menuBar = new QMenuBar(MainWindow);
        menuBar->setObjectName(QString::fromUtf8("menuBar"));
        menuBar->setGeometry(QRect(0, 0, 1074, 22));
        menuFile = new QMenu(menuBar);
        menuFile->setObjectName(QString::fromUtf8("menuFile"));
        menuView = new QMenu(menuBar);
        menuView->setObjectName(QString::fromUtf8("menuView"));
        menuLanguage = new QMenu(menuBar);
        menuLanguage->setObjectName(QString::fromUtf8("menuLanguage"));
        menuHelp = new QMenu(menuBar);
        menuHelp->setObjectName(QString::fromUtf8("menuHelp"));
        MainWindow->setMenuBar(menuBar);
        mainToolBar = new QToolBar(MainWindow);
        mainToolBar->setObjectName(QString::fromUtf8("mainToolBar"));
        MainWindow->addToolBar(Qt::TopToolBarArea, mainToolBar);
        statusBar = new QStatusBar(MainWindow);
        statusBar->setObjectName(QString::fromUtf8("statusBar"));
        MainWindow->setStatusBar(statusBar);
        // Hidden until the operator opens it; it floats so that the window's
        // working areas keep their place.
        messagesDock = new QDockWidget(MainWindow);
        messagesDock->setObjectName(QString::fromUtf8("messagesDock"));
        messagesList = new QListWidget(messagesDock);
        messagesList->setObjectName(QString::fromUtf8("messagesList"));
        messagesDock->setWidget(messagesList);
        MainWindow->addDockWidget(Qt::BottomDockWidgetArea, messagesDock);
        messagesDock->setFloating(true);
        messagesDock->resize(700, 240);
        messagesDock->hide();

        menuBar->addAction(menuFile->menuAction());
        menuBar->addAction(menuView->menuAction());
        menuFile->addAction(actionLoad_Scheme);
        menuFile->addAction(actionExport_Red);
        menuFile->addAction(actionExport_FPGA);
        menuFile->addAction(action_QELO4K);
        menuFile->addAction(actionExport_All);
        menuFile->addSeparator();
        menuFile->addAction(actionSave_Settings);
        menuFile->addAction(actionReset_Settings);
        menuView->addAction(actionShow_Seams);
        menuView->addAction(actionFit_View);
        menuView->addSeparator();
        menuView->addAction(messagesDock->toggleViewAction());
        menuFile->addSeparator();
        menuFile->addAction(actionQuit);
        menuBar->addAction(menuLanguage->menuAction());
        menuLanguage->addAction(actionLanguage_English);
        menuLanguage->addAction(actionLanguage_Chinese);
        menuBar->addAction(menuHelp->menuAction());
        menuHelp->addAction(actionAbout);

        retranslateUi(MainWindow);
        QMetaObject::connectSlotsByName(MainWindow);
    }

    void retranslateUi(QMainWindow* MainWindow) {
        MainWindow->setWindowTitle(
            QCoreApplication::translate("MainWindow", "MainWindow", nullptr));
        actionLoad_Scheme->setText(QCoreApplication::translate("MainWindow", "打开", nullptr));
        actionExport_Red->setText(
            QCoreApplication::translate("MainWindow", "导出OrvikQuickWeave方案", nullptr));
        actionExport_FPGA->setText(
            QCoreApplication::translate("MainWindow", "导出相机方案", nullptr));
        action_QELO4K->setText(
            QCoreApplication::translate("MainWindow", "导出相机4K方案", nullptr));
        actionSave_Settings->setText(
            QCoreApplication::translate("MainWindow", "保存设置", nullptr));
        actionReset_Settings->setText(
            QCoreApplication::translate("MainWindow", "重置设置", nullptr));
        actionExport_All->setText(
            QCoreApplication::translate("MainWindow", "导出全部方案", nullptr));
        actionQuit->setText(QCoreApplication::translate("MainWindow", "退出", nullptr));
        menuFile->setTitle(QCoreApplication::translate("MainWindow", "文件", nullptr));
        actionShow_Seams->setText(QCoreApplication::translate("MainWindow", "显示接缝", nullptr));
        actionFit_View->setText(QCoreApplication::translate("MainWindow", "适合窗口", nullptr));
        menuView->setTitle(QCoreApplication::translate("MainWindow", "视图", nullptr));
        menuLanguage->setTitle(QCoreApplication::translate("MainWindow", "语言", nullptr));
        menuHelp->setTitle(QCoreApplication::translate("MainWindow", "帮助", nullptr));
        actionAbout->setText(QCoreApplication::translate("MainWindow", "关于 OrvikJoint", nullptr));
        messagesDock->setWindowTitle(QCoreApplication::translate("MainWindow", "消息", nullptr));
    }
};

namespace Ui {
class MainWindow : public Ui_MainWindow {};
}  // namespace Ui
