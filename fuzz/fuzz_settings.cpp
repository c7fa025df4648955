// Whatever ./sys_klv.ini holds, reading the language gives a value and
// never fails.
#include "appsettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const bool entered = QDir::setCurrent(dir.path());
    (void)entered;
    QFile file("sys_klv.ini");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    readLanguageSetting();
    return 0;
}
