#include "simudp.h"

#include "simmodel.h"
#include "simwire.h"

namespace klvsim {

namespace {

using wire::get16;
using wire::put16;

QByteArray exceptionReply(const QByteArray &datagram, int code)
{
    QByteArray reply;
    reply.append(datagram[0]);
    reply.append(char(quint8(datagram[1]) | 0x80));
    reply.append(char(code));
    wire::appendCrc(reply);
    return reply;
}

QByteArray readRegisters(SupplyModel &m, const QByteArray &d)
{
    if (d.size() != 8)
        return exceptionReply(d, IllegalValue);
    const int start = get16(d, 2), count = get16(d, 4);
    if (count < 1 || count > 125 || start + count > 65536)
        return exceptionReply(d, IllegalValue);
    QByteArray reply = d.left(2);
    reply.append(char(2 * count));
    for (int r = start; r < start + count; ++r)
        put16(reply, m.word(quint16(r)));
    wire::appendCrc(reply);
    return reply;
}

QByteArray writeRegisters(SupplyModel &m, const QByteArray &d)
{
    if (d.size() < 9 || d.size() != 9 + quint8(d[6]))
        return exceptionReply(d, IllegalValue);
    const int start = get16(d, 2), count = get16(d, 4);
    if (count < 2 || count % 2 || start % 2 || quint8(d[6]) != 2 * count)
        return exceptionReply(d, IllegalAddress);
    for (int k = 0; k < count / 2; ++k)
        if (int code = m.checkWrite(quint16(start + 2 * k), wire::get32(d, 7 + 4 * k)))
            return exceptionReply(d, code);
    for (int k = 0; k < count / 2; ++k)
        m.write(quint16(start + 2 * k), wire::get32(d, 7 + 4 * k));
    QByteArray reply = d.left(6);
    wire::appendCrc(reply);
    return reply;
}

} // namespace

bool isDiscoveryRequest(const QByteArray &d)
{
    return d.size() == 6 && d.startsWith(QByteArray("\x00\x42\xEE\xEE", 4)) && wire::crcMatches(d);
}

QByteArray discoveryReply(const SupplyModel &model, quint32 ipv4)
{
    QByteArray reply;
    reply.append(char(model.deviceAddress()));
    reply.append(char(0x42));
    reply.append(char(DiscoveryReplySize - 5));   // bytes between this one and the CRC
    reply.append(model.config().identity.left(40).leftJustified(40, '\0'));
    wire::put32(reply, ipv4);
    // A locally administered hardware address made from the IPv4 address.
    reply.append("\x02\x4B", 2);
    wire::put32(reply, ipv4);
    reply.append(QByteArray("V1.03").leftJustified(DiscoveryReplySize - 2 - reply.size(), '\0'));
    wire::appendCrc(reply);
    return reply;
}

QByteArray answerUdp(SupplyModel &model, const QByteArray &d, quint32 ipv4)
{
    if (isDiscoveryRequest(d))
        return discoveryReply(model, ipv4);
    if (d.size() < 4 || !wire::crcMatches(d) || quint8(d[0]) != model.deviceAddress())
        return QByteArray();
    switch (quint8(d[1])) {
    case 0x03: return readRegisters(model, d);
    case 0x10: return writeRegisters(model, d);
    default: return exceptionReply(d, IllegalFunction);
    }
}

} // namespace klvsim
