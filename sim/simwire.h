#pragma once

// Byte-level helpers of the simulated supply: big-endian numbers, the
// CRC of the UDP datagrams and the MBAP framing of Modbus TCP. Pure
// functions over bytes, kept apart from sockets so they can be tested alone.

#include <QByteArray>

namespace klvsim::wire {

// CRC-16/MODBUS: reflected polynomial 0xA001, initial 0xFFFF, no final XOR.
quint16 crc16(const char *data, int length);
quint16 crc16(const QByteArray &bytes);
// Appends the CRC of everything in bytes, low byte first.
void appendCrc(QByteArray &bytes);
// True when the last two bytes are the CRC of the ones before them.
bool crcMatches(const QByteArray &datagram);

quint16 get16(const QByteArray &bytes, int pos);   // big-endian, pos must be in range
quint32 get32(const QByteArray &bytes, int pos);
void put16(QByteArray &bytes, quint16 value);
void put32(QByteArray &bytes, quint32 value);
void putFloatLe(QByteArray &bytes, float value);   // device-information block order

quint32 floatBits(float value);
float bitsFloat(quint32 bits);

constexpr int MbapSize = 7;
constexpr int MaxMbapLength = 254; // unit identifier + the largest PDU

// Length of the first whole frame in buffer: 0 while more bytes are needed,
// -1 when the header cannot start a frame (the stream is out of step).
int mbapFrameLength(const QByteArray &buffer);

// A reply frame with the request's transaction and unit identifiers.
QByteArray mbapReply(const QByteArray &request, const QByteArray &pdu);
// Sets the MBAP length field to match the frame's actual size.
void fixMbapLength(QByteArray &frame);

} // namespace klvsim::wire
