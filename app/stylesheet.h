#pragma once

#include <QByteArray>
#include <QString>

// Decodes the application style sheet's bytes: UTF-8 (a byte-order mark is
// dropped), or GBK when the bytes are not valid UTF-8, since older copies of
// the sheet were saved by Chinese Windows editors in the local code page.
QString decodeStyleSheet(const QByteArray &bytes);
