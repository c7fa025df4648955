#include "appsettings.h"

#include <QSettings>

namespace {
const char *const settingsFile = "./sys_klv.ini";
const char *const languageKey = "Language";
}

QString readLanguageSetting()
{
    return QSettings(settingsFile, QSettings::IniFormat).value(languageKey).toString();
}

void writeLanguageSetting(const QString &language)
{
    QSettings(settingsFile, QSettings::IniFormat).setValue(languageKey, language);
}
