// What ships beside the program: the English translation covers every
// translatable text while the texts fixed in Chinese stay unmarked, and the
// two help manuals are real PDFs of many pages.
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

#include <cctype>

namespace {
// context \x1f source \x1f disambiguation -> finished translation ("" when unfinished)
QHash<QString, QString> readTs(const QString &path)
{
    QHash<QString, QString> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    QXmlStreamReader xml(&file);
    QString context, source, comment;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("source"))
            source = xml.readElementText(), comment.clear();
        else if (xml.name() == QLatin1String("comment"))
            comment = xml.readElementText();
        else if (xml.name() == QLatin1String("translation")) {
            const bool finished = xml.attributes().value("type").isEmpty();
            const QString text = xml.readElementText().trimmed();
            entries.insert(context + QChar(0x1f) + source + QChar(0x1f) + comment, finished ? text : QString());
        }
    }
    return entries;
}
} // namespace

class TranslationTest : public QObject
{
    Q_OBJECT
private slots:
void textsHaveEnglishAndFixedOnesAreUnmarked()
{
    QTemporaryDir tmp;   // what lupdate finds now against what ships
    QProcess lupdate;
    lupdate.setWorkingDirectory(KLV_SOURCE_DIR);
    lupdate.start(KLV_LUPDATE, {"-silent", "-locations", "none", "-no-obsolete", "app", "driver", "device",
                                "dialogs", "widgets", "forms", "-ts", tmp.filePath("fresh.ts")});
    QVERIFY2(lupdate.waitForFinished(120000) && lupdate.exitCode() == 0, "lupdate failed");
    const QHash<QString, QString> fresh = readTs(tmp.filePath("fresh.ts"));
    const QHash<QString, QString> shipped = readTs(QString(KLV_SOURCE_DIR) + "/resources/KLV2400_EN.ts");
    QVERIFY2(fresh.size() > 50, "lupdate found suspiciously few texts");
    // Shown as stored in both languages.
    const QStringList fixed = {"设备已添加！", "设备连接失败,请检查设备连接!", "设备输出失败，请重试!",
                               "设备正在输出，请在空闲时导入曲线！", "文件格式错误！", "曲线图片已保存至%1"};
    QStringList missing, marked;
    for (auto it = fresh.cbegin(); it != fresh.cend(); ++it) {
        if (shipped.value(it.key()).isEmpty())
            missing << QString(it.key()).replace(QChar(0x1f), " :: ");
        if (fixed.contains(it.key().section(QChar(0x1f), 1, 1)))
            marked << it.key().section(QChar(0x1f), 1, 1);
    }
    QVERIFY2(missing.isEmpty(), qPrintable("untranslated texts:\n" + missing.join('\n')));
    QVERIFY2(marked.isEmpty(), qPrintable("marked for translation: " + marked.join(", ")));

    QTranslator translator;   // and the built file carries them
    QVERIFY(translator.load(qEnvironmentVariable("KLV_BIN_DIR") + "/KLV2400_EN.qm"));
    const QString title = translator.translate("MainWindow", "KLV2400测试系统");
    QVERIFY(!title.isEmpty() && title != QStringLiteral("KLV2400测试系统"));
    QCOMPARE(translator.translate("CAppLog", "警告: ").right(2), QStringLiteral(": "));
}

void manualIsAPdfOfSeveralPages_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("Chinese") << "help_CN.pdf";
    QTest::newRow("English") << "help_EN.pdf";
}

void manualIsAPdfOfSeveralPages()
{
    QFETCH(QString, name);
    QFile pdf(qEnvironmentVariable("KLV_BIN_DIR") + '/' + name);
    QVERIFY2(pdf.open(QIODevice::ReadOnly), qPrintable(pdf.fileName() + " is missing"));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF-") && bytes.trimmed().endsWith("%%EOF"));
    const QByteArray page("/Type /Page");   // page objects, not the tree ("/Pages")
    int pages = 0;
    for (int at = bytes.indexOf(page); at >= 0; at = bytes.indexOf(page, at + 1))
        pages += at + page.size() >= bytes.size() || !isalpha(static_cast<unsigned char>(bytes.at(at + page.size())));
    QVERIFY2(pages >= 10, qPrintable(QString("%1 has %2 pages").arg(name).arg(pages)));
}
};

QTEST_GUILESS_MAIN(TranslationTest)
#include "tst_translation.moc"
