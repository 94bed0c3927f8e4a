// The remapper's work folder ("tiff" beside the project): made and marked for
// a run, or, when it was there already, used without touching what is not the
// run's; afterwards removed, or emptied of what the run wrote.
#pragma once

#include <QString>
#include <QStringList>

class RemapWorkFolder {
public:
    RemapWorkFolder(QString path, int cameraCount);

    // Removes a folder a killed run of ours left (it carries our marker), then
    // makes and marks the folder, or, when it exists and is not ours, removes
    // the remapper outputs an interrupted run left in it. Returns why the
    // folder cannot be used; empty when it can.
    QString prepare();
    // Removes what the run wrote: the whole folder when prepare() made it,
    // otherwise `script` (when not empty) and the remapper's outputs. False
    // when something could not be removed.
    bool cleanUp(const QString& script) const;

private:
    QString path_;
    int count_;
    bool existed_ = false;
};

// The three files the remapper leaves for camera i in `workFolder` (names as
// loadProject sets them): layer, x map, y map.
QStringList cameraOutputs(const QString& workFolder, int i);

// True when `folder` is gone afterwards or never existed; false at the first entry
// that could not be removed (the rest stays). Links are removed, not followed.
bool removeFolderRecursive(const QString& folder);
