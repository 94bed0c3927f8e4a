// The bottom panel: global blend width, crop, the switch to automatic seams and
// the switch to the device view. It keeps no state of its own; every value
// lives in the project.
#pragma once

#include <QTimer>
#include <QWidget>
#include <vector>

#include "project/LoadReport.h"

namespace Ui {
class ButtomSetting;
}

class ButtomSetting : public QWidget {
    Q_OBJECT
public:
    explicit ButtomSetting(QWidget* parent = nullptr);
    ~ButtomSetting() override;

    // Places the seams automatically and repaints; on failure names every camera
    // that got no seams and why (console and the window's status bar), then shows
    // the warning box. Used by the check box and by a load in automatic mode.
    // True when the seams were placed.
    bool applyAutoSeams();
    // The failure half of applyAutoSeams, for seams the load sequence placed;
    // `box` false leaves out the warning box (a missing image explains it).
    void showAutoSeamsFailure(const std::vector<CameraProblem>& why, bool box = true);
    // Shows the project's blend, crop and mode (after settings were restored)
    // without running the slots: the caller recomputes once.
    void showProjectValues();
    // While the device view is shown, recomputes it once control returns to
    // the event loop (however many changes came before); announces the change
    // (tablesChanged). Called after every change that alters the tables:
    // blend, crop, trims, mode, order, a load.
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
    // Stores the blend value (0..60000) and, in manual mode, refreshes every camera.
    void on_BlendSlider_valueChanged(int value);
    // Stores the crop value (0..60000) and, in manual mode, refreshes every camera.
    void on_CutSilder_valueChanged(int value);
    // Ticked: places the seams automatically (warning on failure); cleared: back
    // to manual mode with the current slider values.
    void on_m_AutoMixCombox_toggled(bool checked);
    // Ticked: the preview shows what the device will show for the current
    // settings; cleared: the layered preview again.
    void on_m_DeviceViewCombox_toggled(bool checked);

private:
    // Builds the 2K table in memory, renders it and hands it to the preview;
    // a failure goes to the status bar.
    void showDeviceView();

    Ui::ButtomSetting* ui;
    QTimer deviceViewDue;
};
