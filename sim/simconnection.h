#pragma once

// One Modbus TCP connection of a simulated supply: cuts the byte stream
// into request frames by the MBAP length field, and sends replies in order,
// each when it is due, whole or in separate segments.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>

class QTcpSocket;
class QTimer;

namespace klvsim {

class SimConnection : public QObject
{
    Q_OBJECT
public:
    SimConnection(QTcpSocket *socket, QObject *parent);

    void send(const QByteArray &reply, int delayMs = 0);
    void sendSplit(const QByteArray &reply, int pauseMs, int delayMs = 0);
    void closeAfterQueue();             // replies already queued still go out
    void setMute() { mute = true; }     // answers nothing from now on
    bool isMute() const { return mute; }
    void abort();

signals:
    void frameReceived(const QByteArray &frame);
    void closed();

private:
    struct Chunk {
        qint64 due;
        QByteArray bytes;
        bool close;
    };
    void readInput();
    void enqueue(qint64 due, const QByteArray &bytes, bool close);
    void pump();

    QTcpSocket *socket;
    QTimer *timer;
    QElapsedTimer clock;
    QByteArray input;
    QList<Chunk> queue;
    bool mute = false;
    bool closing = false;
};

} // namespace klvsim
