// One camera's settings panel: transparency (optionally for every camera at
// once), highlight, hide, place in the drawing order and the two direction
// trims. The panel writes its display settings straight into the camera record
// and applies the trims and the order through the model (ProjectModel.h).
#pragma once

#include <QWidget>

class ProjectModel;
namespace Ui {
class CameraSetting;
}

// Breaks the signal recursion while one transparency slider drives every panel:
// false while the sync-all loop sets the other sliders.
extern bool alphaSyncIdle;

class CameraSetting : public QWidget {
    Q_OBJECT
public:
    explicit CameraSetting(QWidget* parent = nullptr);
    ~CameraSetting() override;

    // Binds the panel to camera i and shows that camera's settings and its
    // place in the drawing order. Writes nothing into the record.
    void fillFromCamera(int i);
    // The camera index this panel controls.
    int cameraIndex() const { return index; }
    // The model the panel applies its changes to (not owned); until then it
    // only shows its values.
    void setModel(ProjectModel* projectModel) { model = projectModel; }

    // Display helpers used by the other panels; they do not touch the record.
    void showAlpha(int value);  // slider (its slot suppressed by alphaSyncIdle) and text
    void clearHighlight();      // clears the box, which runs its slot if it was ticked
    void showOrder(int fromTop);
    // The trims' tips in pixels of this camera, for the project's crop.
    void updateTips();

signals:
    // The panel reaches the other panels only through these; the right panel,
    // which builds it, connects them. Changes of the records go through the model.
    void highlightTaken(CameraSetting* panel);  // the other panels clear their box
    void alphaForAll(int value);                // every panel shows this alpha (its record is set)

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void on_hide_CheckBox_toggled(bool checked);
    void on_gaoliang_checkBox_toggled(bool checked);
    void on_alpha_slider_valueChanged(int value);
    void on_dirction_sliderL_valueChanged(int value);
    void on_direction_sliderR_valueChanged(int value);
    // Move the camera to the top (drawn last) or the bottom (drawn first).
    void on_top_Button_clicked();
    void on_buttom_Button_clicked();

private:
    // "Camera:N", marked when the camera cannot take part in the tables
    // (`problem`, its reason, also becomes the title's tip).
    void showTitle();

    Ui::CameraSetting* ui;
    ProjectModel* model = nullptr;
    int index = -1;
    QString problem;
};
