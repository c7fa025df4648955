#pragma once

// Helpers of the driver tests: a scripted raw Modbus TCP peer for replies
// the simulated supply does not make, and a look into today's log file.

#include <QDate>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

namespace drivertest {

inline QByteArray hex(const char *text)   // spaces are skipped
{
    return QByteArray::fromHex(text);
}

inline quint16 frameId(const QByteArray &frame)
{
    return quint16(quint8(frame.at(0)) << 8 | quint8(frame.at(1)));
}

// Lines of today's log file containing fragment.
inline int logCount(const QString &fragment)
{
    QFile file(QStringLiteral("log/KLV2400_Log_%1.txt")
                   .arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()).count(fragment)
                                                            : 0;
}

// A well-formed reply to each request, as a supply makes it.
inline QByteArray goodReply(const QByteArray &request)
{
    QByteArray pdu;
    switch (quint8(request.at(7))) {
    case 0x03:   // data bytes 01 02 03 ...
        for (pdu = hex("03") + char(2 * quint8(request.at(11))); pdu.size() < 2 + quint8(pdu.at(1));)
            pdu.append(char(pdu.size() - 1));
        break;
    case 0x10: pdu = request.mid(7, 5); break;   // function, address, count
    case 0x40: pdu = request.mid(7, 3) + request.at(10); break;
    case 0x41: pdu = hex("41 00 00 00 01 00 00 00 0a"); break;
    case 0x42: pdu = QByteArray(1, char(0x42)) + request.mid(8, 2) + QByteArray("AB\0", 3); break;
    }
    QByteArray reply = request.left(4);
    reply.append(char((pdu.size() + 1) >> 8)).append(char((pdu.size() + 1) & 0xFF));
    return reply.append(request.at(6)).append(pdu);
}

// A bare Modbus TCP peer on port 502 that answers each request with what
// the test scripts: any bytes, wrong lengths and identifiers included.
class RawPeer : public QObject
{
public:
    using Responder = std::function<QByteArray(const QByteArray &request)>;

    bool listen(const QHostAddress &address)
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            }
        });
        return server.listen(address, 502);
    }

    Responder respond = goodReply;
    QList<QByteArray> requests;

private:
    void read(QTcpSocket *socket)
    {
        buffer += socket->readAll();
        for (int size; buffer.size() >= 6 && buffer.size() >= (size = 6 + frameId(buffer.mid(4)));) {
            requests.append(buffer.left(size));
            buffer.remove(0, size);
            if (const QByteArray reply = respond(requests.last()); !reply.isEmpty())
                socket->write(reply);
        }
    }

    QTcpServer server;
    QByteArray buffer;
};

} // namespace drivertest
