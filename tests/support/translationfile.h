#pragma once

// Builds a small Qt translation file for a test with the lrelease that sits
// next to the build's lupdate (KLV_LUPDATE, defined for every test).

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QVector>

struct TranslatedText {
    QString context, source, translation;
};

// Writes qmPath; false (with the tool's output in *error) when it fails.
inline bool writeTranslationFile(const QString &qmPath, const QVector<TranslatedText> &texts,
                                 QString *error = nullptr)
{
    QMap<QString, QString> contexts;
    for (const TranslatedText &t : texts)
        contexts[t.context] += QString("<message><source>%1</source><translation>%2</translation></message>\n")
                                   .arg(t.source.toHtmlEscaped(), t.translation.toHtmlEscaped());
    QString ts = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\" language=\"en_US\">\n";
    for (auto it = contexts.cbegin(); it != contexts.cend(); ++it)
        ts += QString("<context><name>%1</name>\n%2</context>\n").arg(it.key(), it.value());
    ts += "</TS>\n";

    QTemporaryDir scratch;
    QFile tsFile(scratch.filePath("texts.ts"));
    if (!tsFile.open(QIODevice::WriteOnly) || tsFile.write(ts.toUtf8()) < 0)
        return false;
    tsFile.close();
    const QFileInfo lupdate(QStringLiteral(KLV_LUPDATE));
    const QString lrelease = lupdate.dir().filePath(lupdate.fileName().replace("lupdate", "lrelease"));
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(lrelease, {"-silent", tsFile.fileName(), "-qm", qmPath});
    const bool ok = tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit
                    && tool.exitCode() == 0 && QFileInfo(qmPath).size() > 0;
    if (!ok && error)
        *error = lrelease + ": " + QString::fromLocal8Bit(tool.readAll()) + tool.errorString();
    return ok;
}
