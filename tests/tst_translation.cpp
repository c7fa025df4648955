// The English translation must cover every translatable text of the program,
// and the texts that stay Chinese in both languages must not be marked for
// translation.

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct TsEntry {
    QString translation;
    bool finished = false;
};

// context + '\x1f' + source + '\x1f' + disambiguation -> translation
QHash<QString, TsEntry> readTs(const QString &path)
{
    QHash<QString, TsEntry> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    QXmlStreamReader xml(&file);
    QString context, source, comment;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
            comment.clear();
        } else if (xml.name() == QLatin1String("comment")) {
            comment = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            TsEntry e;
            const QString type = xml.attributes().value("type").toString();
            e.finished = type.isEmpty();
            e.translation = xml.readElementText();
            entries.insert(context + QChar(0x1f) + source + QChar(0x1f) + comment, e);
        }
    }
    return entries;
}

} // namespace

class TranslationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everySourceTextHasEnglish();
    void fixedLiteralsStayUntranslated();
    void compiledFileTranslates();

private:
    QTemporaryDir tmp;
    QHash<QString, TsEntry> fresh;
    QHash<QString, TsEntry> shipped;
};

void TranslationTest::initTestCase()
{
    QVERIFY(tmp.isValid());
    const QString freshTs = tmp.filePath("fresh.ts");
    QProcess lupdate;
    lupdate.setWorkingDirectory(KLV_SOURCE_DIR);
    lupdate.start(KLV_LUPDATE, {"-silent", "-locations", "none", "-no-obsolete", "app", "driver",
                                "device", "dialogs", "widgets", "forms", "-ts", freshTs});
    QVERIFY2(lupdate.waitForFinished(120000), "lupdate did not finish");
    QCOMPARE(lupdate.exitCode(), 0);
    fresh = readTs(freshTs);
    QVERIFY2(fresh.size() > 50, "lupdate found suspiciously few texts");
    shipped = readTs(QString(KLV_SOURCE_DIR) + "/resources/KLV2400_EN.ts");
    QVERIFY2(!shipped.isEmpty(), "resources/KLV2400_EN.ts is missing or empty");
}

void TranslationTest::everySourceTextHasEnglish()
{
    QStringList missing;
    for (auto it = fresh.cbegin(); it != fresh.cend(); ++it) {
        const auto found = shipped.constFind(it.key());
        if (found == shipped.cend() || !found->finished || found->translation.trimmed().isEmpty()) {
            QString key = it.key();
            missing << key.replace(QChar(0x1f), " :: ");
        }
    }
    QVERIFY2(missing.isEmpty(), qPrintable("untranslated texts:\n" + missing.join('\n')));
}

void TranslationTest::fixedLiteralsStayUntranslated()
{
    // Shown as stored in both languages.
    const QStringList fixed = {QStringLiteral("设备已添加！"),
                               QStringLiteral("设备连接失败,请检查设备连接!"),
                               QStringLiteral("设备输出失败，请重试!"),
                               QStringLiteral("设备正在输出，请在空闲时导入曲线！"),
                               QStringLiteral("文件格式错误！"),
                               QStringLiteral("曲线图片已保存至%1")};
    for (auto it = fresh.cbegin(); it != fresh.cend(); ++it) {
        const QString source = it.key().section(QChar(0x1f), 1, 1);
        QVERIFY2(!fixed.contains(source), qPrintable("marked for translation: " + source));
    }
}

void TranslationTest::compiledFileTranslates()
{
    QTranslator translator;
    QVERIFY(translator.load(qEnvironmentVariable("KLV_BIN_DIR") + "/KLV2400_EN.qm"));
    const QString title = translator.translate("MainWindow", "KLV2400测试系统");
    QVERIFY(!title.isEmpty());
    QVERIFY(title != QStringLiteral("KLV2400测试系统"));
    QCOMPARE(translator.translate("CAppLog", "警告: ").right(2), QStringLiteral(": "));
}

QTEST_GUILESS_MAIN(TranslationTest)
#include "tst_translation.moc"
