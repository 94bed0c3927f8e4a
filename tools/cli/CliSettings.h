// The command line's side of the settings file: which file, applying it before
// the options, and saving what an export used.
#pragma once

#include <QString>
#include <QStringList>

class Project;

struct CliSettings {
    QString file;         // --settings FILE; empty: NAME.orvik.json beside the project
    bool ignore = false;  // --no-settings
    bool manual = false;  // --manual: manual seams even where the settings say automatic
};

// Takes --settings FILE, --no-settings and --manual out of `args`. Returns a
// usage error, empty when the options are well formed.
QString takeSettingsOptions(QStringList* args, CliSettings* out);

// Applies the chosen settings file to the loaded project (before the options
// that override it) and says so. Returns why it cannot be used (the run must
// stop), empty when it was applied or there is none.
QString applyCliSettings(const CliSettings& choice, Project& project);

// Saves the settings the tables were made with beside the project. A run told
// to ignore that file (--no-settings) or to read another one (--settings)
// writes nothing: the operator's files stay as they were. On failure prints
// why and returns false.
bool saveCliSettings(const CliSettings& choice, const Project& project);
