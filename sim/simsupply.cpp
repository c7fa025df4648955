#include "simsupply.h"

#include "simconnection.h"
#include "simdescribe.h"
#include "simfaults.h"
#include "simmodbus.h"
#include "simmodel.h"
#include "simudp.h"
#include "simwire.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>
#include <QUdpSocket>

#include <cstdio>

namespace klvsim {

namespace {
constexpr int TickMs = 100;
constexpr int DefaultLateMs = 400;     // past the client's 300 ms wait
constexpr int DefaultSplitPauseMs = 50;
constexpr int DeviceFailure = 4;
} // namespace

struct SimSupply::Impl {
    explicit Impl(const SupplyConfig &config) : model(config), verbose(config.verbose) {}

    SupplyModel model;
    FaultList faults;
    bool verbose = false;
    QTcpServer *server = nullptr;
    QUdpSocket *udp = nullptr;
    QTimer *ticker = nullptr;
    QElapsedTimer tickClock;
    QList<SimConnection *> connections;
    QList<QByteArray> modbusLog;
    QList<QByteArray> udpLog;
    bool loopbackOnly = true;

    const SupplyConfig &cfg() const { return model.config(); }
    void log(const QString &line) const
    {
        if (!verbose)
            return;
        QTextStream out(stdout);
        out << cfg().address.toString() << ' ' << line << '\n';
        out.flush();
    }
    bool peerAllowed(const QHostAddress &peer) const { return !loopbackOnly || peer.isLoopback(); }
};

SimSupply::SimSupply(const SupplyConfig &config, QObject *parent)
    : QObject(parent), d(new Impl(config))
{
    d->ticker = new QTimer(this);
    connect(d->ticker, &QTimer::timeout, this, [this] {
        const qint64 ms = d->tickClock.restart();
        d->model.tick(ms / 1000.0);
    });
}

SimSupply::~SimSupply()
{
    delete d;
}

bool SimSupply::start(QString *error)
{
    auto fail = [&](const QString &what) {
        if (error)
            *error = what;
        return false;
    };
    if (d->server)
        return true;
    d->server = new QTcpServer(this);
    if (!d->server->listen(d->cfg().address, d->cfg().modbusPort)) {
        const QString what = QStringLiteral("%1:%2 Modbus TCP: %3").arg(d->cfg().address.toString())
                                 .arg(d->cfg().modbusPort).arg(d->server->errorString());
        delete d->server;
        d->server = nullptr;
        return fail(what);
    }
    connect(d->server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = d->server->nextPendingConnection()) {
            if (!d->peerAllowed(socket->peerAddress())) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            auto *c = new SimConnection(socket, this);
            d->connections.append(c);
            d->log(QStringLiteral("tcp connected from %1:%2").arg(socket->peerAddress().toString())
                       .arg(socket->peerPort()));
            connect(c, &SimConnection::frameReceived, this, [this, c](const QByteArray &frame) {
                onModbusFrame(c, frame);
            });
            connect(c, &SimConnection::closed, this, [this, c] {
                if (d->connections.removeOne(c)) {
                    d->log(QStringLiteral("tcp connection closed"));
                    c->deleteLater();
                }
            });
        }
    });

    d->udp = new QUdpSocket(this);
    if (!d->udp->bind(d->cfg().address, d->cfg().udpPort,
                      QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
        const QString what = QStringLiteral("%1:%2 UDP: %3").arg(d->cfg().address.toString())
                                 .arg(d->cfg().udpPort).arg(d->udp->errorString());
        delete d->udp;
        d->udp = nullptr;
        d->server->close();
        delete d->server;
        d->server = nullptr;
        return fail(what);
    }
    connect(d->udp, &QUdpSocket::readyRead, this, [this] {
        while (d->udp->hasPendingDatagrams()) {
            const QNetworkDatagram dg = d->udp->receiveDatagram();
            onDatagram(dg.data(), dg.senderAddress(), quint16(dg.senderPort()));
        }
    });
    d->tickClock.start();
    d->ticker->start(TickMs);
    return true;
}

void SimSupply::onModbusFrame(SimConnection *c, const QByteArray &frame)
{
    d->modbusLog.append(frame);
    emit modbusRequestReceived(frame);
    d->log(QStringLiteral("tcp <- ") + describeModbusRequest(frame));
    if (c->isMute()) {
        d->log(QStringLiteral("tcp -- not answered (never-answer)"));
        return;
    }
    const int function = requestFunction(frame);
    const std::optional<FaultRule> rule = d->faults.match(false, function, requestAddress(frame));
    const FaultKind kind = rule ? rule->kind : FaultKind::Silent;
    ModbusOptions options;
    if (rule) {
        d->log(QStringLiteral("tcp -- fault %1").arg(faultKindName(kind)));
        switch (kind) {
        case FaultKind::Silent: return;
        case FaultKind::NeverAnswer: c->setMute(); return;
        case FaultKind::Drop: c->closeAfterQueue(); return;
        case FaultKind::Exception: {
            const QByteArray reply = modbusException(frame, DeviceFailure);
            d->log(QStringLiteral("tcp -> ") + describeModbusReply(frame, reply));
            c->send(reply);
            return;
        }
        case FaultKind::RefuseName: options.refuseNames = true; break;
        case FaultKind::ShortDevInfo: options.shortDevInfo = true; break;
        default: break;
        }
    }
    const int commitsBefore = d->model.commitCount();
    QByteArray reply = answerModbus(d->model, frame, options);
    if (d->model.commitCount() != commitsBefore)
        d->faults.commitSeen();
    if (function == 0x10)
        d->model.tick(0);   // settings act at once: a commit can trip a protection
    int delay = 0;
    if (rule) {
        switch (kind) {
        case FaultKind::WrongLength:
            reply.append('\0');
            wire::fixMbapLength(reply);
            break;
        case FaultKind::ErrorByte:
            if (reply.size() > 7)
                reply[7] = char(function | 0x80);
            break;
        case FaultKind::Delay: delay = rule->delayMs; break;
        case FaultKind::Late: delay = rule->delayMs > 0 ? rule->delayMs : DefaultLateMs; break;
        default: break;
        }
    }
    d->log(QStringLiteral("tcp -> ") + describeModbusReply(frame, reply));
    if (rule && kind == FaultKind::Split)
        c->sendSplit(reply, rule->delayMs > 0 ? rule->delayMs : DefaultSplitPauseMs);
    else
        c->send(reply, delay);
}

void SimSupply::onDatagram(const QByteArray &datagram, const QHostAddress &from, quint16 port)
{
    d->udpLog.append(datagram);
    emit udpRequestReceived(datagram);
    d->log(QStringLiteral("udp <- %1:%2 ").arg(from.toString()).arg(port) + describeUdp(datagram, false));
    if (!d->peerAllowed(from))
        return;
    const int function = datagram.size() > 1 ? quint8(datagram[1]) : -1;
    const int address = datagram.size() > 3 ? wire::get16(datagram, 2) : -1;
    const std::optional<FaultRule> rule = d->faults.match(true, function, address);
    if (rule) {
        d->log(QStringLiteral("udp -- fault %1").arg(faultKindName(rule->kind)));
        if (rule->kind == FaultKind::Silent)
            return;
    }
    const int commitsBefore = d->model.commitCount();
    QByteArray reply = answerUdp(d->model, datagram, d->cfg().address.toIPv4Address());
    if (d->model.commitCount() != commitsBefore)
        d->faults.commitSeen();
    if (reply.isEmpty())
        return;
    int delay = 0;
    if (rule && rule->kind == FaultKind::WrongLength)
        reply.append('\0');
    else if (rule && rule->kind == FaultKind::Delay)
        delay = rule->delayMs;
    else if (rule && rule->kind == FaultKind::Late)
        delay = rule->delayMs > 0 ? rule->delayMs : DefaultLateMs;
    const int readStart = address;
    auto send = [this, reply, from, port, readStart] {
        if (!d->udp)
            return;
        d->log(QStringLiteral("udp -> %1:%2 ").arg(from.toString()).arg(port)
               + describeUdp(reply, true, readStart));
        d->udp->writeDatagram(reply, from, port);
    };
    if (delay > 0)
        QTimer::singleShot(delay, this, send);
    else
        send();
}

const SupplyConfig &SimSupply::config() const { return d->cfg(); }

quint32 SimSupply::value(quint16 reg) const { return d->model.value(reg); }
float SimSupply::floatValue(quint16 reg) const { return wire::bitsFloat(d->model.value(reg)); }
void SimSupply::setValue(quint16 reg, quint32 value) { d->model.setValue(reg, value); }
void SimSupply::setFloatValue(quint16 reg, float value) { d->model.setValue(reg, wire::floatBits(value)); }

quint32 SimSupply::committedValue(quint16 reg) const
{
    return isCommitted(reg) ? d->model.committed(reg) : d->model.value(reg);
}

float SimSupply::committedFloatValue(quint16 reg) const { return wire::bitsFloat(committedValue(reg)); }

SimListFile SimSupply::listFile(int number) const { return d->model.listFile(number); }
void SimSupply::setListFile(int number, const SimListFile &file) { d->model.setListFile(number, file); }

void SimSupply::panelSetOutput(bool on) { d->model.setOutput(on); }
bool SimSupply::outputOn() const { return d->model.outputOn(); }
void SimSupply::raiseAlarm(int code) { d->model.raiseAlarm(code); }
int SimSupply::alarmCode() const { return d->model.alarmCode(); }
void SimSupply::setReportedTestFunc(int code) { d->model.setReportedTestFunc(code); }
int SimSupply::commitCount() const { return d->model.commitCount(); }
int SimSupply::storeCount() const { return d->model.storeCount(); }
quint8 SimSupply::deviceAddress() const { return d->model.deviceAddress(); }

void SimSupply::addFault(const FaultRule &rule) { d->faults.add(rule); }
void SimSupply::clearFaults() { d->faults.clear(); }

void SimSupply::dropConnections()
{
    const QList<SimConnection *> open = d->connections;
    for (SimConnection *c : open)
        c->abort();
}

QList<QByteArray> SimSupply::modbusRequests() const { return d->modbusLog; }
QList<QByteArray> SimSupply::udpRequests() const { return d->udpLog; }

void SimSupply::clearRecords()
{
    d->modbusLog.clear();
    d->udpLog.clear();
}

void SimSupply::answerDiscovery(const QHostAddress &to, quint16 port)
{
    if (d->udp)
        d->udp->writeDatagram(discoveryReply(d->model, d->cfg().address.toIPv4Address()), to, port);
}

void SimSupply::handleDiscovery(const QByteArray &datagram, const QHostAddress &from, quint16 port)
{
    if (isDiscoveryRequest(datagram))
        onDatagram(datagram, from, port);
}

void SimSupply::setLoopbackOnly(bool on) { d->loopbackOnly = on; }
void SimSupply::setVerbose(bool on) { d->verbose = on; }

QString SimSupply::describe() const
{
    return QStringLiteral("%1 device %2, Modbus TCP %3, UDP %4").arg(d->cfg().address.toString())
        .arg(deviceAddress()).arg(d->cfg().modbusPort).arg(d->cfg().udpPort);
}

} // namespace klvsim
