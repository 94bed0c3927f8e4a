// The right panel: one settings panel per camera.
#pragma once

#include <QWidget>

class RightSetting : public QWidget {
    Q_OBJECT
public:
    explicit RightSetting(QWidget* parent = nullptr);
    // Deletes the per-camera panels and builds them anew from the camera list.
    void rebuildPanels();
};
