#pragma once

// A simulated KLV2400 supply: the UDP status/alarm channel on port 7000 and
// Modbus TCP on port 502 (both configurable), with the register map, list
// files, a simple load model and faults on demand. Written independently of
// the program's driver: no framing or parsing code is shared with it.

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QVector>

class QTcpServer;
class QTcpSocket;
class QTimer;
class QUdpSocket;

namespace klvsim {

class SimConnection;

// What a fault does to the requests it matches. Silent, Drop, NeverAnswer,
// Exception and RefuseName leave the request undone; the others carry it out
// and spoil only the reply.
enum class FaultKind {
    Silent,        // read the request, never answer it
    Delay,         // answer after delayMs
    Split,         // send the reply in three TCP segments, delayMs apart (default 50)
    WrongLength,   // answer with one byte too many (the MBAP length counts it)
    ErrorByte,     // reply byte 7 = function | 0x80, length unchanged: 0xC2 for 0x42
    Late,          // answer after delayMs (default 400 ms: past the client's 300 ms)
    RefuseName,    // 0x40 name writes get exception 0xC0 code 1 (older firmware)
    ShortDevInfo,  // device-information reply of 180 bytes instead of 185
    Drop,          // close the TCP connection instead of answering
    NeverAnswer,   // from this request on the connection answers nothing, stays open
    Exception      // Modbus exception reply (function | 0x80, code 4)
};

// Which side of the supply a fault rule watches. Over UDP only Silent,
// Delay, Late and WrongLength apply.
enum class FaultChannel { Modbus, Udp, Both };

struct FaultRule {
    FaultKind kind = FaultKind::Silent;
    int function = -1;   // Modbus function code to match, -1 any
    int address = -1;    // start/block address to match, -1 any
    int remaining = -1;  // number of matching requests it still applies to, -1 forever
                         // (a client's retries count: times 1 spoils one attempt only)
    int delayMs = 0;     // for Delay, Split and Late
    FaultChannel channel = FaultChannel::Modbus;
    int skip = 0;             // let this many matching requests pass first
    bool afterCommit = false; // match only requests after the next commit (write of 1 to 48)
};

struct SimStep {
    float voltage = 0;
    float current = 0;
    float delay = 1;
};

struct SimListFile {
    QByteArray name;      // without the NUL terminator
    qint32 cycleTimes = 1;
    qint32 linkListNumber = 0;
    QVector<SimStep> steps;
};

struct SupplyConfig {
    QHostAddress address = QHostAddress(QStringLiteral("127.0.0.11"));
    quint16 modbusPort = 502;
    quint16 udpPort = 7000;
    quint8 deviceAddress = 1;
    // "model/rating/manufacturer", at most 40 bytes on the wire
    QByteArray identity = "KLV2400/60V 20A 1200W/KLV Power Systems";
    float voltageMin = 0, voltageMax = 60;
    float currentMin = 0, currentMax = 20;
    float powerMin = 0, powerMax = 1200;
    int listFileCount = 10;
    int listStepMax = 100;
    bool verbose = false;
    float loadOhms = 10;      // the resistive load on the output in VI and SEQ
    double noise = 0.002;     // relative measurement noise, 0 for exact values
};

class SimSupply : public QObject
{
    Q_OBJECT
public:
    explicit SimSupply(const SupplyConfig &config, QObject *parent = nullptr);
    ~SimSupply() override;

    // Binds the Modbus TCP listener and the supply's own UDP socket on its address.
    bool start(QString *error = nullptr);
    const SupplyConfig &config() const;

    // The 32-bit value held in registers reg and reg + 1 (high word in reg).
    quint32 value(quint16 reg) const;
    float floatValue(quint16 reg) const;
    // The value the last commit applied (the VI, CHAR, SEQ, system and
    // connection groups act only on committed values); for other registers
    // the same as value().
    quint32 committedValue(quint16 reg) const;
    float committedFloatValue(quint16 reg) const;
    // The supply's own state, set at once without checks or commit: 8 sets
    // output, reported test function and alarm from a status word; 10, 12
    // and 14 measurements (the load model overwrites them while the output
    // is on); 208 and 216 select a file and step; 230 the list running data.
    void setValue(quint16 reg, quint32 value);
    void setFloatValue(quint16 reg, float value);

    SimListFile listFile(int number) const;          // 1-based
    void setListFile(int number, const SimListFile &file);

    // The front panel and the supply's own state.
    void panelSetOutput(bool on);
    bool outputOn() const;
    void raiseAlarm(int code);                       // 0..31, switches the output off
    int alarmCode() const;
    void setReportedTestFunc(int code);              // overrides status bits 4-7, -1 to stop
    int commitCount() const;                         // writes of 1 to register 48 so far
    int storeCount() const;                          // writes of 1 to register 226 so far

    // Faults on demand.
    void addFault(const FaultRule &rule);
    void clearFaults();
    void dropConnections();                          // close every open TCP connection now

    // Everything received, for tests that check the bytes on the wire.
    QList<QByteArray> modbusRequests() const;        // one whole request frame each
    QList<QByteArray> udpRequests() const;           // one datagram each
    void clearRecords();

    // Sends the 81-byte identity reply from the supply's own socket.
    void answerDiscovery(const QHostAddress &to, quint16 port);
    // Called by SimHost for a datagram that reached the shared discovery
    // listener: a discovery request is recorded, meets the UDP faults and is
    // answered; anything else is ignored.
    void handleDiscovery(const QByteArray &datagram, const QHostAddress &from, quint16 port);
    void setLoopbackOnly(bool on);                   // default true: only loopback peers are served
    quint8 deviceAddress() const;                    // the committed device address
    QString describe() const;                        // "127.0.0.11 device 1, Modbus TCP 502, UDP 7000"
    void setVerbose(bool on);                        // one line per request and reply on stdout

signals:
    void modbusRequestReceived(const QByteArray &frame);
    void udpRequestReceived(const QByteArray &datagram);

private:
    void onModbusFrame(SimConnection *connection, const QByteArray &frame);
    void onDatagram(const QByteArray &datagram, const QHostAddress &from, quint16 port);

    struct Impl;
    Impl *d;
};

// Several supplies in one process, plus the one discovery listener they
// share: a socket bound to a supply's own address never sees a broadcast.
class SimHost : public QObject
{
    Q_OBJECT
public:
    explicit SimHost(QObject *parent = nullptr);
    ~SimHost() override;

    void setDiscoveryPort(quint16 port);             // default 7000
    void setLoopbackOnly(bool on);                   // default true: answer loopback senders only
    SimSupply *addSupply(const SupplyConfig &config);
    bool start(QString *error = nullptr);            // starts the listener and every supply
    QList<SimSupply *> supplies() const;

private:
    QUdpSocket *discovery = nullptr;
    QList<SimSupply *> list;
    quint16 discoveryPort = 7000;
    bool loopbackOnly = true;
};

} // namespace klvsim
