#include "ButtomSetting.h"

#include <QEvent>
#include <QMainWindow>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStringList>
#include <opencv2/imgproc.hpp>

#include "CurrentProject.h"
#include "OpenGLWidget.h"
#include "ProjectModel.h"
#include "SliderTips.h"
#include "ValueEntry.h"
#include "system/Reporter.h"
#include "tables/ProjectDeviceView.h"
#include "ui_ButtomSetting.h"

namespace {

QStatusBar* statusBarOf(QWidget* widget) {
    auto* mainWindow = qobject_cast<QMainWindow*>(widget->window());
    return mainWindow ? mainWindow->statusBar() : nullptr;
}

}  // namespace

ButtomSetting::ButtomSetting(QWidget* parent) : QWidget(parent), ui(new Ui::ButtomSetting) {
    ui->setupUi(this);
    const int blend = currentProject()->blendValue;
    ui->BlendSlider->setValue(blend);
    ui->BlendNum->display(blend);
    // About 1 % of the range per arrow key, 10 % per page.
    for (QSlider* slider : {ui->BlendSlider, ui->CutSilder}) {
        slider->setSingleStep(600);
        slider->setPageStep(6000);
    }
    // The English labels carry mnemonics that move the focus to their slider.
    ui->label->setBuddy(ui->BlendSlider);
    ui->label_4->setBuddy(ui->CutSilder);
    ui->label_seams->setBuddy(ui->m_SeamModeCombo);
    acceptTypedValues(ui->BlendNum, ui->BlendSlider);
    acceptTypedValues(ui->CutNum, ui->CutSilder);
    updateTips();
    deviceViewDue.setSingleShot(true);
    deviceViewDue.setInterval(0);
    connect(&deviceViewDue, &QTimer::timeout, this, &ButtomSetting::showDeviceView);
}

ButtomSetting::~ButtomSetting() {
    delete ui;
}

void ButtomSetting::attach(ProjectModel* projectModel, OpenGLWidget* shownIn) {
    model = projectModel;
    preview = shownIn;
}

void ButtomSetting::on_BlendSlider_valueChanged(int value) {
    ui->BlendNum->display(value);
    if (model) model->apply({TuningChange::Kind::Blend, -1, value});
    updateTips();
}

void ButtomSetting::showAutoSeamsFailure(const std::vector<CameraProblem>& why, bool box) {
    // The box's text is fixed; which camera failed and why goes to the console,
    // the messages the window keeps, and the status bar.
    QStringList lines;
    for (const CameraProblem& c : why) {
        reportProblemf("%s\r\n", c.message().c_str());
        lines << QString::fromStdString(c.message());
    }
    reportFlush();
    if (QStatusBar* status = statusBarOf(this))
        status->showMessage(tr("Automatic seams failed: ") + lines.join("; "));
    if (!box) return;
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
    const QSignalBlocker blockSeams(ui->m_SeamModeCombo);
    ui->BlendSlider->setValue(project->blendValue);
    ui->BlendNum->display(project->blendValue);
    ui->CutSilder->setValue(project->cutValue);
    ui->CutNum->display(project->cutValue);
    ui->m_AutoMixCombox->setChecked(project->autoMode);
    ui->m_SeamModeCombo->setCurrentIndex(project->seamMode == SeamMode::Content ? 1 : 0);
    updateTips();
    emit cropChanged();
}

void ButtomSetting::updateTips() {
    const Project* project = currentProject();
    ui->BlendSlider->setToolTip(blendTip(*project, ui->BlendSlider->value()));
    ui->CutSilder->setToolTip(cropTip(*project, ui->CutSilder->value()));
    ui->BlendNum->setToolTip(displayTip());
    ui->CutNum->setToolTip(displayTip());
}

void ButtomSetting::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        updateTips();
    }
    QWidget::changeEvent(event);
}

void ButtomSetting::on_CutSilder_valueChanged(int value) {
    ui->CutNum->display(value);
    if (model) model->apply({TuningChange::Kind::Crop, -1, value});
    updateTips();
    emit cropChanged();
}

void ButtomSetting::on_m_AutoMixCombox_toggled(bool checked) {
    if (!model) return;
    // The mode is entered even after a failure: the box stays ticked and the
    // operator leaves it by clearing the box.
    model->apply({TuningChange::Kind::AutoMode, -1, checked ? 1 : 0});
    // The tips say whether the sliders act now.
    updateTips();
    emit cropChanged();
}

void ButtomSetting::on_m_SeamModeCombo_currentIndexChanged(int index) {
    if (model) model->apply({TuningChange::Kind::SeamMode, -1, index == 1 ? 1 : 0});
}

void ButtomSetting::on_m_DeviceViewCombox_toggled(bool checked) {
    if (!preview) return;
    if (checked) {
        showDeviceView();
    } else {
        deviceViewDue.stop();
        preview->showCameras();
        preview->repaint();
    }
}

void ButtomSetting::refreshDeviceView() {
    if (ui->m_DeviceViewCombox->isChecked()) deviceViewDue.start();
    emit tablesChanged();
}

void ButtomSetting::showDeviceView() {
    deviceViewDue.stop();
    if (!preview || !ui->m_DeviceViewCombox->isChecked()) return;
    const ProjectDeviceView view = renderProjectDeviceView(*currentProject());
    // The preview shows the panorama at its own size: averaged down here, the
    // picture keeps every pixel's share, which the texture's filter would not.
    const QSize target = preview->size() * preview->devicePixelRatioF();
    cv::Mat shown = view.image;
    if (!shown.empty() && target.width() > 0 && target.height() > 0 &&
        (shown.cols > target.width() || shown.rows > target.height()))
        cv::resize(view.image, shown, cv::Size(target.width(), target.height()), 0, 0,
                   cv::INTER_AREA);
    preview->showDeviceView(shown);
    preview->repaint();
    const QString failure = tr("Device view: ");
    if (QStatusBar* status = statusBarOf(this)) {
        if (!view.table.message.empty())
            status->showMessage(failure + QString::fromStdString(view.table.message));
        else if (status->currentMessage().startsWith(failure))
            status->clearMessage();
    }
}
