// Modal feedback while a project loads. The load runs on the GUI thread, so
// without it the window freezes silently for many seconds: the dialog shows the
// remapper run (cameras whose outputs are written), then the analysis of each
// camera. Every update lets Qt process pending events so the dialog paints.
#pragma once

#include <QProgressDialog>

class LoadProgressDialog : public QProgressDialog {
    Q_OBJECT
public:
    // Shows itself at once, modal over `parent`, for a rig of `cameraCount` cameras.
    LoadProgressDialog(QWidget* parent, int cameraCount);

    // First phase: `done` of `total` cameras have been remapped. The Cancel
    // button is offered in this phase only (wasCanceled() tells).
    void remapperProgress(int done, int total);
    // Second phase: `done` of `total` cameras have been read and analysed.
    void analysisProgress(int done, int total);
    // The load has ended, whatever happened; the dialog closes.
    void finish();

private:
    int cameras;
    bool analysing = false;
};
