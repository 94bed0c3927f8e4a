// The bottom panel: global blend width, crop and the switch to automatic seams.
// It keeps no state of its own; every value lives in the project.
#pragma once

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
    // The failure half of applyAutoSeams, for seams the load sequence placed.
    void showAutoSeamsFailure(const std::vector<CameraProblem>& why);
    // Shows the project's blend, crop and mode (after settings were restored)
    // without running the slots: the caller recomputes once.
    void showProjectValues();

private slots:
    // Stores the blend value (0..60000) and, in manual mode, refreshes every camera.
    void on_BlendSlider_valueChanged(int value);
    // Stores the crop value (0..60000) and, in manual mode, refreshes every camera.
    void on_CutSilder_valueChanged(int value);
    // Ticked: places the seams automatically (warning on failure); cleared: back
    // to manual mode with the current slider values.
    void on_m_AutoMixCombox_toggled(bool checked);

private:
    Ui::ButtomSetting* ui;
};
