#pragma once

// The Modbus TCP link to one supply: one synchronous transaction at a time,
// waiting in a nested event loop, three attempts of 300 ms each.

#include <QByteArray>
#include <QObject>
#include <QHash>
#include <QString>
#include <QVector>

#include <functional>

class QTcpSocket;
class QSerialPort;

// CRC-16/MODBUS over length bytes; the low byte goes on the wire first.
quint16 modbusCrc16(const char *data, int length);

class ModbusDriver : public QObject
{
    Q_OBJECT
public:
    enum ConnectState { Disconnected = 0, Connecting = 1, ConnectedTcp = 2, ConnectedSerial = 3 };

    explicit ModbusDriver(QObject *parent = nullptr);

    void initTransport();
    bool connectDevice(const QString &ip, quint16 port);
    void disconnectDevice(bool abort);
    int connectState() const;
    QString hostAddress() const;

    bool readRegister(quint16 address, quint32 &value);
    bool readRegisters(quint16 address, quint16 count, QVector<quint32> &values);
    bool readFloatRegisters(quint16 address, quint16 count, QVector<float> &values);
    bool writeRegister(quint16 address, qint32 value);
    bool writeFloatRegister(quint16 address, float value);
    bool readBlock(quint16 address, QByteArray &reply);
    bool readRegisterLimit(quint16 address, qint32 &first, qint32 &second);
    bool writeBlock(quint16 address, const QByteArray &data);
    bool waitForReply(int msec);

    // For tests: the identifier the last request carried; the next one
    // carries this plus one.
    quint16 lastTransactionId() const { return transactionId; }
    void setLastTransactionId(quint16 id) { transactionId = id; }

signals:
    void sigPassMsg(QString msg);

private:
    using ReplyCheck = std::function<bool(const QByteArray &reply)>;

    bool beginTransaction();
    quint16 nextTransactionId();
    // Sends frame up to three times and hands the reply to accept; logs
    // against logAddress when logging. Ends the transaction.
    bool exchange(const QByteArray &frame, quint16 id, const ReplyCheck &accept,
                  quint16 logAddress, bool logging);
    // Waits up to msec for bytes that are not a stale reply.
    bool awaitReply(int msec, QByteArray &reply);
    void dropStaleReplies(QByteArray &bytes);
    bool readRegisterValues(quint16 address, quint16 count, QVector<quint32> &values,
                            bool logging);

    QTcpSocket *tcpSocket = nullptr;
    QSerialPort *serialPort = nullptr;   // never opened: no serial link in this program
    QString m_hostAddress;
    quint16 transactionId = 0;
    int state = Disconnected;
    bool busy = false;
    // Requests that gave up waiting, by identifier, with the number of
    // replies the supply may still send for them: such a reply must never
    // answer a later request.
    QHash<quint16, int> staleReplies;
};
