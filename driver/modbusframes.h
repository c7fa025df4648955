#pragma once

// Modbus TCP request frames of the supply and the tests its replies must
// pass, as pure functions over bytes: no sockets, no state.

#include "devicerecords.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace ModbusFrames {

enum Function : quint8 {
    ReadHoldingRegisters = 0x03,
    WriteMultipleRegisters = 0x10,
    WriteBlock = 0x40,
    ReadLimit = 0x41,
    ReadBlock = 0x42
};

enum Unit : quint8 {
    UnitDefault = 0x01,
    UnitIntegerWrite = 0xA0   // the supply takes integer writes on this unit
};

// A 0x42 reply with this byte at offset 7 is the supply's refusal.
constexpr quint8 BlockReadRefused = 0xC2;
// The device-information reply must reach past its last field.
constexpr int DevInfoReplyMinSize = 181;
// Name blocks carry the text from this offset up to the first NUL.
constexpr int BlockDataOffset = 9;
// The data length of a 0x40 request is one byte.
constexpr int WriteBlockMaxData = 255;

quint32 floatToBits(float value);
float bitsToFloat(quint32 bits);

// Requests. id is the transaction identifier of the request.
QByteArray buildReadRegisters(quint16 id, quint16 address, quint16 count);
QByteArray buildWriteRegister(quint16 id, quint8 unit, quint16 address, quint32 value);
QByteArray buildReadBlock(quint16 id, quint16 address);
QByteArray buildReadLimit(quint16 id, quint16 address);
// data must hold at most WriteBlockMaxData bytes.
QByteArray buildWriteBlock(quint16 id, quint16 address, const QByteArray &data);

// Replies: each returns false when the reply fails its acceptance test, and
// then leaves its outputs alone.
bool decodeReadRegisters(const QByteArray &reply, quint16 count, QVector<quint32> &values);
bool acceptWriteRegister(const QByteArray &reply);
bool acceptReadBlock(const QByteArray &reply);
bool decodeReadLimit(const QByteArray &reply, qint32 &first, qint32 &second);
bool acceptWriteBlock(const QByteArray &reply, int dataLength);

// The transaction identifier a reply carries; false when it is too short.
bool replyTransactionId(const QByteArray &reply, quint16 &id);
// The size of the frame that starts bytes, by its MBAP length field; -1
// while the header is incomplete.
int mbapFrameSize(const QByteArray &bytes);
// How many whole frames carrying id the bytes hold back to back, when they
// hold nothing else; 0 otherwise. lastAt gets where the last one starts.
int countFramesWithId(const QByteArray &bytes, quint16 id, int *lastAt = nullptr);

// The device-information block of a 0x42 reply from address 254: the six
// limits, little-endian floats. Fills only those six fields.
bool decodeDevInfoBlock(const QByteArray &reply, ST_DevInfo &info);
// The list-file name of a 0x42 reply: bytes from offset 9 to the first NUL
// (or the end), decoded as device text. Empty when the reply has no data.
QString decodeNameBlock(const QByteArray &reply);

// "xx xx xx": lower-case hex, one blank between bytes, for the log.
QString hexText(const QByteArray &bytes);

} // namespace ModbusFrames
