// Any bytes as the reply to each of the five functions. The first two bytes
// choose the register count and the block length the request asked for.
#include "modbusframes.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const quint16 count = data[0];
    const int blockLength = data[1];
    const QByteArray reply(reinterpret_cast<const char *>(data + 2), int(size - 2));

    QVector<quint32> values;
    if (ModbusFrames::decodeReadRegisters(reply, count, values) && values.size() != count / 2)
        __builtin_trap();
    ModbusFrames::acceptWriteRegister(reply);
    if (ModbusFrames::acceptReadBlock(reply)) {
        ST_DevInfo info;
        ModbusFrames::decodeDevInfoBlock(reply, info);
        ModbusFrames::decodeNameBlock(reply);
    }
    qint32 first = 0, second = 0;
    ModbusFrames::decodeReadLimit(reply, first, second);
    ModbusFrames::acceptWriteBlock(reply, blockLength);
    quint16 id = 0;
    ModbusFrames::replyTransactionId(reply, id);
    const int frameSize = ModbusFrames::mbapFrameSize(reply);
    if ((reply.size() < 6) != (frameSize < 0) || (frameSize >= 0 && frameSize < 6))
        __builtin_trap();
    ModbusFrames::hexText(reply);
    return 0;
}
