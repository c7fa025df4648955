// Files the program reads that someone else may have written or broken:
// history files edited by hand, the settings file and the translation file,
// and a working directory where the log folder cannot be made. Each gives a
// correct result or the program's own refusal, never a crash.
#include "capplog.h"
#include "devwidget_klv2400.h"
#include "filedialoganswerer.h"
#include "mainwindow.h"
#include "mycustomplot.h"
#include "testsupport.h"

#include <QLabel>
#include <QMenu>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

const QByteArray header("KLV2400Data\ntime,Vol,Cur\n");

QCPGraph *graphOf(MyCustomPlot *plot)
{
    return static_cast<QCustomPlot *>(plot)->graph(0);
}

// The graph's points as "key:value" in key order.
QStringList pointsOf(MyCustomPlot *plot)
{
    QStringList points;
    const auto data = graphOf(plot)->data();
    for (auto it = data->constBegin(); it != data->constEnd(); ++it)
        points << QStringLiteral("%1:%2").arg(it->key).arg(it->value);
    return points;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A literal with the NUL bytes inside it.
template <int N>
QByteArray raw(const char (&bytes)[N])
{
    return QByteArray(bytes, N - 1);
}

struct LogReset {
    ~LogReset() { delete CAppLog::instance(); }
};

// Writes a test file into the open file.
using FileMaker = std::function<void(QFile &)>;

} // namespace

Q_DECLARE_METATYPE(FileMaker)

class TestBadInputFiles : public QObject
{
    Q_OBJECT

private slots:
    void hostileHistoryFile_data();
    void hostileHistoryFile();
    void oversizedHistoryFile_data();
    void oversizedHistoryFile();
    void brokenSettingsFile_data();
    void brokenSettingsFile();
    void brokenTranslationFile_data();
    void brokenTranslationFile();
    void logFolderCannotBeMade();
};

void TestBadInputFiles::hostileHistoryFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("voltages");   // "time:voltage" of each row, in time order
    QTest::addColumn<QStringList>("currents");
    using L = QStringList;

    // A field that is not a finite number reads as 0; a line of fewer than
    // three fields is skipped, fields after the third are ignored.
    QTest::newRow("10 MB line") << header + "1,2,3\n" + QByteArray(10 * 1024 * 1024, '9') + ",4,5\n6,7,8\n"
                                << L{"0:4", "1:2", "6:7"} << L{"0:5", "1:3", "6:8"};
    QTest::newRow("NUL bytes") << header + raw("1,2,3\n\0\0\0\n2,\0,5\n3,4\0,6\n")
                               << L{"1:2", "2:0", "3:0"} << L{"1:3", "2:5", "3:6"};
    QTest::newRow("1e309, nan, inf") << header + "1e309,1,2\n3,nan,-inf\n4,1e-999,inf\n5,NaN,INF\n"
                                     << L{"0:1", "3:0", "4:0", "5:0"} << L{"0:2", "3:0", "4:0", "5:0"};
    QTest::newRow("truncated last line") << header + "1,2,3\n4,5" << L{"1:2"} << L{"1:3"};
    QTest::newRow("truncated inside a number") << header + "1,2,3\n4,5,6.5e" << L{"1:2", "4:5"}
                                               << L{"1:3", "4:0"};
    QTest::newRow("blank lines only") << header + "\n\r\n  \t \n\n" << L{} << L{};
    QTest::newRow("missing and extra fields") << header + "1\n2,3\n4,5,6,7,8\n9,10,11,\n,,\n"
                                              << L{"0:0", "4:5", "9:10"} << L{"0:0", "4:6", "9:11"};
    QTest::newRow("CRLF and blanks") << header + "1,2,3\r\n 4 ,\t5, 6 \r\n" << L{"1:2", "4:5"} << L{"1:3", "4:6"};
}

void TestBadInputFiles::hostileHistoryFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, voltages);
    QFETCH(QStringList, currents);
    TempWorkDir work;
    LogReset reset;
    writeFile("edited.csv", bytes);
    DevWidget_KLV2400 page;
    MessageBoxAnswerer boxes;
    {
        FileDialogAnswerer picker(work.path() + "/edited.csv");
        page.findChild<QToolButton *>("tbtn_plotImport")->click();
        QCOMPARE(picker.titles.size(), 1);
    }
    QVERIFY(boxes.texts.isEmpty());
    QCOMPARE(page.findChild<QLabel *>("lab_importPlotName")->text(), QStringLiteral("edited.csv"));
    QCOMPARE(pointsOf(page.findChild<MyCustomPlot *>("widget_plot_Vol")), voltages);
    QCOMPARE(pointsOf(page.findChild<MyCustomPlot *>("widget_plot_Cur")), currents);
}

void TestBadInputFiles::oversizedHistoryFile_data()
{
    // How the file is made in the work folder, and the refusal it gets.
    QTest::addColumn<FileMaker>("make");
    QTest::addColumn<QString>("refusal");
    const qint64 hundreds = 300 * 1024 * 1024;   // a hole: costs no disk
    const QString format = QStringLiteral("文件格式错误！");
    QTest::newRow("300 MB, no line end") << FileMaker([=](QFile &f) { f.resize(hundreds); })
                                         << format;
    QTest::newRow("300 MB row") << FileMaker([=](QFile &f) {
        f.write(header);
        f.resize(hundreds);
    }) << format;
    QTest::newRow("300 MB column names") << FileMaker([=](QFile &f) {
        f.write("KLV2400Data\n");
        f.resize(hundreds);
    }) << format;
    QTest::newRow("one row more than a plot takes") << FileMaker([](QFile &f) {
        f.write(header);
        const QByteArray rows = QByteArray(",,\n").repeated(1000000);
        for (int i = 0; i < 10; ++i)
            f.write(rows);
        f.write("1,2,3");
    }) << QStringLiteral("文件数据超过10000000行，无法导入！");
}

void TestBadInputFiles::oversizedHistoryFile()
{
    // Refused with a message after reading at most a bounded line or the
    // rows a plot takes; the plots keep what they showed.
    QFETCH(FileMaker, make);
    QFETCH(QString, refusal);
    TempWorkDir work;
    LogReset reset;
    {
        QFile file("big.csv");
        QVERIFY(file.open(QIODevice::WriteOnly));
        make(file);
    }
    DevWidget_KLV2400 page;
    MessageBoxAnswerer boxes;
    {
        FileDialogAnswerer picker(work.path() + "/big.csv");
        page.findChild<QToolButton *>("tbtn_plotImport")->click();
    }
    QCOMPARE(boxes.texts, QStringList{refusal});
    QVERIFY(page.findChild<QLabel *>("lab_importPlotName")->text() != QStringLiteral("big.csv"));
    QVERIFY(pointsOf(page.findChild<MyCustomPlot *>("widget_plot_Vol")).isEmpty());
    QVERIFY(pointsOf(page.findChild<MyCustomPlot *>("widget_plot_Cur")).isEmpty());
}

void TestBadInputFiles::brokenSettingsFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe[\x01]=\x80\n\x00", 10);
    QTest::newRow("key without value") << QByteArray("[General]\nLanguage\n");
    QTest::newRow("unknown language") << QByteArray("[General]\nLanguage=Klingon\n");
    QTest::newRow("English and more") << QByteArray("[General]\nLanguage=English\\0x\n");
    QTest::newRow("1 MB line") << "[General]\nLanguage=" + QByteArray(1024 * 1024, 'E') + "\n";
}

void TestBadInputFiles::brokenSettingsFile()
{
    // Anything but a Language value of exactly "English" starts in Chinese,
    // and only the operator's choice writes the file.
    QFETCH(QByteArray, bytes);
    TempWorkDir work;
    LogReset reset;
    writeFile("sys_klv.ini", bytes);
    {
        MainWindow window;
        QCOMPARE(window.windowTitle(), QStringLiteral("KLV2400测试系统"));
        const QList<QAction *> actions =
            window.findChild<QToolButton *>("tbtn_Language")->menu()->actions();
        QCOMPARE(actions.size(), 2);
        QVERIFY(!actions.at(0)->isEnabled());   // Chinese is on
        QVERIFY(actions.at(1)->isEnabled());
    }
    QFile file("sys_klv.ini");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), bytes);
}

void TestBadInputFiles::brokenTranslationFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray magic = QByteArray::fromHex("3cb86418caef9c95cd211cbf60a1bddd");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a translation") << QByteArray("<TS>this is a source file</TS>\n");
    QTest::newRow("magic only") << magic;
    QTest::newRow("magic and a block past the end") << magic + QByteArray::fromHex("42 7fffffff 0102");
    QTest::newRow("magic and garbage") << magic + QByteArray(4096, '\xa5');
}

void TestBadInputFiles::brokenTranslationFile()
{
    // With English saved and no usable translation the window starts with
    // English chosen and its texts untranslated, as with no file at all.
    QFETCH(QByteArray, bytes);
    TempWorkDir work;
    LogReset reset;
    writeFile("sys_klv.ini", "[General]\nLanguage=English\n");
    writeFile("KLV2400_EN.qm", bytes);
    MainWindow window;
    QCOMPARE(window.findChild<QToolButton *>("tbtn_searchDev")->text(), QStringLiteral("查找设备"));
    const QList<QAction *> actions = window.findChild<QToolButton *>("tbtn_Language")->menu()->actions();
    QCOMPARE(actions.size(), 2);
    QVERIFY(actions.at(0)->isEnabled());
    QVERIFY(!actions.at(1)->isEnabled());
}

void TestBadInputFiles::logFolderCannotBeMade()
{
    // A file where the log folder belongs: lines still reach the pane, the
    // file failure is ignored.
    TempWorkDir work;
    LogReset reset;
    writeFile("log", "not a folder");
    MainWindow window;
    CAppLog::instance()->writeLog(QStringLiteral("line for the pane"), 0, true);
    QTest::qWait(50);
    QVERIFY(window.findChild<QTextEdit *>("textEdit")->toPlainText().contains("line for the pane"));
    QVERIFY(QFileInfo("log").isFile());
}

QTEST_MAIN(TestBadInputFiles)
#include "tst_badinput_files.moc"
