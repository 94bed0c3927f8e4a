// The bottom panel: global blend width, crop, the switch to automatic seams and
// the switch to the device view. It keeps no state of its own: every value
// lives in the project, and every change goes through the model (ProjectModel.h).
#pragma once

#include <QTimer>
#include <QWidget>
#include <vector>

#include "project/LoadReport.h"

class OpenGLWidget;
class ProjectModel;
namespace Ui {
class ButtomSetting;
}

class ButtomSetting : public QWidget {
    Q_OBJECT
public:
    explicit ButtomSetting(QWidget* parent = nullptr);
    ~ButtomSetting() override;

    // The model the controls apply their changes to, and the preview the
    // device view is shown in (neither owned). Until then the controls only
    // show their values.
    void attach(ProjectModel* model, OpenGLWidget* preview);
    // Names every camera that got no automatic seams and why (console, the
    // window's status bar), then shows the warning box; `box` false leaves
    // out the box (a missing image explains it).
    void showAutoSeamsFailure(const std::vector<CameraProblem>& why, bool box = true);
    // Shows the project's blend, crop and mode (after settings were restored)
    // without running the slots: the caller recomputes once.
    void showProjectValues();
    // While the device view is shown, recomputes it once control returns to
    // the event loop (however many changes came before); announces the change
    // (tablesChanged). Called after every change that alters the tables
    // (ProjectModel::Change::Layers) and after a load.
    void refreshDeviceView();
    // The sliders' tips in pixels of the loaded rig (after a load, a change,
    // a language switch).
    void updateTips();

signals:
    // The crop or the mode changed: the trims' tips change with it.
    void cropChanged();
    // What the tables would hold changed (sent by refreshDeviceView).
    void tablesChanged();

protected:
    void changeEvent(QEvent* event) override;

private slots:
    // The blend and crop values (0..60000) and the mode, applied through the
    // model (TuningChange.h says what each recomputes).
    void on_BlendSlider_valueChanged(int value);
    void on_CutSilder_valueChanged(int value);
    void on_m_AutoMixCombox_toggled(bool checked);
    // Ticked: the preview shows what the device will show for the current
    // settings; cleared: the layered preview again.
    void on_m_DeviceViewCombox_toggled(bool checked);
    // Stores where the automatic seams go (0: middle of the overlap, 1: where
    // the cameras agree) and, in automatic mode, places them again.
    void on_m_SeamModeCombo_currentIndexChanged(int index);

private:
    // Builds the 2K table in memory, renders it and hands it to the preview;
    // a failure goes to the status bar.
    void showDeviceView();

    Ui::ButtomSetting* ui;
    ProjectModel* model = nullptr;
    OpenGLWidget* preview = nullptr;
    QTimer deviceViewDue;
};
