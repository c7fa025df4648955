#include "devicerecords.h"

#include <QStringList>

const QStringList testFuncNames = {
    QStringLiteral("VI"), QString(), QString(), QStringLiteral("SEQ"), QStringLiteral("CHAR")};

const QStringList alarmNames = {
    QStringLiteral("NULL"), QStringLiteral("OP"),   QStringLiteral("OV"),   QStringLiteral("OC"),
    QStringLiteral("RVP"),  QStringLiteral("TSD"),  QStringLiteral("OT"),   QStringLiteral("NULL"),
    QStringLiteral("OPP"),  QStringLiteral("OVP"),  QStringLiteral("OCP"),  QStringLiteral("LVP"),
    QStringLiteral("NULL"), QStringLiteral("CMF"),  QStringLiteral("NULL"), QStringLiteral("PMF"),
    QStringLiteral("FAULT")};

const QVector<int> samplingIntervals = {100,   200,   500,   1000,   2000,   5000,
                                        10000, 20000, 30000, 60000, 120000, 300000};

namespace {
// The status word can carry codes the tables do not name: show the number
// rather than index past the end.
QString nameOrNumber(const QStringList &names, int code)
{
    if (code >= 0 && code < names.size())
        return names.at(code);
    return QString::number(code);
}
} // namespace

QString testFuncDisplayName(int code)
{
    return nameOrNumber(testFuncNames, code);
}

QString alarmDisplayName(int code)
{
    return nameOrNumber(alarmNames, code);
}

QString packedToIpText(quint32 packed)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(packed & 0xFFu)
        .arg((packed >> 8) & 0xFFu)
        .arg((packed >> 16) & 0xFFu)
        .arg((packed >> 24) & 0xFFu);
}

bool ipTextToPacked(const QString &text, quint32 &packed)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    quint32 result = 0;
    for (int i = 0; i < 4; ++i) {
        const QString &part = parts.at(i);
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        const uint octet = part.toUInt();
        if (octet > 255)
            return false;
        result |= quint32(octet) << (8 * i);
    }
    packed = result;
    return true;
}
