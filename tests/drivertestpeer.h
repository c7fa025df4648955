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

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

inline quint16 frameId(const QByteArray &frame)
{
    return quint16(quint8(frame.at(0)) << 8 | quint8(frame.at(1)));
}

// Today's log file as text.
inline QString logText()
{
    QFile file(QStringLiteral("log/KLV2400_Log_%1.txt")
                   .arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// Information lines of today's log file carrying exactly message.
inline int logCount(const QString &message)
{
    const QString suffix = QString::fromUtf8("提示: ") + message;
    int count = 0;
    for (const QString &line : logText().split(QLatin1Char('\n')))
        count += line.endsWith(suffix) ? 1 : 0;
    return count;
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

    Responder respond;
    QList<QByteArray> requests;

private:
    void read(QTcpSocket *socket)
    {
        buffer += socket->readAll();
        while (buffer.size() >= 6) {
            const int size = 6 + (quint8(buffer.at(4)) << 8 | quint8(buffer.at(5)));
            if (buffer.size() < size)
                return;
            const QByteArray request = buffer.left(size);
            buffer.remove(0, size);
            requests.append(request);
            const QByteArray reply = respond ? respond(request) : QByteArray();
            if (!reply.isEmpty())
                socket->write(reply);
        }
    }

    QTcpServer server;
    QByteArray buffer;
};

} // namespace drivertest
