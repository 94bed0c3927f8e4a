// The interface language. The forms' source texts are Chinese; English comes
// from the translation built into the program. The operator's choice from the
// menu is kept in the user's settings; "--lang en|zh" overrides it for one run.
#pragma once

#include <QString>
#include <vector>

// "zh" (the source texts) or "en".
QString currentLanguage();
// Installs the translation for `code` ("en") or removes it ("zh"); every
// widget then gets a LanguageChange event. False for an unknown code or a
// translation that cannot be loaded (the language is then unchanged).
bool setLanguage(const QString& code);

// The language last chosen from the menu, "zh" when none was.
QString savedLanguage();
void saveLanguage(const QString& code);

// Removes "--lang CODE" from `args` (argv without its terminating null) and
// returns CODE; empty when the option is absent. A "--lang" without a value
// is removed too and gives "?", which setLanguage refuses.
QString takeLanguageOption(std::vector<char*>& args);
