#include "CameraSetting.h"

#include <QEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <deque>

#include "CurrentProject.h"
#include "ProjectModel.h"
#include "SliderTips.h"
#include "ValueEntry.h"
#include "project/LoadReport.h"
#include "ui_CameraSetting.h"

bool alphaSyncIdle = true;

namespace {

// The camera a panel controls, or null when the panel is not bound to one of
// the current cameras (a panel outlives its camera only between a load and the
// rebuild that follows it).
Camara* cameraAt(int i) {
    Project* project = currentProject();
    if (i < 0 || i >= static_cast<int>(project->cameras.size())) return nullptr;
    return &project->cameras[static_cast<size_t>(i)];
}

}  // namespace

CameraSetting::CameraSetting(QWidget* parent) : QWidget(parent), ui(new Ui::CameraSetting) {
    ui->setupUi(this);
    // About 1 % of the range per arrow key, 10 % per page.
    ui->alpha_slider->setSingleStep(3);
    ui->alpha_slider->setPageStep(26);
    for (QSlider* slider : {ui->dirction_sliderL, ui->direction_sliderR}) {
        slider->setSingleStep(600);
        slider->setPageStep(6000);
    }
    acceptTypedValues(ui->alpha_lineEdit, ui->alpha_slider);
    acceptTypedValues(ui->dirL_lineEdit, ui->dirction_sliderL);
    acceptTypedValues(ui->dirR_lineEdit, ui->direction_sliderR);
}

CameraSetting::~CameraSetting() {
    delete ui;
}

void CameraSetting::fillFromCamera(int i) {
    index = i;
    const Camara* camera = cameraAt(i);
    // A camera of a loaded project whose image is missing is marked where its
    // settings are: nothing of it reaches the preview or the tables.
    problem = camera && !camera->sourcePath.empty()
                  ? QString::fromLocal8Bit(missingInputs(*camera).c_str())
                  : QString();
    showTitle();
    if (!camera) return;

    // Filling only shows the record; the slots must not write it back (the
    // slider would round alpha to a 1/255 step and repaint once per panel).
    const int alpha = static_cast<int>(camera->alpha * 255);
    {
        const QSignalBlocker blockAlpha(ui->alpha_slider);
        ui->alpha_slider->setValue(alpha);
    }
    ui->alpha_lineEdit->setText(QString("%1").arg(alpha));

    // Settings survive a reload of the rig, so the boxes and trims show what
    // the record holds rather than a default that would contradict the preview.
    {
        const QSignalBlocker blockHide(ui->hide_CheckBox);
        const QSignalBlocker blockHighlight(ui->gaoliang_checkBox);
        const QSignalBlocker blockLeft(ui->dirction_sliderL);
        const QSignalBlocker blockRight(ui->direction_sliderR);
        ui->hide_CheckBox->setChecked(camera->hidden);
        ui->gaoliang_checkBox->setChecked(camera->highlighted);
        ui->dirction_sliderL->setValue(camera->dirL);
        ui->direction_sliderR->setValue(camera->dirR);
    }
    ui->dirL_lineEdit->setText(QString("%1").arg(camera->dirL));
    ui->dirR_lineEdit->setText(QString("%1").arg(camera->dirR));
    updateTips();

    const std::deque<int>& order = currentProject()->drawOrder;
    const auto it = std::find(order.begin(), order.end(), i);
    if (it != order.end())
        showOrder(static_cast<int>(order.size()) - static_cast<int>(it - order.begin()) - 1);
}

void CameraSetting::updateTips() {
    const Camara* camera = cameraAt(index);
    if (!camera) return;
    const Project& project = *currentProject();
    ui->dirction_sliderL->setToolTip(
        trimTip(project, *camera, ui->dirction_sliderL->value(), true));
    ui->direction_sliderR->setToolTip(
        trimTip(project, *camera, ui->direction_sliderR->value(), false));
}

void CameraSetting::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        // The form's step puts back its placeholder title.
        if (index >= 0) showTitle();
        updateTips();
    }
    QWidget::changeEvent(event);
}

void CameraSetting::showTitle() {
    QString title = QString("Camera:%1").arg(index);
    if (!problem.isEmpty()) {
        const Camara* camera = cameraAt(index);
        title += camera && camera->sourceSize.empty()
                     ? tr(" – 缺少图像 %1")
                           .arg(QString::fromLocal8Bit(sourceFileName(camera->sourcePath).c_str()))
                     : tr(" – 不进入表格");
    }
    ui->Cam0->setTitle(title);
    ui->Cam0->setToolTip(problem);
    ui->Cam0->setStyleSheet(problem.isEmpty() ? QString()
                                              : QString("QGroupBox::title { color: #d00000; }"));
}

void CameraSetting::showAlpha(int value) {
    ui->alpha_slider->setValue(value);
    ui->alpha_lineEdit->setText(QString("%1").arg(value));
}

void CameraSetting::clearHighlight() {
    ui->gaoliang_checkBox->setChecked(false);
}

void CameraSetting::showOrder(int fromTop) {
    ui->top_index_lcdNumber->display(fromTop);
}

void CameraSetting::on_hide_CheckBox_toggled(bool checked) {
    if (Camara* camera = cameraAt(index)) camera->hidden = checked;
    if (model) model->displayChanged();
}

void CameraSetting::on_gaoliang_checkBox_toggled(bool checked) {
    Project* project = currentProject();
    if (Camara* camera = cameraAt(index)) camera->highlighted = checked;
    if (checked) {
        // One highlighted camera at a time: clearing another panel's box runs
        // its own slot, which clears its camera and repaints.
        emit highlightTaken(this);
        for (size_t j = 0; j < project->cameras.size(); ++j)
            if (static_cast<int>(j) != index) project->cameras[j].highlighted = false;
    }
    if (model) model->displayChanged();
}

void CameraSetting::on_alpha_slider_valueChanged(int value) {
    if (!alphaSyncIdle) return;
    Project* project = currentProject();
    const double alpha = static_cast<double>(static_cast<float>(value) / 255.0f);
    if (ui->alpha_checkBox->isChecked()) {
        alphaSyncIdle = false;
        emit alphaForAll(value);
        for (Camara& camera : project->cameras) camera.alpha = alpha;
        alphaSyncIdle = true;
    } else {
        if (Camara* camera = cameraAt(index)) camera->alpha = alpha;
        ui->alpha_lineEdit->setText(QString("%1").arg(value));
    }
    if (model) model->displayChanged();
}

void CameraSetting::on_dirction_sliderL_valueChanged(int value) {
    if (!cameraAt(index)) return;
    ui->dirL_lineEdit->setText(QString("%1").arg(value));
    if (model) model->apply({TuningChange::Kind::TrimLeft, index, value});
    updateTips();
}

void CameraSetting::on_direction_sliderR_valueChanged(int value) {
    if (!cameraAt(index)) return;
    ui->dirR_lineEdit->setText(QString("%1").arg(value));
    if (model) model->apply({TuningChange::Kind::TrimRight, index, value});
    updateTips();
}

void CameraSetting::on_top_Button_clicked() {
    if (model) model->apply({TuningChange::Kind::MoveToTop, index});
}

void CameraSetting::on_buttom_Button_clicked() {
    if (model) model->apply({TuningChange::Kind::MoveToBottom, index});
}
