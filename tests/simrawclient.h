#pragma once

// Raw-socket peers for the simulator tests: frames are built by hand here,
// independently of both the simulator and the program's driver.

#include "testsupport.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtEndian>

namespace rawclient {

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

inline QByteArray be16(quint16 v)
{
    QByteArray b(2, 0);
    qToBigEndian(v, b.data());
    return b;
}

inline QByteArray be32(quint32 v)
{
    QByteArray b(4, 0);
    qToBigEndian(v, b.data());
    return b;
}

inline quint32 floatBits(float f)
{
    quint32 u;
    memcpy(&u, &f, 4);
    return u;
}

inline float bitsFloat(quint32 u)
{
    float f;
    memcpy(&f, &u, 4);
    return f;
}

inline quint32 at32(const QByteArray &b, int pos)
{
    return qFromBigEndian<quint32>(b.constData() + pos);
}

inline quint16 at16(const QByteArray &b, int pos)
{
    return qFromBigEndian<quint16>(b.constData() + pos);
}

// MBAP header + PDU; the length field counts the unit identifier and the PDU.
inline QByteArray mbap(quint16 tid, quint8 unit, const QByteArray &pdu)
{
    return be16(tid) + be16(0) + be16(quint16(pdu.size() + 1)) + char(unit) + pdu;
}

inline QByteArray readRequest(quint16 tid, quint16 reg, quint16 count)
{
    return mbap(tid, 0x01, char(0x03) + be16(reg) + be16(count));
}

inline QByteArray writeRequest(quint16 tid, quint8 unit, quint16 reg, const QList<quint32> &values)
{
    QByteArray data;
    for (quint32 v : values)
        data += be32(v);
    return mbap(tid, unit, char(0x10) + be16(reg) + be16(quint16(2 * values.size())) + char(data.size()) + data);
}

inline QByteArray limitRequest(quint16 tid, quint16 reg)
{
    return mbap(tid, 0x01, char(0x41) + be16(reg));
}

inline QByteArray blockRead(quint16 tid, quint16 address)
{
    return mbap(tid, 0x01, char(0x42) + be16(address));
}

inline QByteArray blockWrite(quint16 tid, quint16 address, const QByteArray &data)
{
    return mbap(tid, 0x01, char(0x40) + be16(address) + char(data.size()) + data);
}

// CRC-16/MODBUS written bit by bit, low byte first on the wire.
inline quint16 crc(const QByteArray &b)
{
    quint16 c = 0xFFFF;
    for (char ch : b) {
        c ^= quint8(ch);
        for (int i = 0; i < 8; ++i)
            c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
    }
    return c;
}

inline QByteArray withCrc(const QByteArray &b)
{
    const quint16 c = crc(b);
    return b + char(c & 0xFF) + char(c >> 8);
}

class Tcp
{
public:
    bool open(const QString &address, quint16 port = 502)
    {
        socket.connectToHost(address, port);
        return socket.waitForConnected(2000);
    }
    void send(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    // Collects bytes until at least n arrived or the time is up.
    QByteArray receive(int n, int timeoutMs = 2000)
    {
        waitUntil([&] { return socket.bytesAvailable() >= n; }, timeoutMs);
        return socket.readAll();
    }
    QByteArray transact(const QByteArray &request, int n)
    {
        send(request);
        return receive(n);
    }
    // Bytes arriving within ms, for checking that nothing (more) comes.
    QByteArray quiet(int ms)
    {
        waitUntil([] { return false; }, ms);
        return socket.readAll();
    }
    QTcpSocket socket;
};

class Udp
{
public:
    explicit Udp(const QString &bindTo = QStringLiteral("127.0.0.1"))
    {
        socket.bind(QHostAddress(bindTo), 0);
    }
    void send(const QByteArray &bytes, const QString &to, quint16 port = 7000)
    {
        socket.writeDatagram(bytes, QHostAddress(to), port);
    }
    QList<QNetworkDatagram> collect(int n, int timeoutMs = 2000)
    {
        QList<QNetworkDatagram> got;
        waitUntil([&] {
            while (socket.hasPendingDatagrams())
                got << socket.receiveDatagram();
            return got.size() >= n;
        }, timeoutMs);
        return got;
    }
    QUdpSocket socket;
};

} // namespace rawclient
