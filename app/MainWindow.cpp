#include "MainWindow.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QCloseEvent>
#include <QDockWidget>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStringList>
#include <cstdio>
#include <memory>

#include "ButtomSetting.h"
#include "CameraSetting.h"
#include "LoadProgressDialog.h"
#include "OpenGLWidget.h"
#include "RightSetting.h"
#include "WindowAreas.h"
#include "export/Camera2KExport.h"
#include "export/Camera4KExport.h"
#include "export/ExportDone.h"
#include "export/QuickWeaveExport.h"
#include "project/LoadReport.h"
#include "project/LoadSequence.h"
#include "project/Project.h"
#include "ui_MainWindow.h"

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui::MainWindow) {
    ui->setupUi(this);
    Project* project = currentProject();

    openGLWidget = new OpenGLWidget(ui->centralWidget);
    openGLWidget->setGeometry(0, 0, 900, 450);
    project->previewWidget = openGLWidget;

    buttomSetting = new ButtomSetting(ui->centralWidget);
    buttomSetting->setGeometry(0, 470, 900, 120);

    rightSetting = new RightSetting(ui->centralWidget);
    rightSetting->setGeometry(910, 0, 350, 600);
    // The preview the project records (the panels share it with the bottom panel).
    connect(rightSetting, &RightSetting::previewChanged, this, [] {
        if (QWidget* preview = currentProject()->previewWidget) preview->repaint();
    });
    // The automatic seams fade the upper camera over the lower one: placed again
    // for the new order, so the tables follow the order the settings record.
    connect(rightSetting, &RightSetting::drawOrderChanged, this, [this] {
        if (currentProject()->autoMode) buttomSetting->applyAutoSeams();
    });
    // The device view, when shown, follows every change of the tables.
    connect(rightSetting, &RightSetting::seamsChanged, buttomSetting,
            &ButtomSetting::refreshDeviceView);

    // The exports end with an information box of their own, without a parent.
    setExportDoneHandler([] {
        QMessageBox box(QMessageBox::Information, exportDoneTitle(), exportDoneText(),
                        QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
    });

    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);
    // The default size is the smallest; a larger window gives the preview room.
    setMinimumSize(1300, 700);
    resize(1300, 700);
    ui->centralWidget->installEventFilter(this);
    savedSettings = RigSettings::capture(*project);
    watchControls();
}

MainWindow::~MainWindow() {
    delete ui;
}

void MainWindow::loadSequence(const std::string& path) {
    Project* project = currentProject();
    RigSettingsRestore restored;
    // The remapper and the analysis run on this thread; the dialog keeps the
    // operator informed and, being modal, keeps the controls from acting on a
    // half-loaded rig.
    std::unique_ptr<LoadProgressDialog> progress;
    int n = 0;
    LoadOptions options;
    // Before the remapper run, so the analysis already uses the saved crops and
    // trims. An unusable file is not half-applied: the rig gets the defaults.
    options.applySettings = [&restored, &n](Project& p) {
        restored = restoreSettings(p, settingsPathFor(p.ptoFilePath));
        if (!restored.error.isEmpty()) RigSettings::defaults(p).apply(p);
        n = static_cast<int>(p.cameras.size());
        return QString();
    };
    options.remap.progress = [this, &progress, &n](int done, int, const QString&) {
        if (!progress) progress = std::make_unique<LoadProgressDialog>(this, n);
        if (done <= n)
            progress->remapperProgress(done, n);
        else
            progress->analysisProgress(done - n, n);
    };
    options.remap.cancelled = [&progress] { return progress && progress->wasCanceled(); };
    options.analysed = [this, &progress] {
        if (progress) progress->finish();
        progress.reset();
        statusBar()->clearMessage();
        rightSetting->rebuildPanels();
        buttomSetting->showProjectValues();
        watchControls();
    };
    const LoadOutcome outcome = runLoadSequence(*project, path, options);
    if (outcome.pathEmpty) return;
    // A new panorama, maybe of a new shape: shown whole, at its aspect ratio.
    openGLWidget->fitView();
    placeAreas();
    if (project->autoMode) openGLWidget->repaint();
    if (outcome.seamsFailed) buttomSetting->showAutoSeamsFailure(outcome.seamFailures);
    // A remapper that did not run leaves the cameras empty, and a camera without
    // a boundary is left out of every table; say so where the operator looks,
    // not only on the console.
    QStringList status;
    if (!outcome.loadError.isEmpty()) status << outcome.loadError;
    if (restored.found && restored.error.isEmpty()) status << restored.message();
    if (outcome.seamsFailed) status << statusBar()->currentMessage();
    if (!outcome.remapperError.isEmpty()) status << outcome.remapperError;
    for (const CameraProblem& c : outcome.leftOut) {
        printf("%s\r\n", c.message().c_str());
        status << QString::fromStdString(c.message());
    }
    fflush(stdout);
    if (!status.isEmpty()) statusBar()->showMessage(status.join("; "));
    // The GL widget keeps showing its last frame on exposure; without a paint
    // request the new rig would stay invisible until the first slider move.
    openGLWidget->update();
    buttomSetting->refreshDeviceView();
    // Without a usable file the defaults are what an unchanged rig would save.
    savedSettings = restored.found && restored.error.isEmpty() ? restored.saved
                                                               : RigSettings::defaults(*project);
    updateTitle();
    const QString problem = projectFileProblem(QString::fromLocal8Bit(path.c_str()), *project);
    if (!problem.isEmpty())
        QMessageBox::warning(this, tr("Project not loaded"),
                             tr("The project could not be read.\n\n%1").arg(problem));
    else if (!restored.error.isEmpty())
        QMessageBox::warning(
            this, tr("Settings not restored"),
            tr("%1\n\nThe project was loaded with the default settings.").arg(restored.error));
}

bool MainWindow::settingsDiffer() const {
    const Project* project = currentProject();
    // Nothing to save them for before a project is loaded.
    if (project->ptoFilePath.isEmpty() || project->cameras.empty()) return false;
    return RigSettings::capture(*project) != savedSettings;
}

void MainWindow::updateTitle() {
    // Qt shows the mark as an asterisk where the title holds "[*]".
    if (!windowTitle().contains("[*]")) setWindowTitle(windowTitle() + "[*]");
    setWindowModified(settingsDiffer());
}

void MainWindow::watchControls() {
    for (QWidget* panel :
         {static_cast<QWidget*>(buttomSetting), static_cast<QWidget*>(rightSetting)}) {
        for (QAbstractSlider* s : panel->findChildren<QAbstractSlider*>())
            connect(s, &QAbstractSlider::valueChanged, this, &MainWindow::updateTitle,
                    Qt::UniqueConnection);
        for (QAbstractButton* b : panel->findChildren<QAbstractButton*>()) {
            connect(b, &QAbstractButton::toggled, this, &MainWindow::updateTitle,
                    Qt::UniqueConnection);
            connect(b, &QAbstractButton::clicked, this, &MainWindow::updateTitle,
                    Qt::UniqueConnection);
        }
    }
}

bool MainWindow::saveSettings() {
    Project* project = currentProject();
    if (project->ptoFilePath.isEmpty() || project->cameras.empty()) {
        statusBar()->showMessage(tr("No project loaded: there are no settings to save"));
        return false;
    }
    const RigSettings now = RigSettings::capture(*project);
    const QString path = settingsPathFor(project->ptoFilePath);
    const QString error = now.write(path);
    if (!error.isEmpty()) {
        QMessageBox::warning(this, tr("Settings not saved"), error);
        return false;
    }
    savedSettings = now;
    updateTitle();
    statusBar()->showMessage(tr("settings saved to %1").arg(path));
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (settingsDiffer()) {
        const QMessageBox::StandardButton answer = QMessageBox::question(
            this, tr("Unsaved settings"),
            tr("The settings of %1 have changed since they were saved. Save them?")
                .arg(QFileInfo(currentProject()->ptoFilePath).fileName()),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !saveSettings())) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void MainWindow::on_actionSave_Settings_triggered() {
    saveSettings();
}

void MainWindow::on_actionReset_Settings_triggered() {
    Project* project = currentProject();
    RigSettings::defaults(*project).apply(*project);
    showSettings();
    updateTitle();
}

void MainWindow::showSettings() {
    Project* project = currentProject();
    for (CameraSetting* panel : rightSetting->panels)
        if (panel) panel->fillFromCamera(panel->cameraIndex());
    buttomSetting->showProjectValues();
    if (project->autoMode) {
        buttomSetting->applyAutoSeams();
        return;
    }
    for (Camara& camera : project->cameras) camera.refreshView();
    openGLWidget->repaint();
    buttomSetting->refreshDeviceView();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->centralWidget && event->type() == QEvent::Resize) placeAreas();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::placeAreas() {
    // The central widget's height at the default window size: the menu, tool
    // and status bars stay; panels docked above or below it do not count.
    int chrome = height() - ui->centralWidget->height();
    for (QDockWidget* dock : findChildren<QDockWidget*>()) {
        const Qt::DockWidgetArea area = dockWidgetArea(dock);
        if (dock->isVisible() && !dock->isFloating() &&
            (area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea))
            chrome -= dock->height();
    }
    const Project* project = currentProject();
    const double aspect = project->panoWidth > 0 && project->panoHeight > 0
                              ? static_cast<double>(project->panoWidth) / project->panoHeight
                              : 2.0;
    const WindowAreas areas =
        placeWindowAreas(ui->centralWidget->size(), QSize(1300, 700 - chrome), aspect);
    openGLWidget->setGeometry(areas.preview);
    buttomSetting->setGeometry(areas.bottom);
    rightSetting->setGeometry(areas.right);
}

void MainWindow::on_actionShow_Seams_toggled(bool checked) {
    openGLWidget->setSeamsShown(checked);
}

void MainWindow::on_actionFit_View_triggered() {
    openGLWidget->fitView();
}

void MainWindow::on_actionLoad_Scheme_triggered() {
    const QString profile = QProcessEnvironment::systemEnvironment().value("USERPROFILE");
    // Windows keeps the desktop under USERPROFILE; elsewhere ask Qt where it is.
    const QString startDir = profile.isEmpty()
                                 ? QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)
                                 : profile + "\\Desktop";
    const QString name =
        QFileDialog::getOpenFileName(this, tr("open file"), startDir, tr("pto(*.pto)"));
    if (name.isEmpty()) return;
    loadSequence(toLocal8BitString(name));
}

void MainWindow::on_actionExport_Red_triggered() {
    reportExport(exportQuickWeave());
}

void MainWindow::on_actionExport_FPGA_triggered() {
    reportExport(exportCamera2K());
}

void MainWindow::on_action_QELO4K_triggered() {
    reportExport(exportCamera4K());
}

void MainWindow::reportExport(const ExportResult& result) {
    fflush(stdout);
    // A table on a device can always be traced back to the settings it was made with.
    if (result.written()) saveSettings();
    // The console already has the details; a failed table must not pass unnoticed.
    if (result.status == ExportResult::Status::Failed) {
        QMessageBox::warning(nullptr, tr("Export failed"), QString::fromStdString(result.message));
        return;
    }
    if (!result.written()) return;
    // The completion box says the table is done; it must not be all the operator
    // sees when the table lacks a camera.
    QStringList lines;
    for (const CameraProblem& c : camerasLeftOut(*currentProject()))
        lines << QString::fromStdString(c.message());
    if (!lines.isEmpty())
        QMessageBox::warning(
            nullptr, tr("Cameras left out"),
            tr("The table was written without these cameras:\n\n%1").arg(lines.join("\n")));
}
