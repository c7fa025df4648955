#pragma once

// Answers one Modbus TCP request frame from the supply's register model:
// functions 0x03 and 0x10 on the register map, 0x41 limit pairs, 0x42 block
// reads and 0x40 block writes. A pure function of the frame and the model.

#include <QByteArray>

namespace klvsim {

class SupplyModel;

struct ModbusOptions {
    bool refuseNames = false;    // older firmware: no 0x40 name writes
    bool shortDevInfo = false;   // a device-information reply of 180 bytes
};

// frame is one whole request (MBAP header included); returns the reply frame.
QByteArray answerModbus(SupplyModel &model, const QByteArray &frame, const ModbusOptions &options = {});

// An exception reply (function | 0x80) to the request with the given code.
QByteArray modbusException(const QByteArray &frame, int code);

// The request's function code and start or block address, -1 where absent.
int requestFunction(const QByteArray &frame);
int requestAddress(const QByteArray &frame);

} // namespace klvsim
