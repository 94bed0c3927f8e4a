#include "CliSettings.h"

#include <QFileInfo>
#include <cstdio>

#include "project/Project.h"
#include "project/RigSettings.h"

QString takeSettingsOptions(QStringList* args, CliSettings* out) {
    for (int i = 0; i < args->size();) {
        const QString a = args->at(i);
        if (a == "--no-settings") {
            out->ignore = true;
        } else if (a == "--manual") {
            out->manual = true;
        } else if (a == "--settings") {
            if (i + 1 >= args->size()) return "--settings needs a file name";
            out->file = args->at(i + 1);
            args->removeAt(i + 1);
        } else {
            ++i;
            continue;
        }
        args->removeAt(i);
    }
    if (out->ignore && !out->file.isEmpty())
        return "--settings and --no-settings exclude each other";
    return QString();
}

QString applyCliSettings(const CliSettings& choice, Project& project) {
    if (!choice.ignore) {
        const QString path =
            choice.file.isEmpty() ? settingsPathFor(project.ptoFilePath) : choice.file;
        const RigSettingsRestore r = restoreSettings(project, path);
        // A file named on the command line must be there; the default one may not be.
        QString error = r.error;
        if (!r.found && !choice.file.isEmpty())
            error = QString("settings file %1 does not exist").arg(path);
        if (!error.isEmpty())
            return error + "\nnothing exported; --no-settings exports without a settings file";
        if (r.found) {
            // Cameras left at their defaults change the tables: not only a note.
            FILE* to = r.applied.unmatched.isEmpty() ? stdout : stderr;
            fprintf(to, "%s\n", r.message().toLocal8Bit().constData());
            fflush(to);
        }
    }
    if (choice.manual) project.autoMode = false;
    return QString();
}

bool saveCliSettings(const CliSettings& choice, const Project& project) {
    if (choice.ignore || !choice.file.isEmpty()) return true;
    const QString path = settingsPathFor(project.ptoFilePath);
    const QString error = RigSettings::capture(project).write(path);
    if (!error.isEmpty()) {
        fprintf(stderr, "orvikjoint-cli: %s\n", error.toLocal8Bit().constData());
        return false;
    }
    printf("saved settings to %s\n", path.toLocal8Bit().constData());
    return true;
}
