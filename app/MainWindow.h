// The single main window: preview on the left, blend/crop panel below it,
// camera panels on the right, and the File menu with open and the three exports.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

#include "export/PanoramaCoverage.h"
#include "project/RigSettings.h"

struct ExportResult;
class OpenGLWidget;
class ButtomSetting;
class RightSetting;
class MessageLog;
class ProjectModel;
class QLabel;
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

    // Writes the current settings to NAME.orvik.json beside the project; warns
    // and returns false when that fails (or no project is loaded).
    bool saveSettings();
    // The settings differ from those last saved or restored for this project.
    bool settingsDiffer() const;

protected:
    // Asks whether to save settings that differ from the saved ones.
    void closeEvent(QCloseEvent* event) override;
    // Places the working areas whenever the central widget changes size.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A language switch: the forms' texts, the title and the menu's check.
    void changeEvent(QEvent* event) override;

private slots:
    void on_actionLoad_Scheme_triggered();
    void on_actionExport_Red_triggered();
    void on_actionExport_FPGA_triggered();
    void on_action_QELO4K_triggered();
    void on_actionSave_Settings_triggered();
    void on_actionReset_Settings_triggered();
    void on_actionShow_Seams_toggled(bool checked);
    void on_actionFit_View_triggered();
    // The three tables in one go, ending with one box that lists every file
    // written (path and size) and everything that failed or was left out.
    void on_actionExport_All_triggered();
    void on_actionQuit_triggered();
    void on_actionLanguage_English_triggered();
    void on_actionLanguage_Chinese_triggered();
    // The version, what the program is for, and where its remapper is run from.
    void on_actionAbout_triggered();
    // The title's modified mark follows every control's change.
    void updateTitle();
    // After every change of the tables: how much of what the cameras see they
    // leave black, in the status bar, the messages dock and the seam overlay.
    void checkCoverage();

private:
    // Shows a warning when an export failed; success has its own notice. The
    // status bar names the file written and its size.
    void reportExport(const ExportResult& result);
    // Switches the interface language and remembers the choice.
    void chooseLanguage(const QString& code);
    // The panels show the records' values and the cameras are recomputed as
    // the mode asks (automatic seams as the check box places them).
    void showSettings();
    // The preview takes the free space at the panorama's shape (WindowAreas.h).
    void placeAreas();
    // Shows a coverage report where the operator looks; the messages dock gets
    // the holes when they appear.
    void showCoverage(const CoverageReport& report);
    // How much of what the cameras see the tables leave black, and why, for
    // the status bar; empty without holes. The details add where (columns).
    QString holesMessage(const CoverageReport& report) const;
    QString holesDetails(const CoverageReport& report) const;
    // What an export leaves out (cameras, holes), for its warning; each line
    // also goes to the messages dock.
    QStringList exportGaps(QStringList* holes);
    // Each seam's disagreement into the messages dock and the seam overlay
    // (after automatic seams are placed, and after every export).
    void listSeams();

    ProjectModel* model;  // every tuning change of the panels goes through it
    OpenGLWidget* openGLWidget;
    ButtomSetting* buttomSetting;
    RightSetting* rightSetting;
    Ui::MainWindow* ui;
    RigSettings savedSettings;             // last saved or restored; what the title compares with
    std::unique_ptr<MessageLog> messages;  // the core's reporter while the window lives
    CoverageCheck coverage;
    QString holesShown;  // the holes message the status bar got last, empty without holes
    QLabel* holesLabel;  // the holes' share, at the status bar's right end
};
