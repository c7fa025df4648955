#include "discoveryframes.h"

#include "devicerecords.h"
#include "devicetext.h"
#include "modbusdriver.h"

#include <QStringList>

#include <cstring>

namespace {

constexpr int identityReplySize = 81;
constexpr int identityTextOffset = 3;
constexpr int identityTextSize = 40;
constexpr int statusReplySize = 21;

QByteArray withCrc(QByteArray frame)
{
    const quint16 crc = modbusCrc16(frame.constData(), frame.size());
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}

float bigEndianFloat(const QByteArray &bytes, int offset)
{
    quint32 raw = 0;
    for (int i = 0; i < 4; ++i)
        raw = (raw << 8) | quint8(bytes.at(offset + i));
    float value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

} // namespace

QByteArray discoveryRequest()
{
    return withCrc(QByteArray::fromHex("0042EEEE"));
}

std::optional<DeviceIdentity> parseIdentityReply(const QByteArray &datagram)
{
    if (datagram.size() != identityReplySize)
        return std::nullopt;
    QByteArray text = datagram.mid(identityTextOffset, identityTextSize);
    const int nul = text.indexOf('\0');
    if (nul >= 0)
        text.truncate(nul);
    const QStringList fields = decodeDeviceText(text).split(QLatin1Char('/'));
    DeviceIdentity identity;
    identity.devAddr = quint8(datagram.at(0));
    identity.model = fields.value(0);
    identity.rating = fields.value(1);
    identity.manufacturer = fields.value(2);
    return identity;
}

bool namesKlv2400(const QString &model)
{
    return model.contains(QLatin1String("KLV2400"), Qt::CaseSensitive);
}

QByteArray statusRequest(quint8 devAddr)
{
    QByteArray frame = QByteArray::fromHex("000300080008");
    frame[0] = char(devAddr);
    return withCrc(frame);
}

std::optional<BriefStatus> parseStatusReply(const QByteArray &datagram)
{
    if (datagram.size() != statusReplySize)
        return std::nullopt;
    const quint8 alarmByte = quint8(datagram.at(5));
    const quint8 stateByte = quint8(datagram.at(6));
    BriefStatus status;
    status.testFunc = stateByte >> 4;
    status.outputOn = stateByte & 0x01;
    status.alarmCode = alarmByte >> 3;
    status.voltage = bigEndianFloat(datagram, 7);
    status.current = bigEndianFloat(datagram, 11);
    status.power = bigEndianFloat(datagram, 15);
    return status;
}

BriefStatusTexts briefStatusTexts(const BriefStatus &status)
{
    BriefStatusTexts texts;
    texts.testFunc = testFuncDisplayName(status.testFunc);
    texts.alarm = status.alarmCode != 0;
    texts.outputState = texts.alarm ? alarmDisplayName(status.alarmCode)
                                    : QString::fromLatin1(status.outputOn ? "ON" : "OFF");
    texts.voltage = QString::number(double(status.voltage), 'f', 4);
    texts.current = QString::number(double(status.current), 'f', 4);
    texts.power = QString::number(double(status.power), 'f', 4);
    return texts;
}

QByteArray clearAlarmCommand(quint8 devAddr)
{
    QByteArray frame = QByteArray::fromHex("0010002A00020400000001");
    frame[0] = char(devAddr);
    return withCrc(frame);
}
