#include "stylesheet.h"

#include <QTextCodec>

QString decodeStyleSheet(const QByteArray &bytes)
{
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    // A sequence cut off at the end is as invalid as a wrong byte.
    if (state.invalidChars == 0 && state.remainingChars == 0)
        return text;
    if (QTextCodec *gbk = QTextCodec::codecForName("GBK"))
        return gbk->toUnicode(bytes);
    return text;
}
