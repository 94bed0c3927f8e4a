#include "Language.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTranslator>
#include <cstring>

#include "UserSettings.h"

static void initTranslations() {
    // The translations live in the window's static library; without this the
    // linker may drop the resource.
    Q_INIT_RESOURCE(translations);
}

namespace {

QString& language() {
    static QString code = QString::fromLatin1("zh");
    return code;
}

QTranslator& translator() {
    static QTranslator t;
    return t;
}

}  // namespace

QString currentLanguage() {
    return language();
}

bool setLanguage(const QString& code) {
    if (code == language()) return true;
    if (code == "zh") {
        QCoreApplication::removeTranslator(&translator());
    } else if (code == "en") {
        initTranslations();
        if (!translator().load(QString::fromLatin1(":/translations/orvikjoint_en.qm")))
            return false;
        QCoreApplication::installTranslator(&translator());
    } else {
        return false;
    }
    language() = code;
    return true;
}

QString savedLanguage() {
    const QString code = userSettings().value("language").toString();
    return code == "en" ? code : QString::fromLatin1("zh");
}

void saveLanguage(const QString& code) {
    userSettings().setValue("language", code);
    userSettings().sync();
}

QString takeLanguageOption(std::vector<char*>& args) {
    for (size_t i = 1; i < args.size(); ++i) {
        if (std::strcmp(args[i], "--lang") != 0) continue;
        const bool hasValue = i + 1 < args.size();
        const QString code = hasValue ? QString::fromLocal8Bit(args[i + 1]) : QString("?");
        args.erase(args.begin() + static_cast<long>(i),
                   args.begin() + static_cast<long>(i + (hasValue ? 2 : 1)));
        return code;
    }
    return QString();
}
