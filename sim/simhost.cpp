#include "simsupply.h"

#include <QNetworkDatagram>
#include <QUdpSocket>

namespace klvsim {

SimHost::SimHost(QObject *parent)
    : QObject(parent)
{
}

SimHost::~SimHost() = default;

void SimHost::setDiscoveryPort(quint16 port)
{
    discoveryPort = port;
}

void SimHost::setLoopbackOnly(bool on)
{
    loopbackOnly = on;
    for (SimSupply *s : list)
        s->setLoopbackOnly(on);
}

SimSupply *SimHost::addSupply(const SupplyConfig &config)
{
    auto *supply = new SimSupply(config, this);
    supply->setLoopbackOnly(loopbackOnly);
    list.append(supply);
    return supply;
}

bool SimHost::start(QString *error)
{
    if (!discovery) {
        discovery = new QUdpSocket(this);
        // Shared with the supplies' own sockets on the same port.
        if (!discovery->bind(QHostAddress::AnyIPv4, discoveryPort,
                             QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint)) {
            if (error)
                *error = QStringLiteral("discovery listener on port %1: %2").arg(discoveryPort)
                             .arg(discovery->errorString());
            delete discovery;
            discovery = nullptr;
            return false;
        }
        connect(discovery, &QUdpSocket::readyRead, this, [this] {
            while (discovery->hasPendingDatagrams()) {
                const QNetworkDatagram dg = discovery->receiveDatagram();
                if (loopbackOnly && !dg.senderAddress().isLoopback())
                    continue;
                for (SimSupply *s : list)
                    s->handleDiscovery(dg.data(), dg.senderAddress(), quint16(dg.senderPort()));
            }
        });
    }
    for (SimSupply *s : list)
        if (!s->start(error))
            return false;
    return true;
}

QList<SimSupply *> SimHost::supplies() const
{
    return list;
}

} // namespace klvsim
