#pragma once

// One readable line per request and reply for the simulator's verbose log:
// addresses in decimal, register values decoded by their type.

#include <QByteArray>
#include <QString>

namespace klvsim {

QString describeModbusRequest(const QByteArray &frame);
QString describeModbusReply(const QByteArray &request, const QByteArray &reply);
// readStart: the first register of the read a supply's reply answers.
QString describeUdp(const QByteArray &datagram, bool fromSupply, int readStart = 8);

} // namespace klvsim
