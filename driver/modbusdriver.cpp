#include "modbusdriver.h"

#include "capplog.h"
#include "modbusframes.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>

namespace {
constexpr int ConnectTimeoutMs = 3000;
constexpr int ReplyTimeoutMs = 300;
constexpr int Attempts = 3;
} // namespace

ModbusDriver::ModbusDriver(QObject *parent)
    : QObject(parent)
{
}

void ModbusDriver::initTransport()
{
    if (tcpSocket)
        return;
    tcpSocket = new QTcpSocket(this);
    serialPort = new QSerialPort(this);
}

bool ModbusDriver::connectDevice(const QString &ip, quint16 port)
{
    if (state != Disconnected) {
        emit sigPassMsg(tr("设备已连接!"));
        return false;
    }
    initTransport();
    if (tcpSocket->state() != QAbstractSocket::UnconnectedState)
        tcpSocket->abort();   // a graceful close may still be under way

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(tcpSocket, &QTcpSocket::connected, &loop, &QEventLoop::quit);
    connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });

    tcpSocket->connectToHost(ip, port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    state = Connecting;
    int result = 0;
    if (tcpSocket->state() != QAbstractSocket::ConnectedState) {
        timer.start(ConnectTimeoutMs);
        result = loop.exec(QEventLoop::AllEvents);
    }
    if (result == 0 && state == Connecting) {
        state = ConnectedTcp;
        m_hostAddress = ip;
        return true;
    }
    tcpSocket->abort();
    emit sigPassMsg(tr("设备连接超时!"));
    state = Disconnected;
    return false;
}

void ModbusDriver::disconnectDevice(bool abort)
{
    switch (state) {
    case Connecting:
        tcpSocket->abort();
        break;
    case ConnectedTcp:
        if (abort)
            tcpSocket->abort();
        else
            tcpSocket->disconnectFromHost();
        break;
    case ConnectedSerial:
        serialPort->close();
        break;
    default:
        break;
    }
    state = Disconnected;
}

int ModbusDriver::connectState() const
{
    return state;
}

QString ModbusDriver::hostAddress() const
{
    return m_hostAddress;
}

bool ModbusDriver::waitForReply(int msec)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(tcpSocket, &QTcpSocket::readyRead, &loop, &QEventLoop::quit);
    connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    timer.start(msec);
    return loop.exec(QEventLoop::ExcludeUserInputEvents) == 0;
}

bool ModbusDriver::beginTransaction()
{
    if (state != ConnectedTcp || busy)
        return false;
    busy = true;
    return true;
}

quint16 ModbusDriver::nextTransactionId()
{
    ++transactionId;   // wraps from 65535 to 0
    // Reusing an identifier retires whatever stale reply it once stood for.
    staleReplies.remove(transactionId);
    return transactionId;
}

bool ModbusDriver::awaitReply(int msec, QByteArray &reply)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (tcpSocket->bytesAvailable() == 0) {
            const int remaining = msec - int(clock.elapsed());
            if (remaining <= 0 || !waitForReply(remaining))
                return false;
        }
        reply = tcpSocket->readAll();
        dropStaleReplies(reply);
        if (!reply.isEmpty())
            return true;
    }
}

void ModbusDriver::dropStaleReplies(QByteArray &bytes)
{
    // An in-order supply sends what it owes earlier requests first, so stale
    // replies can only lead the bytes; each is cut off by its own length.
    quint16 replyId = 0;
    while (ModbusFrames::replyTransactionId(bytes, replyId)) {
        const auto stale = staleReplies.find(replyId);
        if (stale == staleReplies.end())
            return;
        if (--stale.value() == 0)
            staleReplies.erase(stale);
        const int size = ModbusFrames::mbapFrameSize(bytes);
        if (size < 0 || size > bytes.size()) {
            bytes.clear();   // cut short: nothing here can be trusted
            return;
        }
        bytes.remove(0, size);
    }
}

bool ModbusDriver::exchange(const QByteArray &frame, quint16 id, const ReplyCheck &accept,
                            quint16 logAddress, bool logging)
{
    // Whatever is waiting now belongs to an earlier request.
    tcpSocket->readAll();

    bool ok = false;
    int unanswered = 0;   // attempts whose reply may still be on its way
    for (int attempt = 0; attempt < Attempts && state == ConnectedTcp; ++attempt) {
        // A link the supply closed still costs the wait: the echo decides
        // when the supply is lost.
        if (tcpSocket->state() == QAbstractSocket::ConnectedState) {
            tcpSocket->write(frame);
            tcpSocket->flush();   // on the wire now, not at the next turn of the event loop
        }
        ++unanswered;
        QByteArray reply;
        if (!awaitReply(ReplyTimeoutMs, reply)) {
            if (logging)
                CAppLog::instance()->writeLog(tr("读取超时：寄存器地址%1").arg(logAddress), 0, false);
            continue;
        }
        // Earlier attempts of this same frame may be answered late, in one
        // read with this attempt's answer: copies of one answer, not a reply
        // of the wrong size. Only as many as are owed, so a supply that
        // answers a single request with a doubled frame is still refused.
        int newest = 0;
        const int copies = ModbusFrames::countFramesWithId(reply, id, &newest);
        if (copies > 1 && copies <= unanswered) {
            reply = reply.mid(newest);
            unanswered -= copies - 1;
        }
        --unanswered;
        ok = accept(reply);
        if (!ok && logging)
            CAppLog::instance()->writeLog(tr("读取异常：寄存器地址%1，接收报文：%2")
                                              .arg(logAddress)
                                              .arg(ModbusFrames::hexText(reply)),
                                          0, false);
        break;
    }
    if (unanswered > 0)
        staleReplies.insert(id, unanswered);
    busy = false;
    return ok;
}

bool ModbusDriver::readRegisterValues(quint16 address, quint16 count, QVector<quint32> &values,
                                      bool logging)
{
    if (!beginTransaction())
        return false;
    values.clear();
    const quint16 id = nextTransactionId();
    return exchange(ModbusFrames::buildReadRegisters(id, address, count), id,
                    [&](const QByteArray &reply) {
                        return ModbusFrames::decodeReadRegisters(reply, count, values);
                    },
                    address, logging);
}

bool ModbusDriver::readRegister(quint16 address, quint32 &value)
{
    QVector<quint32> values;
    if (!readRegisterValues(address, 2, values, true))
        return false;
    value = values.at(0);
    return true;
}

bool ModbusDriver::readRegisters(quint16 address, quint16 count, QVector<quint32> &values)
{
    return readRegisterValues(address, count, values, true);
}

bool ModbusDriver::readFloatRegisters(quint16 address, quint16 count, QVector<float> &values)
{
    values.clear();
    QVector<quint32> bits;
    if (!readRegisterValues(address, count, bits, false))
        return false;
    values.reserve(bits.size());
    for (const quint32 b : bits)
        values.append(ModbusFrames::bitsToFloat(b));
    return true;
}

bool ModbusDriver::writeRegister(quint16 address, qint32 value)
{
    if (!beginTransaction())
        return false;
    const quint16 id = nextTransactionId();
    return exchange(ModbusFrames::buildWriteRegister(id, ModbusFrames::UnitIntegerWrite, address,
                                                     quint32(value)),
                    id, ModbusFrames::acceptWriteRegister, address, false);
}

bool ModbusDriver::writeFloatRegister(quint16 address, float value)
{
    if (!beginTransaction())
        return false;
    const quint16 id = nextTransactionId();
    return exchange(ModbusFrames::buildWriteRegister(id, ModbusFrames::UnitDefault, address,
                                                     ModbusFrames::floatToBits(value)),
                    id, ModbusFrames::acceptWriteRegister, address, false);
}

bool ModbusDriver::readBlock(quint16 address, QByteArray &reply)
{
    if (!beginTransaction())
        return false;
    reply.clear();
    const quint16 id = nextTransactionId();
    return exchange(ModbusFrames::buildReadBlock(id, address), id,
                    [&](const QByteArray &received) {
                        if (!ModbusFrames::acceptReadBlock(received))
                            return false;
                        reply = received;
                        return true;
                    },
                    address, false);
}

bool ModbusDriver::readRegisterLimit(quint16 address, qint32 &first, qint32 &second)
{
    if (!beginTransaction())
        return false;
    const quint16 id = nextTransactionId();
    return exchange(ModbusFrames::buildReadLimit(id, address), id,
                    [&](const QByteArray &reply) {
                        return ModbusFrames::decodeReadLimit(reply, first, second);
                    },
                    address, false);
}

bool ModbusDriver::writeBlock(quint16 address, const QByteArray &data)
{
    // The request carries the data length in one byte.
    if (data.size() > ModbusFrames::WriteBlockMaxData || !beginTransaction())
        return false;
    const quint16 id = nextTransactionId();
    const int length = data.size();
    return exchange(ModbusFrames::buildWriteBlock(id, address, data), id,
                    [length](const QByteArray &reply) {
                        return ModbusFrames::acceptWriteBlock(reply, length);
                    },
                    address, false);
}
