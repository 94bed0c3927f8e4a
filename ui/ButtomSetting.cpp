#include "ButtomSetting.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStringList>
#include <cstdio>

#include "geometry/AutoBlend.h"
#include "project/Project.h"
#include "ui_ButtomSetting.h"

namespace {

// Manual recompute of every camera, in index order, then one repaint.
void refreshAllAndRepaint(Project* project) {
    for (Camara& camera : project->cameras) camera.refreshView();
    project->previewWidget->repaint();
}

}  // namespace

ButtomSetting::ButtomSetting(QWidget* parent) : QWidget(parent), ui(new Ui::ButtomSetting) {
    ui->setupUi(this);
    const int blend = currentProject()->blendValue;
    ui->BlendSlider->setValue(blend);
    ui->BlendNum->display(blend);
}

ButtomSetting::~ButtomSetting() {
    delete ui;
}

void ButtomSetting::on_BlendSlider_valueChanged(int value) {
    Project* project = currentProject();
    project->blendValue = value;
    ui->BlendNum->display(value);
    // In automatic mode the value waits until the mode is left.
    if (project->previewWidget && !project->autoMode) refreshAllAndRepaint(project);
}

bool ButtomSetting::applyAutoSeams() {
    Project* project = currentProject();
    std::vector<CameraProblem> why;
    const int result = autoBlend(kAutoFadeWidth, &why);
    // The seams live in the core, which cannot reach the widget; show what
    // the records now hold.
    if (project->previewWidget) project->previewWidget->repaint();
    if (result == 0) return true;
    showAutoSeamsFailure(why);
    return false;
}

void ButtomSetting::showAutoSeamsFailure(const std::vector<CameraProblem>& why) {
    // The box's text is fixed; which camera failed and why goes to the console
    // and the status bar.
    QStringList lines;
    for (const CameraProblem& c : why) {
        printf("%s\r\n", c.message().c_str());
        lines << QString::fromStdString(c.message());
    }
    fflush(stdout);
    if (auto* mainWindow = qobject_cast<QMainWindow*>(window()))
        mainWindow->statusBar()->showMessage(tr("Automatic seams failed: ") + lines.join("; "));
    QMessageBox::warning(
        this, QCoreApplication::translate("ButtomSetting", "提示", nullptr),
        QCoreApplication::translate("ButtomSetting", "自动计算失败，请手动裁剪混合", nullptr),
        QMessageBox::Ok, QMessageBox::NoButton);
}

void ButtomSetting::showProjectValues() {
    const Project* project = currentProject();
    const QSignalBlocker blockBlend(ui->BlendSlider);
    const QSignalBlocker blockCut(ui->CutSilder);
    const QSignalBlocker blockMode(ui->m_AutoMixCombox);
    ui->BlendSlider->setValue(project->blendValue);
    ui->BlendNum->display(project->blendValue);
    ui->CutSilder->setValue(project->cutValue);
    ui->CutNum->display(project->cutValue);
    ui->m_AutoMixCombox->setChecked(project->autoMode);
}

void ButtomSetting::on_CutSilder_valueChanged(int value) {
    Project* project = currentProject();
    project->cutValue = value;
    ui->CutNum->display(value);
    if (project->previewWidget && !project->autoMode) refreshAllAndRepaint(project);
}

void ButtomSetting::on_m_AutoMixCombox_toggled(bool checked) {
    Project* project = currentProject();
    if (!project->previewWidget) return;
    if (checked) {
        applyAutoSeams();
        // The mode is entered even after a failure: the box stays ticked and the
        // operator leaves it by clearing the box.
        project->autoMode = true;
    } else {
        project->autoMode = false;
        refreshAllAndRepaint(project);
    }
}
