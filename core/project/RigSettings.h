// The operator's tuning of a rig, kept in NAME.orvik.json beside NAME.pto so that
// closing the window loses nothing and the command line can repeat an export.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "geometry/SeamMode.h"

class Project;
struct RigSettingsRead;

// One camera's settings, matched to a camera of the project by its image name.
struct CameraTuning {
    int index = 0;
    QString image;  // file name of the camera's source image, without its folder
    double alpha = 1.0;
    bool hidden = false;
    bool highlighted = false;
    int dirL = 0;
    int dirR = 0;
    bool operator==(const CameraTuning& o) const;
};

// What applying settings to a project could not do.
struct RigSettingsApplied {
    // The image lines differ from those the settings were saved with.
    bool calibrationChanged = false;
    // Cameras of the project that kept their defaults, and saved cameras that
    // found no camera, e.g. "camera 3 (c3.jpg)" and "c4.jpg (not in the project)".
    QStringList unmatched;
};

struct RigSettings {
    // Raised when a change would make older programs misread a file; they refuse it.
    static constexpr int kFormatVersion = 1;

    QString projectFile;  // the PTO's file name, for whoever reads the file
    QString fingerprint;  // of the PTO's image lines when the rig was loaded
    int blendValue = 0;
    int cutValue = 0;
    bool autoMode = false;
    // Key "seams", written only for content seams: absent means the middle
    // rule, so files of the default stay as older programs wrote them.
    SeamMode seamMode = SeamMode::Middle;
    std::vector<int> drawOrder;  // bottom first, indices into `cameras`
    std::vector<CameraTuning> cameras;

    // The project's current settings. Reads no file.
    static RigSettings capture(const Project& project);
    // What a freshly loaded project would hold: the defaults of every value.
    static RigSettings defaults(const Project& project);

    // Writes the settings, complete or not at all (temporary file, then rename).
    // Returns an empty string on success, otherwise a message naming the file.
    QString write(const QString& path) const;
    // Reads and checks the file; nothing is usable unless everything is.
    static RigSettingsRead read(const QString& path);

    // Writes the settings into the project's records: the global values, and
    // each camera's values to the camera with the same image name (the same
    // index first). Recomputes nothing; the caller refreshes what depends on it.
    RigSettingsApplied apply(Project& project) const;

    bool operator==(const RigSettings& o) const;
    bool operator!=(const RigSettings& o) const { return !(*this == o); }
};

// A settings file read and checked as a whole, or why it could not be used.
struct RigSettingsRead {
    std::optional<RigSettings> settings;  // set only when every value was valid
    QString error;  // names the file and the problem (and the key of a bad value)
};

// NAME.orvik.json beside NAME.pto.
QString settingsPathFor(const QString& ptoPath);
// Settings of the project's own file: read and applied when the file exists.
// `error` set: the file exists but is unusable, and nothing was applied.
struct RigSettingsRestore {
    bool found = false;
    QString path;
    QString error;
    RigSettings saved;  // as read from the file
    RigSettingsApplied applied;
    // "settings restored from PATH", then what could not be applied.
    QString message() const;
};
RigSettingsRestore restoreSettings(Project& project, const QString& path);
