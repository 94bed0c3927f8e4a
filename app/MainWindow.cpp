#include "MainWindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStringList>
#include <cstdio>
#include <memory>

#include "ButtomSetting.h"
#include "CameraSetting.h"
#include "CurrentProject.h"
#include "Language.h"
#include "LoadProgressDialog.h"
#include "MessageLog.h"
#include "OpenGLWidget.h"
#include "ProjectModel.h"
#include "RightSetting.h"
#include "SliderTips.h"
#include "UserSettings.h"
#include "WindowAreas.h"
#include "export/Camera2KExport.h"
#include "export/Camera4KExport.h"
#include "export/ExportDone.h"
#include "export/HoleReport.h"
#include "export/QuickWeaveExport.h"
#include "export/TableBatch.h"
#include "file/Local8Bit.h"
#include "load/LoadSequence.h"
#include "project/LoadReport.h"
#include "project/Project.h"
#include "remap/RemapScript.h"
#include "system/Reporter.h"
#include "tuning/SeamReport.h"
#include "ui_MainWindow.h"

// The icon lives in the window's static library; without this the linker may
// drop the resource.
static QIcon programIcon() {
    Q_INIT_RESOURCE(icons);
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/icons/orvikjoint-%1.png").arg(size), QSize(size, size));
    return icon;
}

namespace {

// The completion box every export ends with, in the interface's language.
void showExportDoneBox() {
    QMessageBox box(QMessageBox::Information, QCoreApplication::translate("MainWindow", "提示"),
                    QCoreApplication::translate("MainWindow", "方案输出完毕"), QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

QString sizeText(const QString& path) {
    return QCoreApplication::translate("MainWindow", "%1（%2 字节）")
        .arg(QDir::toNativeSeparators(path))
        .arg(QFileInfo(path).size());
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui::MainWindow) {
    ui->setupUi(this);
    messages = std::make_unique<MessageLog>(ui->messagesList, statusBar());
    holesLabel = new QLabel(this);
    holesLabel->setObjectName("holesLabel");
    holesLabel->setStyleSheet("QLabel { color: #d00000; font-weight: bold; }");
    holesLabel->hide();
    statusBar()->addPermanentWidget(holesLabel);
    (currentLanguage() == "en" ? ui->actionLanguage_English : ui->actionLanguage_Chinese)
        ->setChecked(true);
    Project* project = currentProject();
    model = new ProjectModel(*project, this);
    model->setObjectName("projectModel");

    openGLWidget = new OpenGLWidget(ui->centralWidget);
    openGLWidget->setGeometry(0, 0, 900, 450);

    buttomSetting = new ButtomSetting(ui->centralWidget);
    buttomSetting->setGeometry(0, 470, 900, 120);
    buttomSetting->attach(model, openGLWidget);

    rightSetting = new RightSetting(ui->centralWidget);
    rightSetting->setGeometry(910, 0, 350, 600);
    rightSetting->setModel(model);
    connect(buttomSetting, &ButtomSetting::cropChanged, rightSetting, &RightSetting::updateTips);
    // Every finished change: the preview shows it; when the layers changed the
    // device view, when shown, follows, and so does the coverage check; the
    // title compares the settings with the saved ones.
    connect(model, &ProjectModel::changeFinished, this, [this](ProjectModel::Change what) {
        if (what != ProjectModel::Change::Settings) openGLWidget->repaint();
        if (what == ProjectModel::Change::Layers) buttomSetting->refreshDeviceView();
        updateTitle();
    });
    connect(model, &ProjectModel::seamsFailed, buttomSetting,
            [this](const std::vector<CameraProblem>& why) {
                buttomSetting->showAutoSeamsFailure(why);
            });
    connect(buttomSetting, &ButtomSetting::tablesChanged, this, &MainWindow::checkCoverage);
    // The figures written on the seams hold until the seams change.
    connect(buttomSetting, &ButtomSetting::tablesChanged, this,
            [this] { openGLWidget->setSeamReports({}); });
    connect(model, &ProjectModel::seamsPlaced, this, &MainWindow::listSeams);

    // The exports end with an information box of their own, without a parent.
    setExportDoneHandler(showExportDoneBox);

    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);
    setWindowIcon(programIcon());
    // The default size is the smallest; a larger window gives the preview room.
    setMinimumSize(1300, 700);
    resize(1300, 700);
    ui->centralWidget->installEventFilter(this);
    savedSettings = RigSettings::capture(*project);
}

MainWindow::~MainWindow() {
    messages.reset();
    delete ui;
}

void MainWindow::loadSequence(const std::string& path) {
    Project* project = currentProject();
    // The check keeps the old layers alive until it looks at the new ones.
    coverage.reset();
    holesShown.clear();
    RigSettingsRestore restored;
    bool inherited = false;
    // The remapper and the analysis run on this thread; the dialog keeps the
    // operator informed and, being modal, keeps the controls from acting on a
    // half-loaded rig.
    std::unique_ptr<LoadProgressDialog> progress;
    int n = 0;
    LoadOptions options;
    // Before the remapper run, so the analysis already uses the saved crops and
    // trims. An unusable file is not half-applied: the rig gets the defaults.
    options.applySettings = [&restored, &n, &inherited](Project& p, const ProjectFileResult&) {
        restored = restoreSettings(p, settingsPathFor(p.ptoFilePath));
        if (!restored.error.isEmpty()) RigSettings::defaults(p).apply(p);
        // Without a file of its own the rig keeps the tuning of the last one.
        inherited = !restored.found && RigSettings::capture(p) != RigSettings::defaults(p);
        n = static_cast<int>(p.cameras.size());
        return QString();
    };
    options.remap.remapProgress = [this, &progress, &n](int done, int) {
        if (!progress) progress = std::make_unique<LoadProgressDialog>(this, n);
        progress->remapperProgress(done, n);
    };
    options.remap.analysisProgress = [this, &progress, &n](int done, int) {
        if (!progress) progress = std::make_unique<LoadProgressDialog>(this, n);
        progress->analysisProgress(done, n);
    };
    options.remap.cancelled = [&progress] { return progress && progress->wasCanceled(); };
    options.analysed = [this, &progress] {
        if (progress) progress->finish();
        progress.reset();
        statusBar()->clearMessage();
        rightSetting->rebuildPanels();
        buttomSetting->showProjectValues();
    };
    options.shown = true;
    const LoadOutcome outcome = runLoadSequence(*project, path, options);
    if (outcome.pathEmpty) return;
    // Refused before the remapper: the panels show the new, empty rig.
    if (!outcome.memoryError.isEmpty()) options.analysed();
    // A new panorama, maybe of a new shape: shown whole, at its aspect ratio.
    openGLWidget->fitView();
    placeAreas();
    if (project->autoMode) openGLWidget->repaint();
    // A camera whose image is missing is named first: the automatic seams that
    // fail for want of it, and the cameras and holes that follow, would only
    // hide the cause.
    QStringList missing;
    for (const CameraProblem& c : outcome.leftOutByAnalysis)
        if (project->cameras[static_cast<size_t>(c.index)].sourceSize.empty())
            missing << QString::fromStdString(c.message());
    if (outcome.seamsFailed)
        buttomSetting->showAutoSeamsFailure(outcome.seamFailures, missing.isEmpty());
    if (!missing.isEmpty())
        QMessageBox::warning(this, tr("Camera images missing"),
                             tr("These cameras' images could not be loaded; they are left out of "
                                "the preview, the seams and the tables:\n\n%1")
                                 .arg(missing.join("\n")));
    // The GL widget keeps showing its last frame on exposure; without a paint
    // request the new rig would stay invisible until the first slider move.
    openGLWidget->update();
    buttomSetting->refreshDeviceView();
    if (project->autoMode && !outcome.seamsFailed && outcome.camerasAnalysed) listSeams();
    // A remapper that did not run leaves the cameras empty, and a camera without
    // a boundary is left out of every table; say so where the operator looks,
    // not only on the console.
    QStringList status;
    if (!outcome.loadError.isEmpty()) status << outcome.loadError;
    if (!outcome.memoryError.isEmpty()) status << outcome.memoryError;
    status << missing;
    if (restored.found && restored.error.isEmpty()) status << restored.message();
    if (inherited)
        status << tr("%1 没有自己的设置文件：沿用上一个方案的调整（混合 %2，裁剪 %3%4）")
                      .arg(QFileInfo(project->ptoFilePath).fileName())
                      .arg(project->blendValue)
                      .arg(project->cutValue)
                      .arg(project->autoMode ? tr("，自动裁剪混合") : QString());
    if (outcome.seamsFailed && missing.isEmpty()) status << statusBar()->currentMessage();
    if (!outcome.remapperError.isEmpty()) status << outcome.remapperError;
    for (const CameraProblem& c : outcome.leftOut) {
        reportProblemf("%s\r\n", c.message().c_str());
        if (!missing.contains(QString::fromStdString(c.message())))
            status << QString::fromStdString(c.message());
    }
    reportFlush();
    if (!holesShown.isEmpty()) status << holesShown;
    if (!status.isEmpty()) statusBar()->showMessage(status.join("; "));
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

void MainWindow::checkCoverage() {
    // A project refused as too large for memory has nothing loaded, and its
    // panorama-sized coverage masks would not fit either.
    if (!currentProject()->loaded) return;
    showCoverage(coverage.check(*currentProject()));
}

QString MainWindow::holesMessage(const CoverageReport& report) const {
    if (!report.hasHoles()) return QString();
    const Project& project = *currentProject();
    QStringList causes;
    for (const HoleCause& c : holeCauses(project, report)) {
        const QString who = cameraNames(c.cameras);
        const QString crop =
            (c.withTrims ? tr("裁剪 %1 与方向微调") : tr("裁剪 %1")).arg(project.cutValue);
        switch (c.kind) {
            case HoleCause::Kind::AutomaticSeams:
                causes << tr("自动接缝没有把这些像素分给任何相机（%1 看得到）").arg(who);
                break;
            case HoleCause::Kind::CropClearsAll:
                causes << tr("%1 清除了%2的全部像素，20000 保留整台相机").arg(crop, who);
                break;
            case HoleCause::Kind::CropClearsMiddle:
                causes << tr("%1 清除了%2的中间部分（切口越过图层两侧后折回），20000 保留整台相机")
                              .arg(crop, who);
                break;
            case HoleCause::Kind::CropCutsSides:
                causes << tr("%1 把%2切到与相邻相机的重叠以外，20000 把切口放在每台相机的边缘上")
                              .arg(crop, who);
                break;
            case HoleCause::Kind::RowsPastCuts:
                causes << tr("%1只在中间行的切口以外的行里看到这些像素，减小裁剪可把切口外移")
                              .arg(who);
                break;
        }
    }
    return tr("表格有空洞：相机所见的 %1% 没有权重；%2")
        .arg(report.uncoveredPercent(), 0, 'f', 2)
        .arg(causes.join(tr("；")));
}

QString MainWindow::holesDetails(const CoverageReport& report) const {
    return holesMessage(report) + "\n" + QString::fromStdString(describeHoles(report));
}

void MainWindow::showCoverage(const CoverageReport& report) {
    openGLWidget->setUncoveredAreas(report.areas);
    const QString message = holesMessage(report);
    // A message of the status bar goes as soon as a menu's tips pass over it;
    // the holes stay in view at its right end until they are gone.
    holesLabel->setVisible(report.hasHoles());
    if (report.hasHoles()) {
        holesLabel->setText(
            tr("空洞：相机所见的 %1% 没有权重").arg(report.uncoveredPercent(), 0, 'f', 2));
        holesLabel->setToolTip(holesDetails(report));
    }
    if (message == holesShown) return;
    // The message takes the place of the last one among whatever else the
    // status bar says; the dock gets the holes once, when they appear.
    QString current = statusBar()->currentMessage();
    const int at = holesShown.isEmpty() ? -1 : current.indexOf(holesShown);
    if (at >= 0) {
        current.replace(at, holesShown.size(), message);
        current.replace("; ; ", "; ");
        if (current.startsWith("; ")) current.remove(0, 2);
        if (current.endsWith("; ")) current.chop(2);
        current.isEmpty() ? statusBar()->clearMessage() : statusBar()->showMessage(current);
    } else if (!message.isEmpty()) {
        statusBar()->showMessage(message);
    }
    if (holesShown.isEmpty() && !message.isEmpty()) messages->add(holesDetails(report), false);
    holesShown = message;
}

void MainWindow::listSeams() {
    // Oldest first, so the dock (newest on top) reads in camera order.
    const std::vector<SeamReport> seams = measureSeams(*currentProject());
    for (auto s = seams.rbegin(); s != seams.rend(); ++s)
        messages->add(QString::fromStdString(seamReportLine(*s)), false);
    openGLWidget->setSeamReports(seams);
}

QStringList MainWindow::exportGaps(QStringList* holes) {
    listSeams();
    QStringList cameras;
    for (const CameraProblem& c : camerasLeftOut(*currentProject())) {
        cameras << QString::fromStdString(c.message());
        messages->add(cameras.back(), false);
    }
    if (!currentProject()->loaded) return cameras;  // see checkCoverage
    const CoverageReport& report = coverage.check(*currentProject());
    if (report.hasHoles()) {
        *holes << holesDetails(report);
        messages->add(holes->back(), false);
    }
    return cameras;
}

bool MainWindow::settingsDiffer() const {
    const Project* project = currentProject();
    // Nothing to save them for before a project is loaded.
    if (project->ptoFilePath.isEmpty() || project->cameras.empty()) return false;
    return RigSettings::capture(*project) != savedSettings;
}

void MainWindow::updateTitle() {
    // Qt shows the mark as an asterisk where the title holds "[*]".
    const QString file = QFileInfo(currentProject()->ptoFilePath).fileName();
    setWindowTitle(file.isEmpty() ? QString("OrvikJoint[*]")
                                  : QString("OrvikJoint - %1[*]").arg(file));
    setWindowModified(settingsDiffer());
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        updateTitle();
        (currentLanguage() == "en" ? ui->actionLanguage_English : ui->actionLanguage_Chinese)
            ->setChecked(true);
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::chooseLanguage(const QString& code) {
    if (!setLanguage(code)) {
        statusBar()->showMessage(tr("无法载入该语言的翻译"));
        code == "en" ? ui->actionLanguage_Chinese->setChecked(true)
                     : ui->actionLanguage_English->setChecked(true);
        return;
    }
    saveLanguage(code);
}

void MainWindow::on_actionLanguage_English_triggered() {
    chooseLanguage("en");
}

void MainWindow::on_actionLanguage_Chinese_triggered() {
    chooseLanguage("zh");
}

void MainWindow::on_actionAbout_triggered() {
    // The remapper's folder tells which installation runs, should several exist.
    QMessageBox::about(
        this, tr("关于 OrvikJoint", "the box's title"),
        tr("<h3>OrvikJoint %1</h3><p>为硬件拼接设备生成查找表：读取全景标定（PTO 项目），用 nona2 "
           "重映射每台相机，调好接缝、混合与裁剪后导出 2K、4K 与 QuickWeave 方案。</p>"
           "<p>重映射器：%2<br>Qt %3</p>")
            .arg(QString::fromLatin1(ORVIK_VERSION),
                 QDir::toNativeSeparators(remapperProgram()).toHtmlEscaped(),
                 QString::fromLatin1(qVersion())));
}

void MainWindow::on_actionQuit_triggered() {
    // Through the close event, which offers to save changed settings.
    close();
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
    for (CameraSetting* panel : rightSetting->panels)
        if (panel) panel->fillFromCamera(panel->cameraIndex());
    buttomSetting->showProjectValues();
    model->apply({TuningChange::Kind::Settings});
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
    // The folder of the last project opened, while it still exists.
    QString startDir = userSettings().value("lastOpenFolder").toString();
    if (startDir.isEmpty() || !QDir(startDir).exists()) {
        const QString profile = QProcessEnvironment::systemEnvironment().value("USERPROFILE");
        // Windows keeps the desktop under USERPROFILE; elsewhere ask Qt where it is.
        startDir = profile.isEmpty()
                       ? QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)
                       : profile + "\\Desktop";
    }
    const QString name =
        QFileDialog::getOpenFileName(this, tr("open file"), startDir, tr("pto(*.pto)"));
    if (name.isEmpty()) return;
    userSettings().setValue("lastOpenFolder", QFileInfo(name).absolutePath());
    userSettings().sync();
    loadSequence(toLocal8BitString(name));
}

void MainWindow::on_actionExport_Red_triggered() {
    reportExport(exportQuickWeave(*currentProject()));
}

void MainWindow::on_actionExport_FPGA_triggered() {
    reportExport(exportCamera2K(*currentProject()));
}

void MainWindow::on_action_QELO4K_triggered() {
    reportExport(exportCamera4K(*currentProject()));
}

void MainWindow::reportExport(const ExportResult& result) {
    fflush(stdout);
    // A table on a device can always be traced back to the settings it was made with.
    if (result.written()) saveSettings();
    // The console already has the details; a failed table must not pass unnoticed.
    if (result.status == ExportResult::Status::Failed) {
        statusBar()->showMessage(tr("导出失败：%1").arg(QString::fromStdString(result.message)));
        QMessageBox::warning(nullptr, tr("Export failed"), QString::fromStdString(result.message));
        return;
    }
    if (!result.written()) {
        if (result.message.empty()) statusBar()->showMessage(tr("没有可导出的内容：请先打开方案"));
        return;
    }
    const QString saved = statusBar()->currentMessage();
    statusBar()->showMessage(
        tr("已写入 %1").arg(sizeText(QString::fromLocal8Bit(result.path.c_str()))) +
        (saved.isEmpty() ? QString() : "; " + saved));
    // The completion box says the table is done; it must not be all the operator
    // sees when the table lacks a camera or has holes.
    QStringList holes;
    const QStringList cameras = exportGaps(&holes);
    QStringList parts;
    if (!cameras.isEmpty())
        parts << tr("The table was written without these cameras:\n\n%1").arg(cameras.join("\n"));
    if (!holes.isEmpty())
        parts << tr("The table leaves black what the cameras see:\n\n%1").arg(holes.join("\n"));
    if (!parts.isEmpty())
        QMessageBox::warning(nullptr,
                             cameras.isEmpty() ? tr("Table with holes") : tr("Cameras left out"),
                             parts.join("\n\n"));
}

void MainWindow::on_actionExport_All_triggered() {
    struct Table {
        const char* file;
        ExportResult (*run)(const Project&, TableBatch*);
    };
    // In the menu's order.
    const Table tables[] = {{kQuickWeaveFileName, exportQuickWeave},
                            {kCamera2KFileName, exportCamera2K},
                            {kCamera4KFileName, exportCamera4K}};
    // One box at the end instead of a completion box per table.
    setExportDoneHandler([] {});
    QStringList written, failed;
    {
        // The three are one set: each is written whole, and only when all
        // are does any replace its predecessor, so a failure leaves no mixed
        // set. The batch (and any unfinished file) is gone before the box.
        TableBatch batch;
        for (const Table& t : tables) {
            const ExportResult result = t.run(*currentProject(), &batch);
            fflush(stdout);
            const QString path = QString::fromLocal8Bit(result.path.c_str());
            if (result.status == ExportResult::Status::Failed)
                failed << QString("%1: %2").arg(QDir::toNativeSeparators(path),
                                                QString::fromStdString(result.message));
            else if (!result.written())
                failed << tr("%1：未写入（%2）")
                              .arg(QString::fromLatin1(t.file),
                                   result.message.empty() ? tr("没有载入方案")
                                                          : QString::fromStdString(result.message));
            if (!failed.isEmpty()) break;
        }
        if (failed.isEmpty()) {
            std::vector<std::string> replaced;
            const ExportResult put = batch.commit(replaced);
            for (const std::string& path : replaced)
                written << sizeText(QString::fromLocal8Bit(path.c_str()));
            if (!put.written()) failed << QString::fromStdString(put.message);
        }
    }
    setExportDoneHandler(showExportDoneBox);
    if (!written.isEmpty()) saveSettings();
    // A table without a camera, or with holes, is not what the operator asked for.
    QStringList leftOut, holes;
    if (!written.isEmpty()) leftOut = exportGaps(&holes);
    QStringList parts;
    if (!written.isEmpty()) parts << tr("已写入：") + "\n" + written.join("\n");
    if (!failed.isEmpty()) parts << tr("失败：") + "\n" + failed.join("\n");
    if (written.isEmpty() && !failed.isEmpty()) parts << tr("没有替换任何表：三个表只一起替换");
    if (!leftOut.isEmpty()) parts << tr("表中缺少这些相机：") + "\n" + leftOut.join("\n");
    if (!holes.isEmpty()) parts << holes.join("\n");
    const bool complete = failed.isEmpty() && leftOut.isEmpty() && holes.isEmpty();
    statusBar()->showMessage(complete ? tr("已写入全部 %1 个表").arg(written.size())
                                      : tr("导出不完整：%1 个表已写入，%2 个失败，%3 台相机缺失")
                                                .arg(written.size())
                                                .arg(failed.size())
                                                .arg(leftOut.size()) +
                                            (holes.isEmpty() ? QString() : tr("，表中有空洞")));
    QMessageBox box(complete ? QMessageBox::Information : QMessageBox::Warning,
                    complete ? tr("导出完毕") : tr("导出不完整"), parts.join("\n\n"),
                    QMessageBox::Ok, this);
    box.setObjectName("exportSummary");
    box.exec();
}
