#include "simconnection.h"

#include "simwire.h"

#include <QTcpSocket>
#include <QTimer>

namespace klvsim {

SimConnection::SimConnection(QTcpSocket *s, QObject *parent)
    : QObject(parent), socket(s), timer(new QTimer(this))
{
    socket->setParent(this);
    // Separate writes must leave as separate segments for split replies.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    timer->setSingleShot(true);
    clock.start();
    connect(timer, &QTimer::timeout, this, &SimConnection::pump);
    connect(socket, &QTcpSocket::readyRead, this, &SimConnection::readInput);
    connect(socket, &QTcpSocket::disconnected, this, &SimConnection::closed);
}

void SimConnection::readInput()
{
    input.append(socket->readAll());
    while (!closing) {
        const int length = wire::mbapFrameLength(input);
        if (length < 0) {
            // Out of step with the stream: a real device drops the link.
            input.clear();
            abort();
            return;
        }
        if (length == 0)
            return;
        const QByteArray frame = input.left(length);
        input.remove(0, length);
        emit frameReceived(frame);
    }
}

void SimConnection::send(const QByteArray &reply, int delayMs)
{
    enqueue(clock.elapsed() + delayMs, reply, false);
}

void SimConnection::sendSplit(const QByteArray &reply, int pauseMs, int delayMs)
{
    // Three pieces where the reply allows: inside the header, then the rest in two.
    const int cuts[] = {qMin(3, reply.size()), qMin(reply.size(), qMax(8, reply.size() / 2)), reply.size()};
    int from = 0;
    qint64 due = clock.elapsed() + delayMs;
    for (int cut : cuts) {
        if (cut <= from)
            continue;
        enqueue(due, reply.mid(from, cut - from), false);
        from = cut;
        due += pauseMs;
    }
}

void SimConnection::closeAfterQueue()
{
    enqueue(clock.elapsed(), QByteArray(), true);
}

void SimConnection::abort()
{
    closing = true;
    queue.clear();
    timer->stop();
    socket->abort();
    emit closed();
}

void SimConnection::enqueue(qint64 due, const QByteArray &bytes, bool close)
{
    if (closing)
        return;
    // A later reply never overtakes an earlier one.
    if (!queue.isEmpty() && queue.last().close)
        return;
    if (!queue.isEmpty())
        due = qMax(due, queue.last().due);
    queue.append({due, bytes, close});
    pump();
}

void SimConnection::pump()
{
    while (!queue.isEmpty()) {
        const qint64 wait = queue.first().due - clock.elapsed();
        if (wait > 0) {
            timer->start(int(wait));
            return;
        }
        const Chunk chunk = queue.takeFirst();
        if (chunk.close) {
            socket->flush();
            abort();
            return;
        }
        socket->write(chunk.bytes);
        socket->flush();
    }
}

} // namespace klvsim
