#pragma once

// The supply's UDP datagrams on port 7000, framed like Modbus RTU (device
// address, function, data, CRC low byte first): the identity reply to the
// discovery request, and register reads and writes such as the status
// request and the clear-alarm command. Pure functions over bytes.

#include <QByteArray>

namespace klvsim {

class SupplyModel;

constexpr int DiscoveryReplySize = 81;

bool isDiscoveryRequest(const QByteArray &datagram);   // 00 42 EE EE + CRC
QByteArray discoveryReply(const SupplyModel &model, quint32 ipv4);

// The reply to a datagram sent to the supply's own address; empty when a
// real supply would stay quiet (bad CRC, another device address).
QByteArray answerUdp(SupplyModel &model, const QByteArray &datagram, quint32 ipv4);

} // namespace klvsim
