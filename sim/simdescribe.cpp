#include "simdescribe.h"

#include "simregmap.h"
#include "simwire.h"

#include <QStringList>

namespace klvsim {

namespace {

using wire::get16;
using wire::get32;

QString hex(int value, int digits = 2)
{
    return QStringLiteral("0x") + QString::number(value, 16).rightJustified(digits, QLatin1Char('0')).toUpper();
}

QString valueText(quint16 r, quint32 v)
{
    const RegInfo *info = regInfo(r);
    if (!info)
        return QStringLiteral("reg %1 = %2").arg(r).arg(qint32(v));
    const QString name = QString::fromLatin1(info->name);
    if (r == reg::Status)
        return QStringLiteral("status %1 (output %2, func %3, alarm %4)")
            .arg(hex(int(v), 8), (v & 1) ? QStringLiteral("on") : QStringLiteral("off"))
            .arg((v >> 4) & 0xF).arg((v >> 11) & 0x1F);
    if (r == reg::RunningData)
        return QStringLiteral("%1 cycle %2 step %3").arg(name).arg(v >> 16).arg(v & 0xFFFF);
    if (info->type == RegType::Float)
        return QStringLiteral("%1 %2").arg(name).arg(double(wire::bitsFloat(v)), 0, 'g', 7);
    return QStringLiteral("%1 %2").arg(name).arg(qint32(v));
}

// Values in a run of register words, as pairs where a value starts.
QString valuesText(int start, const QByteArray &bytes, int pos, int count)
{
    QStringList parts;
    int k = 0;
    if (start % 2 && count > 0) {
        parts << QStringLiteral("reg %1 low word %2").arg(start).arg(get16(bytes, pos));
        k = 1;
    }
    for (; k + 1 < count; k += 2)
        parts << valueText(quint16(start + k), get32(bytes, pos + 2 * k));
    if (k < count)
        parts << QStringLiteral("reg %1 high word %2").arg(start + k).arg(get16(bytes, pos + 2 * k));
    return parts.join(QStringLiteral(", "));
}

QString blockName(int address)
{
    if (address == reg::DevInfoBlock)
        return QStringLiteral("device information");
    return QStringLiteral("name of list file %1").arg(address - reg::NameBlockBase);
}

QString exceptionText(int function, int code)
{
    static const char *const names[] = {"", "illegal function", "illegal address", "illegal value",
                                        "device failure"};
    const QString name = code >= 1 && code <= 4 ? QString::fromLatin1(names[code]) : QString();
    return QStringLiteral("exception %1 code %2 %3").arg(hex(function)).arg(code).arg(name).trimmed();
}

} // namespace

QString describeModbusRequest(const QByteArray &f)
{
    if (f.size() < 8)
        return QStringLiteral("short frame %1").arg(QString::fromLatin1(f.toHex(' ')));
    const QString head = QStringLiteral("tid %1 unit %2 ").arg(get16(f, 0)).arg(hex(quint8(f[6])));
    const int fn = quint8(f[7]);
    const int address = f.size() >= 10 ? get16(f, 8) : -1;
    switch (fn) {
    case 0x03:
        if (f.size() == 12)
            return head + QStringLiteral("read 0x03 reg %1 count %2").arg(address).arg(get16(f, 10));
        break;
    case 0x10:
        if (f.size() >= 13 && f.size() == 13 + quint8(f[12]))
            return head + QStringLiteral("write 0x10 reg %1: %2").arg(address)
                .arg(valuesText(address, f, 13, quint8(f[12]) / 2));
        break;
    case 0x41:
        return head + QStringLiteral("limit read 0x41 reg %1").arg(address);
    case 0x42:
        return head + QStringLiteral("block read 0x42 addr %1 (%2)").arg(address).arg(blockName(address));
    case 0x40:
        if (f.size() >= 11)
            return head + QStringLiteral("block write 0x40 addr %1 (%2) %3 bytes \"%4\"").arg(address)
                .arg(blockName(address)).arg(quint8(f[10]))
                .arg(QString::fromLocal8Bit(f.mid(11).constData()));
        break;
    default: break;
    }
    return head + QStringLiteral("function %1, %2 bytes: %3").arg(hex(fn)).arg(f.size())
        .arg(QString::fromLatin1(f.toHex(' ')));
}

QString describeModbusReply(const QByteArray &req, const QByteArray &r)
{
    const QString head = QStringLiteral("%1 bytes ").arg(r.size());
    if (r.size() < 9 || req.size() < 8)
        return head + QString::fromLatin1(r.toHex(' '));
    const int fn = quint8(r[7]);
    if (fn & 0x80)
        return head + exceptionText(fn, quint8(r[8]));
    const int address = req.size() >= 10 ? get16(req, 8) : -1;
    switch (fn) {
    case 0x03:
        return head + valuesText(address, r, 9, (r.size() - 9) / 2);
    case 0x10:
        return head + QStringLiteral("written reg %1 count %2").arg(address).arg(r.size() >= 12 ? get16(r, 10) : -1);
    case 0x41:
        if (r.size() >= 16)
            return head + QStringLiteral("limits %1, %2").arg(qint32(get32(r, 8))).arg(qint32(get32(r, 12)));
        break;
    case 0x42:
        if (address != reg::DevInfoBlock)
            return head + QStringLiteral("name \"%1\"").arg(QString::fromLocal8Bit(r.mid(9).constData()));
        return head + QStringLiteral("device information, %1 data bytes").arg(quint8(r[8]));
    case 0x40:
        return head + QStringLiteral("name stored");
    default: break;
    }
    return head + QString::fromLatin1(r.toHex(' '));
}

QString describeUdp(const QByteArray &d, bool fromSupply, int readStart)
{
    const QString head = QStringLiteral("%1 bytes ").arg(d.size());
    if (d.size() < 4)
        return head + QString::fromLatin1(d.toHex(' '));
    const int device = quint8(d[0]), fn = quint8(d[1]);
    if (fn == 0x42 && !fromSupply)
        return head + QStringLiteral("discovery request");
    if (fn == 0x42 && d.size() >= 43)
        return head + QStringLiteral("identity device %1 \"%2\"").arg(device)
            .arg(QString::fromLocal8Bit(d.mid(3, 40).constData()));
    if (fn & 0x80)
        return head + QStringLiteral("device %1 ").arg(device) + exceptionText(fn, quint8(d[2]));
    if (fn == 0x03 && !fromSupply && d.size() == 8)
        return head + QStringLiteral("device %1 read reg %2 count %3").arg(device).arg(get16(d, 2)).arg(get16(d, 4));
    if (fn == 0x03 && fromSupply && d.size() >= 5 && d.size() == 5 + quint8(d[2]))
        return head + QStringLiteral("device %1 ").arg(device) + valuesText(readStart, d, 3, quint8(d[2]) / 2);
    if (fn == 0x10 && !fromSupply && d.size() >= 9 && d.size() == 9 + quint8(d[6]))
        return head + QStringLiteral("device %1 write reg %2: %3").arg(device).arg(get16(d, 2))
            .arg(valuesText(get16(d, 2), d, 7, quint8(d[6]) / 2));
    if (fn == 0x10 && fromSupply && d.size() >= 6)
        return head + QStringLiteral("device %1 written reg %2 count %3").arg(device).arg(get16(d, 2)).arg(get16(d, 4));
    return head + QString::fromLatin1(d.toHex(' '));
}

} // namespace klvsim
