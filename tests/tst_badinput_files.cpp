// Files someone else may have written or broken: hand-edited history files,
// the settings and translation files, and a log folder that cannot be made.
// Each gives a correct result or the program's own refusal, never a crash.
#include "capplog.h"
#include "devwidget_klv2400.h"
#include "filedialoganswerer.h"
#include "mainwindow.h"
#include "mycustomplot.h"
#include "testsupport.h"

#include <QMenu>
#include <QTextEdit>
#include <QtTest>

namespace {
const QByteArray header("KLV2400Data\ntime,Vol,Cur\n");
struct LogReset {
    ~LogReset() { delete CAppLog::instance(); }
};
using FileMaker = std::function<void(QFile &)>;
bool make(const QString &path, const FileMaker &fill)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && (fill(file), true);
}
FileMaker bytes(const QByteArray &b) { return [b](QFile &f) { f.write(b); }; }
// "key:value" of the plot's points, in key order.
QStringList pointsOf(DevWidget_KLV2400 &page, const char *plot)
{
    QStringList points;
    const auto data = static_cast<QCustomPlot *>(page.findChild<MyCustomPlot *>(plot))->graph(0)->data();
    for (auto it = data->constBegin(); it != data->constEnd(); ++it)
        points << QStringLiteral("%1:%2").arg(it->key).arg(it->value);
    return points;
}
// Imports path through the page's button; returns the boxes' texts.
QStringList import(DevWidget_KLV2400 &page, const QString &path)
{
    MessageBoxAnswerer boxes;
    FileDialogAnswerer picker(path);
    page.findChild<QToolButton *>("tbtn_plotImport")->click();
    return boxes.texts;
}
} // namespace
Q_DECLARE_METATYPE(FileMaker)

class TestBadInputFiles : public QObject
{
    Q_OBJECT
private slots:
void hostileHistoryFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("voltages");   // "time:voltage" per row, in time order
    QTest::addColumn<QStringList>("currents");
    using L = QStringList;
    // Not a finite number reads as 0; fewer than three fields skip the line, more are ignored.
    QTest::newRow("10 MB line") << header + "1,2,3\n" + QByteArray(10 * 1024 * 1024, '9') + ",4,5\n6,7,8\n"
                                << L{"0:4", "1:2", "6:7"} << L{"0:5", "1:3", "6:8"};
    QTest::newRow("NUL bytes") << header + QByteArray("1,2,3\n\0\0\0\n2,\0,5\n3,4\0,6\n", 23)
                               << L{"1:2", "2:0", "3:0"} << L{"1:3", "2:5", "3:6"};
    QTest::newRow("1e309, nan, inf") << header + "1e309,1,2\n3,nan,-inf\n4,1e-999,inf\n"
                                     << L{"0:1", "3:0", "4:0"} << L{"0:2", "3:0", "4:0"};
    QTest::newRow("truncated last line") << header + "1,2,3\n4,5" << L{"1:2"} << L{"1:3"};
    QTest::newRow("truncated in a number") << header + "1,2,3\n4,5,6.5e" << L{"1:2", "4:5"} << L{"1:3", "4:0"};
    QTest::newRow("missing and extra fields") << header + "1\n2,3\n4,5,6,7,8\n9,10,11,\n,,\n"
                                              << L{"0:0", "4:5", "9:10"} << L{"0:0", "4:6", "9:11"};
    QTest::newRow("CRLF and blanks") << header + "1,2,3\r\n 4 ,\t5, 6 \r\n\r\n" << L{"1:2", "4:5"} << L{"1:3", "4:6"};
}

void hostileHistoryFile()
{
    QFETCH(QByteArray, bytes); QFETCH(QStringList, voltages); QFETCH(QStringList, currents);
    TempWorkDir work;
    LogReset reset;
    QVERIFY(make("edited.csv", ::bytes(bytes)));
    DevWidget_KLV2400 page;
    QCOMPARE(import(page, work.path() + "/edited.csv"), QStringList());
    QCOMPARE(page.findChild<QLabel *>("lab_importPlotName")->text(), QStringLiteral("edited.csv"));
    QCOMPARE(pointsOf(page, "widget_plot_Vol"), voltages);
    QCOMPARE(pointsOf(page, "widget_plot_Cur"), currents);
}

void oversizedHistoryFile_data()
{
    QTest::addColumn<FileMaker>("fill");
    QTest::addColumn<QString>("refusal");
    const qint64 big = 300 * 1024 * 1024;   // sparse: costs no disk
    const QString format = QStringLiteral("文件格式错误！");
    QTest::newRow("300 MB, no line end") << FileMaker([=](QFile &f) { f.resize(big); }) << format;
    QTest::newRow("300 MB row") << FileMaker([=](QFile &f) { f.write(header), f.resize(big); }) << format;
    QTest::newRow("10,000,001 rows") << FileMaker([](QFile &f) {
        f.write(header);
        const QByteArray rows = QByteArray(",,\n").repeated(1000000);
        for (int i = 0; i < 10; ++i)
            f.write(rows);
        f.write("1,2,3");
    }) << QStringLiteral("文件数据超过10000000行，无法导入！");
}

void oversizedHistoryFile()
{
    // Refused after a bounded line or the rows a plot takes; the plots keep what they showed.
    QFETCH(FileMaker, fill); QFETCH(QString, refusal);
    TempWorkDir work;
    LogReset reset;
    QVERIFY(make("big.csv", fill));
    DevWidget_KLV2400 page;
    QCOMPARE(import(page, work.path() + "/big.csv"), QStringList{refusal});
    QVERIFY(page.findChild<QLabel *>("lab_importPlotName")->text() != QStringLiteral("big.csv"));
    QVERIFY(pointsOf(page, "widget_plot_Vol").isEmpty() && pointsOf(page, "widget_plot_Cur").isEmpty());
}

void brokenSettingsOrTranslation_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QByteArray>("qm");   // null: no translation file
    QTest::addColumn<bool>("english");    // the English action is the chosen one
    const QByteArray magic = QByteArray::fromHex("3cb86418caef9c95cd211cbf60a1bddd");
    const QByteArray english("[General]\nLanguage=English\n");
    // Anything but exactly "English" starts in Chinese.
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe[\x01]=\x80\n\x00", 10) << QByteArray() << false;
    QTest::newRow("English and more") << QByteArray("[General]\nLanguage=English\\0x\n") << QByteArray() << false;
    QTest::newRow("1 MB line") << "[General]\nLanguage=" + QByteArray(1024 * 1024, 'E') + "\n" << QByteArray() << false;
    // English chosen with no usable translation: untranslated texts, as with no file.
    QTest::newRow("empty qm") << english << QByteArray("") << true;
    QTest::newRow("qm block past the end") << english << magic + QByteArray::fromHex("42 7fffffff 0102") << true;
    QTest::newRow("qm garbage") << english << magic + QByteArray(4096, '\xa5') << true;
}

void brokenSettingsOrTranslation()
{
    QFETCH(QByteArray, ini); QFETCH(QByteArray, qm); QFETCH(bool, english);
    TempWorkDir work;
    LogReset reset;
    QVERIFY(make("sys_klv.ini", bytes(ini)));
    if (!qm.isNull())
        QVERIFY(make("KLV2400_EN.qm", bytes(qm)));
    {
        MainWindow window;
        QCOMPARE(window.windowTitle(), QStringLiteral("KLV2400测试系统"));
        QCOMPARE(window.findChild<QToolButton *>("tbtn_searchDev")->text(), QStringLiteral("查找设备"));
        const QList<QAction *> actions = window.findChild<QToolButton *>("tbtn_Language")->menu()->actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions.at(0)->isEnabled(), english);
        QCOMPARE(actions.at(1)->isEnabled(), !english);
    }
    QFile file("sys_klv.ini");   // only the operator's choice writes it
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), ini);
}

void logFolderCannotBeMade()
{
    // A file where the folder belongs: lines still reach the pane.
    TempWorkDir work;
    LogReset reset;
    QVERIFY(make("log", bytes("not a folder")));
    MainWindow window;
    CAppLog::instance()->writeLog(QStringLiteral("line for the pane"), 0, true);
    QVERIFY(waitUntil([&] { return window.findChild<QTextEdit *>("textEdit")->toPlainText().contains("line for the pane"); }, 2000));
    QVERIFY(QFileInfo("log").isFile());
}
};

QTEST_MAIN(TestBadInputFiles)
#include "tst_badinput_files.moc"
