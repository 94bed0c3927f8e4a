// The right panel: a scrollable column with one CameraSetting per camera,
// entry i controlling camera i. Rebuilt after every project load.
#pragma once

#include <QFrame>
#include <QVector>

class CameraSetting;
class ProjectModel;
namespace Ui {
class RightSetting;
}

class RightSetting : public QFrame {
    Q_OBJECT
public:
    explicit RightSetting(QWidget* parent = nullptr);
    ~RightSetting() override;

    // Deletes the per-camera panels and builds them anew from the camera list.
    void rebuildPanels();
    // Shows every camera's place in the drawing order (0 = top) on its panel.
    void showDrawOrder();
    // Every panel's trim tips (the crop they depend on changed).
    void updateTips();
    // The model every panel applies its changes to (not owned); the places in
    // the drawing order follow its changes.
    void setModel(ProjectModel* projectModel);

public:
    // Not owned here: the panels belong to the scroll area's contents.
    QVector<CameraSetting*> panels;

private:
    void buildPanels();

    Ui::RightSetting* ui;
    ProjectModel* model = nullptr;
};
