#include "remap/WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>
#include <utility>

#include "file/AtomicReplace.h"
#include "file/Local8Bit.h"
#include "file/RemapOutputNames.h"

namespace {

// Marks a work folder this tool created, so that one left by a killed run is
// recognised and removed by the next; a folder without it is the operator's.
const char kMarker[] = ".orvikjoint-work";

// The remapper's partial outputs ("pic0003.tif.part1234") of an interrupted run.
const QString kPartialPattern =
    QString("%1*.tif%2*")
        .arg(QString::fromStdString(remapOutputStem(kRemapOutputPrefix)), AtomicReplace::kMarker);

}  // namespace

QStringList cameraOutputs(const QString& workFolder, int i) {
    QStringList paths;
    for (RemapOutput which : {RemapOutput::Layer, RemapOutput::MapX, RemapOutput::MapY})
        paths << workFolder + "/" +
                     QString::fromStdString(remapOutputName(kRemapOutputPrefix, i, which));
    return paths;
}

bool removeFolderRecursive(const QString& folder) {
    QDir dir(folder);
    if (!dir.exists()) return true;
    const QFileInfoList entries = dir.entryInfoList(
        QDir::Files | QDir::AllDirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDir::DirsFirst);
    for (const QFileInfo& entry : entries) {
        // A link to a folder is removed itself; its target is not ours to empty.
        const bool ok = entry.isDir() && !entry.isSymLink()
                            ? removeFolderRecursive(entry.absoluteFilePath())
                            : QFile::remove(entry.absoluteFilePath());
        if (!ok) return false;
    }
    return dir.rmdir(dir.absolutePath());
}

RemapWorkFolder::RemapWorkFolder(QString path, int cameraCount)
    : path_(std::move(path)), count_(cameraCount) {}

QString RemapWorkFolder::prepare() {
    QString error;
    // A work folder a killed run of ours left behind carries the marker and goes.
    if (QFileInfo::exists(path_ + "/" + kMarker)) removeFolderRecursive(path_);
    // A tiff folder that was already there is not ours: only what this run writes
    // is removed from it afterwards.
    existed_ = QDir(path_).exists();
    if (!existed_) {
        std::error_code ec;
        if (!std::filesystem::create_directory(toLocal8BitString(path_), ec))
            error =
                QString("work folder %1 cannot be created: %2")
                    .arg(path_, QString::fromLocal8Bit(ec ? ec.message().c_str() : "it exists"));
    }
    if (!existed_ && error.isEmpty()) {
        QFile marker(path_ + "/" + kMarker);
        if (!marker.open(QIODevice::WriteOnly))
            error = QString("work folder %1 cannot be marked").arg(path_);
    }
    // Outputs left from an interrupted run would otherwise pass for this run's.
    if (existed_) {
        for (int i = 0; i < count_; ++i)
            for (const QString& f : cameraOutputs(path_, i)) QFile::remove(f);
        for (const QString& f : QDir(path_).entryList({kPartialPattern}, QDir::Files))
            QFile::remove(path_ + "/" + f);
    }
    return error;
}

bool RemapWorkFolder::cleanUp(const QString& script) const {
    if (!existed_) return removeFolderRecursive(path_);
    QStringList ours;
    if (!script.isEmpty()) ours << script;
    for (int i = 0; i < count_; ++i) ours << cameraOutputs(path_, i);
    for (const QString& f : QDir(path_).entryList({kPartialPattern}, QDir::Files))
        ours << path_ + "/" + f;
    bool cleaned = true;
    for (const QString& f : ours)
        if (QFileInfo::exists(f) && !QFile::remove(f)) cleaned = false;
    return cleaned;
}
