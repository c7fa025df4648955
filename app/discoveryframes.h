#pragma once

// The UDP datagrams exchanged with the supplies on port 7000: the discovery
// broadcast and its identity reply, the cards' status poll and reply, and the
// clear-alarm command. Pure functions over bytes; the sockets live elsewhere.

#include <QByteArray>
#include <QString>

#include <optional>

constexpr quint16 discoveryPort = 7000;

// 00 42 EE EE and its CRC: "who is there?", sent to the limited broadcast.
QByteArray discoveryRequest();

struct DeviceIdentity {
    quint8 devAddr = 0;
    QString model;
    QString rating;
    QString manufacturer;
};

// An identity reply is exactly 81 bytes; anything else gives nullopt.
// Missing "/"-separated fields come back empty.
std::optional<DeviceIdentity> parseIdentityReply(const QByteArray &datagram);

// True when the model field names the KLV2400 (case-sensitive containment).
bool namesKlv2400(const QString &model);

// Read of the eight status registers 8-15 of the supply at devAddr.
QByteArray statusRequest(quint8 devAddr);

struct BriefStatus {
    int testFunc = 0;    // 0..15
    bool outputOn = false;
    int alarmCode = 0;   // 0..31, 0 = no alarm
    float voltage = 0;
    float current = 0;
    float power = 0;
};

// A status reply is exactly 21 bytes; anything else gives nullopt.
std::optional<BriefStatus> parseStatusReply(const QByteArray &datagram);

// What a card shows for a status.
struct BriefStatusTexts {
    QString testFunc;
    QString outputState;   // "ON"/"OFF", or the alarm name while an alarm is active
    bool alarm = false;
    QString voltage;
    QString current;
    QString power;
};
BriefStatusTexts briefStatusTexts(const BriefStatus &status);

// Writes 1 to registers 42-43 of the supply at devAddr.
QByteArray clearAlarmCommand(quint8 devAddr);
