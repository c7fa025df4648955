#pragma once

// Which network adapters the discovery broadcast may go out through.

#include <QHostAddress>
#include <QList>
#include <QNetworkInterface>
#include <QString>
#include <QStringList>

// What the filter needs to know of one interface.
struct AdapterInfo {
    QNetworkInterface::InterfaceFlags flags;
    QString hardwareAddress;   // "00:1A:2B:..." as the platform gives it
    QString humanReadableName;
    QList<QHostAddress> addresses;
};

// The machine's interfaces, in the platform's order.
QList<AdapterInfo> systemAdapters();

// One "address(name)" entry per usable IPv4 address of each usable adapter.
QStringList adapterCandidates(const QList<AdapterInfo> &adapters);
