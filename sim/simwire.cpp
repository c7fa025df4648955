#include "simwire.h"

#include <cstring>

namespace klvsim::wire {

quint16 crc16(const char *data, int length)
{
    quint16 crc = 0xFFFF;
    for (int i = 0; i < length; ++i) {
        crc ^= quint8(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

quint16 crc16(const QByteArray &bytes)
{
    return crc16(bytes.constData(), bytes.size());
}

void appendCrc(QByteArray &bytes)
{
    const quint16 crc = crc16(bytes);
    bytes.append(char(crc & 0xFF));
    bytes.append(char(crc >> 8));
}

bool crcMatches(const QByteArray &datagram)
{
    if (datagram.size() < 3)
        return false;
    const int n = datagram.size() - 2;
    const quint16 crc = crc16(datagram.constData(), n);
    return quint8(datagram[n]) == (crc & 0xFF) && quint8(datagram[n + 1]) == (crc >> 8);
}

quint16 get16(const QByteArray &bytes, int pos)
{
    return quint16((quint8(bytes[pos]) << 8) | quint8(bytes[pos + 1]));
}

quint32 get32(const QByteArray &bytes, int pos)
{
    return (quint32(get16(bytes, pos)) << 16) | get16(bytes, pos + 2);
}

void put16(QByteArray &bytes, quint16 value)
{
    bytes.append(char(value >> 8));
    bytes.append(char(value & 0xFF));
}

void put32(QByteArray &bytes, quint32 value)
{
    put16(bytes, quint16(value >> 16));
    put16(bytes, quint16(value & 0xFFFF));
}

void putFloatLe(QByteArray &bytes, float value)
{
    const quint32 bits = floatBits(value);
    for (int i = 0; i < 4; ++i)
        bytes.append(char((bits >> (8 * i)) & 0xFF));
}

quint32 floatBits(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float bitsFloat(quint32 bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int mbapFrameLength(const QByteArray &buffer)
{
    if (buffer.size() < 6)
        return 0;
    const int length = get16(buffer, 4);
    if (get16(buffer, 2) != 0 || length < 2 || length > MaxMbapLength)
        return -1;
    return buffer.size() >= 6 + length ? 6 + length : 0;
}

QByteArray mbapReply(const QByteArray &request, const QByteArray &pdu)
{
    QByteArray frame;
    frame.reserve(MbapSize + pdu.size());
    frame.append(request.left(2));
    put16(frame, 0);
    put16(frame, quint16(pdu.size() + 1));
    frame.append(request[6]);
    frame.append(pdu);
    return frame;
}

void fixMbapLength(QByteArray &frame)
{
    if (frame.size() < MbapSize)
        return;
    const int length = frame.size() - 6;
    frame[4] = char((length >> 8) & 0xFF);
    frame[5] = char(length & 0xFF);
}

} // namespace klvsim::wire
