// The operator's preferences that outlive a run (language, last project
// folder). They live in the user's configuration folder, never beside a
// project, and nothing a table is made from is kept here.
#pragma once

#include <QSettings>

inline QSettings& userSettings() {
    static QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                              QString::fromLatin1("OrvikJoint"), QString::fromLatin1("orvikjoint"));
    return settings;
}
