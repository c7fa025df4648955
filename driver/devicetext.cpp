#include "devicetext.h"

#include <QTextCodec>

QString decodeDeviceText(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    return QTextCodec::codecForLocale()->toUnicode(bytes);
#else
    // Supplies named on a Chinese Windows PC carry GBK; newer tools write UTF-8.
    QTextCodec *utf8 = QTextCodec::codecForName("UTF-8");
    QTextCodec::ConverterState state;
    const QString text = utf8->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars == 0 && state.remainingChars == 0)
        return text;
    if (QTextCodec *gbk = QTextCodec::codecForName("GBK"))
        return gbk->toUnicode(bytes);
    return text;
#endif
}

QByteArray encodeDeviceText(const QString &text)
{
#ifdef Q_OS_WIN
    return text.toLocal8Bit();
#else
    return text.toUtf8();
#endif
}
