// The help manuals the help button opens must be built next to the program:
// two real PDFs of several pages each.

#include <QFile>
#include <QtTest>

#include <cctype>

class TestManuals : public QObject
{
    Q_OBJECT

private slots:
    void manualIsAPdfOfSeveralPages_data();
    void manualIsAPdfOfSeveralPages();
};

void TestManuals::manualIsAPdfOfSeveralPages_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("Chinese") << "help_CN.pdf";
    QTest::newRow("English") << "help_EN.pdf";
}

void TestManuals::manualIsAPdfOfSeveralPages()
{
    QFETCH(QString, name);
    const QString binDir = qEnvironmentVariable("KLV_BIN_DIR");
    QVERIFY2(!binDir.isEmpty(), "KLV_BIN_DIR is not set");

    QFile pdf(binDir + '/' + name);
    QVERIFY2(pdf.open(QIODevice::ReadOnly), qPrintable(pdf.fileName() + " is missing"));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QVERIFY(bytes.trimmed().endsWith("%%EOF"));

    // Page objects, not the page tree ("/Type /Pages").
    const QByteArray pageType("/Type /Page");
    int pages = 0;
    for (int at = bytes.indexOf(pageType); at >= 0; at = bytes.indexOf(pageType, at + 1)) {
        const int next = at + pageType.size();
        if (next >= bytes.size() || !isalpha(static_cast<unsigned char>(bytes.at(next))))
            ++pages;
    }
    QVERIFY2(pages >= 10, qPrintable(QString("%1 has %2 pages").arg(name).arg(pages)));
}

QTEST_MAIN(TestManuals)
#include "tst_manuals.moc"
