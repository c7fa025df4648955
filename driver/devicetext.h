#pragma once

// Supplies keep their texts (identity, list-file names) in the 8-bit code
// page of the Windows PC that configured them. On Windows that is the local
// code page; elsewhere UTF-8 is taken when the bytes are valid UTF-8 and GBK
// otherwise.

#include <QByteArray>
#include <QString>

QString decodeDeviceText(const QByteArray &bytes);
QByteArray encodeDeviceText(const QString &text);
