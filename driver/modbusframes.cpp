#include "modbusframes.h"

#include "devicetext.h"

#include <cstring>

namespace ModbusFrames {

namespace {

constexpr int HeaderSize = 7;
constexpr int ReadHeaderSize = 9;   // MBAP + function + byte count

void appendU16(QByteArray &frame, quint16 value)
{
    frame.append(char(value >> 8));
    frame.append(char(value & 0xFF));
}

void appendU32(QByteArray &frame, quint32 value)
{
    appendU16(frame, quint16(value >> 16));
    appendU16(frame, quint16(value & 0xFFFF));
}

quint8 byteAt(const QByteArray &bytes, int index)
{
    return quint8(bytes.at(index));
}

quint32 bigEndian32(const QByteArray &bytes, int offset)
{
    return quint32(byteAt(bytes, offset)) << 24 | quint32(byteAt(bytes, offset + 1)) << 16
           | quint32(byteAt(bytes, offset + 2)) << 8 | quint32(byteAt(bytes, offset + 3));
}

quint32 littleEndian32(const QByteArray &bytes, int offset)
{
    return quint32(byteAt(bytes, offset)) | quint32(byteAt(bytes, offset + 1)) << 8
           | quint32(byteAt(bytes, offset + 2)) << 16 | quint32(byteAt(bytes, offset + 3)) << 24;
}

// MBAP header; pduSize counts the bytes after the unit identifier.
QByteArray header(quint16 id, int pduSize, quint8 unit)
{
    QByteArray frame;
    frame.reserve(HeaderSize + pduSize);
    appendU16(frame, id);
    appendU16(frame, 0);
    appendU16(frame, quint16(pduSize + 1));
    frame.append(char(unit));
    return frame;
}

} // namespace

quint32 floatToBits(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float bitsToFloat(quint32 bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray buildReadRegisters(quint16 id, quint16 address, quint16 count)
{
    QByteArray frame = header(id, 5, UnitDefault);
    frame.append(char(ReadHoldingRegisters));
    appendU16(frame, address);
    appendU16(frame, count);
    return frame;
}

QByteArray buildWriteRegister(quint16 id, quint8 unit, quint16 address, quint32 value)
{
    QByteArray frame = header(id, 10, unit);
    frame.append(char(WriteMultipleRegisters));
    appendU16(frame, address);
    appendU16(frame, 2);   // one value: two registers
    frame.append(char(4));
    appendU32(frame, value);
    return frame;
}

QByteArray buildReadBlock(quint16 id, quint16 address)
{
    QByteArray frame = header(id, 3, UnitDefault);
    frame.append(char(ReadBlock));
    appendU16(frame, address);
    return frame;
}

QByteArray buildReadLimit(quint16 id, quint16 address)
{
    QByteArray frame = header(id, 3, UnitDefault);
    frame.append(char(ReadLimit));
    appendU16(frame, address);
    return frame;
}

QByteArray buildWriteBlock(quint16 id, quint16 address, const QByteArray &data)
{
    Q_ASSERT(data.size() <= WriteBlockMaxData);
    QByteArray frame = header(id, 4 + data.size(), UnitDefault);
    frame.append(char(WriteBlock));
    appendU16(frame, address);
    frame.append(char(data.size()));
    frame.append(data);
    return frame;
}

bool decodeReadRegisters(const QByteArray &reply, quint16 count, QVector<quint32> &values)
{
    if (reply.size() != ReadHeaderSize + 2 * int(count))
        return false;
    const int n = count / 2;
    values.clear();
    values.reserve(n);
    for (int k = 0; k < n; ++k)
        values.append(bigEndian32(reply, ReadHeaderSize + 4 * k));
    return true;
}

bool acceptWriteRegister(const QByteArray &reply)
{
    return reply.size() == 12 && byteAt(reply, 11) == 2;
}

bool acceptReadBlock(const QByteArray &reply)
{
    return reply.size() >= 8 && byteAt(reply, 7) != BlockReadRefused;
}

bool decodeReadLimit(const QByteArray &reply, qint32 &first, qint32 &second)
{
    if (reply.size() != 16)
        return false;
    first = qint32(bigEndian32(reply, 8));
    second = qint32(bigEndian32(reply, 12));
    return true;
}

bool acceptWriteBlock(const QByteArray &reply, int dataLength)
{
    return reply.size() == 11 && byteAt(reply, 10) == quint8(dataLength);
}

bool replyTransactionId(const QByteArray &reply, quint16 &id)
{
    if (reply.size() < 2)
        return false;
    id = quint16(byteAt(reply, 0) << 8 | byteAt(reply, 1));
    return true;
}

int mbapFrameSize(const QByteArray &bytes)
{
    if (bytes.size() < 6)
        return -1;
    return 6 + (byteAt(bytes, 4) << 8 | byteAt(bytes, 5));
}

int countFramesWithId(const QByteArray &bytes, quint16 id, int *lastAt)
{
    int frames = 0;
    for (int at = 0; at < bytes.size(); ++frames) {
        if (lastAt)
            *lastAt = at;
        const QByteArray rest = QByteArray::fromRawData(bytes.constData() + at, bytes.size() - at);
        quint16 frameId = 0;
        const int size = mbapFrameSize(rest);
        if (!replyTransactionId(rest, frameId) || frameId != id || size < 0 || size > rest.size())
            return 0;
        at += size;
    }
    return frames;
}

bool decodeDevInfoBlock(const QByteArray &reply, ST_DevInfo &info)
{
    if (reply.size() < DevInfoReplyMinSize)
        return false;
    info.currentMin = bitsToFloat(littleEndian32(reply, 157));
    info.currentMax = bitsToFloat(littleEndian32(reply, 161));
    info.voltageMin = bitsToFloat(littleEndian32(reply, 165));
    info.voltageMax = bitsToFloat(littleEndian32(reply, 169));
    info.powerMin = bitsToFloat(littleEndian32(reply, 173));
    info.powerMax = bitsToFloat(littleEndian32(reply, 177));
    return true;
}

QString decodeNameBlock(const QByteArray &reply)
{
    if (reply.size() <= BlockDataOffset)
        return QString();
    QByteArray name = reply.mid(BlockDataOffset);
    const int nul = name.indexOf('\0');
    if (nul >= 0)
        name.truncate(nul);
    return decodeDeviceText(name);
}

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

} // namespace ModbusFrames
