// The single main window: preview on the left, blend/crop panel below it,
// camera panels on the right, and the File menu with open and the three exports.
#pragma once

#include <QMainWindow>
#include <string>

struct ExportResult;
class OpenGLWidget;
class ButtomSetting;
class RightSetting;
namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Load sequence shared by start-up and the open action: read the project,
    // remap and analyse every camera, rebuild the camera panels, mark loaded.
    void loadSequence(const std::string& path);

private slots:
    void on_actionLoad_Scheme_triggered();
    void on_actionExport_Red_triggered();
    void on_actionExport_FPGA_triggered();
    void on_action_QELO4K_triggered();

private:
    // Shows a warning when an export failed; success has its own notice.
    void reportExport(const ExportResult& result);

    OpenGLWidget* openGLWidget;
    ButtomSetting* buttomSetting;
    RightSetting* rightSetting;
    Ui::MainWindow* ui;
};
