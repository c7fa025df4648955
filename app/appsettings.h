#pragma once

#include <QString>

// The program's one setting, the interface language ("Chinese" or
// "English"), kept in ./sys_klv.ini relative to the working directory. The
// file is opened afresh for each access; failures are ignored.
QString readLanguageSetting();
void writeLanguageSetting(const QString &language);

// Anything but exactly "English" means Chinese.
inline bool isEnglish(const QString &language) { return language == QLatin1String("English"); }
