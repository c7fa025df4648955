#include "simmodbus.h"

#include "simmodel.h"
#include "simregmap.h"
#include "simwire.h"

namespace klvsim {

namespace {

using wire::get16;
using wire::put16;
using wire::put32;

constexpr int Pdu = wire::MbapSize;         // position of the function code
constexpr int GatewayTargetFailed = 0x0B;
constexpr int MaxNameBytes = 40;
constexpr int ShortDevInfoSize = 180;

QByteArray exceptionReply(const QByteArray &frame, int code)
{
    QByteArray pdu;
    pdu.append(char(quint8(frame[Pdu]) | 0x80));
    pdu.append(char(code));
    return wire::mbapReply(frame, pdu);
}

QByteArray readRegisters(SupplyModel &m, const QByteArray &frame)
{
    if (frame.size() != 12)
        return exceptionReply(frame, IllegalValue);
    const int start = get16(frame, 8), count = get16(frame, 10);
    if (count < 1 || count > 125)
        return exceptionReply(frame, IllegalValue);
    if (start + count > 65536)
        return exceptionReply(frame, IllegalAddress);
    QByteArray pdu;
    pdu.append(char(0x03));
    pdu.append(char(2 * count));
    for (int r = start; r < start + count; ++r)
        put16(pdu, m.word(quint16(r)));
    return wire::mbapReply(frame, pdu);
}

QByteArray writeRegisters(SupplyModel &m, const QByteArray &frame)
{
    if (frame.size() < 13)
        return exceptionReply(frame, IllegalValue);
    const int start = get16(frame, 8), count = get16(frame, 10), bytes = quint8(frame[12]);
    if (count < 1 || count > 123 || bytes != 2 * count || frame.size() != 13 + bytes)
        return exceptionReply(frame, IllegalValue);
    // Values live in register pairs: a write must cover whole values.
    if (start % 2 || count % 2 || start + count > 65536)
        return exceptionReply(frame, IllegalAddress);
    for (int k = 0; k < count / 2; ++k)
        if (int code = m.checkWrite(quint16(start + 2 * k), wire::get32(frame, 13 + 4 * k)))
            return exceptionReply(frame, code);
    for (int k = 0; k < count / 2; ++k)
        m.write(quint16(start + 2 * k), wire::get32(frame, 13 + 4 * k));
    QByteArray pdu;
    pdu.append(char(0x10));
    put16(pdu, quint16(start));
    put16(pdu, quint16(count));
    return wire::mbapReply(frame, pdu);
}

QByteArray readLimits(SupplyModel &m, const QByteArray &frame)
{
    if (frame.size() != 10)
        return exceptionReply(frame, IllegalValue);
    quint32 first = 0, second = 0;
    if (!m.limitPair(get16(frame, 8), first, second))
        return exceptionReply(frame, IllegalAddress);
    QByteArray pdu;
    pdu.append(char(0x41));
    put32(pdu, first);
    put32(pdu, second);
    return wire::mbapReply(frame, pdu);
}

QByteArray readBlock(SupplyModel &m, const QByteArray &frame, const ModbusOptions &options)
{
    if (frame.size() != 10)
        return exceptionReply(frame, IllegalValue);
    const int address = get16(frame, 8);
    QByteArray data;
    if (address == reg::DevInfoBlock) {
        data = m.deviceInfo();
        if (options.shortDevInfo)
            data.truncate(ShortDevInfoSize - 9);
    } else if (m.isFileNumber(address - reg::NameBlockBase)) {
        data = m.fileName(address - reg::NameBlockBase);
        data.append('\0');
    } else {
        return exceptionReply(frame, IllegalAddress);
    }
    QByteArray pdu;
    pdu.append(char(0x42));
    pdu.append(char(data.size()));
    pdu.append(data);
    return wire::mbapReply(frame, pdu);
}

QByteArray writeBlock(SupplyModel &m, const QByteArray &frame, const ModbusOptions &options)
{
    if (options.refuseNames)
        return exceptionReply(frame, IllegalFunction);
    if (frame.size() < 11 || frame.size() != 11 + quint8(frame[10]))
        return exceptionReply(frame, IllegalValue);
    const int address = get16(frame, 8), length = quint8(frame[10]);
    const int file = address - reg::NameBlockBase;
    if (!m.isFileNumber(file))
        return exceptionReply(frame, IllegalAddress);
    if (length < 1 || length > MaxNameBytes)
        return exceptionReply(frame, IllegalValue);
    QByteArray name = frame.mid(11, length);
    const int nul = name.indexOf('\0');
    if (nul >= 0)
        name.truncate(nul);
    m.setFileName(file, name);
    QByteArray pdu;
    pdu.append(char(0x40));
    put16(pdu, quint16(address));
    pdu.append(char(length));
    return wire::mbapReply(frame, pdu);
}

} // namespace

QByteArray answerModbus(SupplyModel &model, const QByteArray &frame, const ModbusOptions &options)
{
    if (frame.size() < 8)
        return QByteArray();
    const quint8 unit = quint8(frame[6]);
    if (unit != 0x01 && unit != 0xA0)
        return exceptionReply(frame, GatewayTargetFailed);
    switch (quint8(frame[Pdu])) {
    case 0x03: return readRegisters(model, frame);
    case 0x10: return writeRegisters(model, frame);
    case 0x41: return readLimits(model, frame);
    case 0x42: return readBlock(model, frame, options);
    case 0x40: return writeBlock(model, frame, options);
    default: return exceptionReply(frame, IllegalFunction);
    }
}

QByteArray modbusException(const QByteArray &frame, int code)
{
    return exceptionReply(frame, code);
}

int requestFunction(const QByteArray &frame)
{
    return frame.size() > Pdu ? quint8(frame[Pdu]) : -1;
}

int requestAddress(const QByteArray &frame)
{
    return frame.size() >= 10 ? get16(frame, 8) : -1;
}

} // namespace klvsim
