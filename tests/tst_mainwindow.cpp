// The main window (start language, style sheet, log pane, language switch)
// and the application log it shows (day file, line layout, translated
// prefixes, writers on several threads).
#include "capplog.h"
#include "devwidget_klv2400.h"
#include "mainwindow.h"
#include "stylesheet.h"
#include "testsupport.h"
#include "translationfile.h"

#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCodec>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <thread>

namespace {
struct LogReset {   // deletes the log while the test's working directory still exists
    ~LogReset() { delete CAppLog::instance(); }
};
QByteArray dayFileBytes()
{
    const QStringList files = QDir("log").entryList(QDir::Files);
    QFile f(files.size() == 1 ? "log/" + files.first() : QString());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no single day file>");
}
const QRegularExpression linePattern("^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d)  (.*)$");   // stamp, two blanks, rest
QStringList rests()   // what follows the stamp, per non-empty line
{
    QStringList out;
    for (const QString &line : QString::fromUtf8(dayFileBytes()).split('\n', Qt::SkipEmptyParts))
        out << linePattern.match(line).captured(2);
    return out;
}
QToolButton *button(QWidget &w, const char *name) { return w.findChild<QToolButton *>(name); }
QList<QAction *> languageActions(QWidget &w) { return button(w, "tbtn_Language")->menu()->actions(); }
QString text(QWidget &w, const char *name) { return w.findChild<QWidget *>(name)->property("text").toString(); }
bool writeEnglish()
{
    QString error;
    if (!writeTranslationFile("KLV2400_EN.qm", {{"MainWindow", "查找设备", "Search"}, {"MainWindow", "在线设备", "Online devices"},
                                                {"MainWindow", "KLV2400测试系统", "KLV2400 Test System"},
                                                {"MainWindow", "中文", "Chinese"}, {"MainWindow", "英文", "English"},
                                                {"CAppLog", "警告: ", "Warning: "}, {"DevWidget_KLV2400", "未连接", "Not connected"}}, &error))
        return qWarning("%s", qPrintable(error)), false;
    return true;
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
void logDayFileLayoutAndRestarts()
{
    TempWorkDir wd;
    LogReset reset;
    const QString before = "KLV2400_Log_" + QDate::currentDate().toString("yyyyMMdd") + ".txt";
    CAppLog *log = CAppLog::instance();
    const QStringList files = QDir("log").entryList(QDir::Files);
    QVERIFY2(files == QStringList{before} || files == QStringList{"KLV2400_Log_" + QDate::currentDate().toString("yyyyMMdd") + ".txt"},
             qPrintable(files.join(',')));
    QCOMPARE(dayFileBytes(), QByteArray("\n"));   // written on opening, not on the first entry
    QSignalSpy spy(log, &CAppLog::sigPassMsg);
    QDateTime from = QDateTime::currentDateTime();
    from = from.addMSecs(-from.time().msec());
    for (auto [message, type] : {std::pair{"搜索设备...", 0}, {"设备未响应", 1}, {"连接失败", 2}, {"plain", 3}, {"plain", -1},
                                 {" <b>x</b> & 100%  ", 0}})   // the message goes in unchanged
        log->writeLog(message, type, true);
    log->writeLog("file only", 1, false);   // the pane does not hear of it
    const QDateTime after = QDateTime::currentDateTime();
    QCOMPARE(rests(), QStringList({"提示: 搜索设备...", "警告: 设备未响应", "错误: 连接失败", "plain", "plain",
                                   "提示:  <b>x</b> & 100%  ", "警告: file only"}));
    const QStringList lines = QString::fromUtf8(dayFileBytes()).split('\n');
    QCOMPARE(spy.count(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(spy[i][0].toString(), lines[i + 1] + "\n");
        QCOMPARE(spy[i][1].toInt(), QList<int>({0, 1, 2, 3, -1, 0})[i]);
        const QDateTime stamp = QDateTime::fromString(linePattern.match(lines[i + 1]).captured(1), "yyyy-MM-dd hh:mm:ss");
        QVERIFY2(stamp >= from && stamp <= after, qPrintable(lines[i + 1]));
    }
    delete log;   // a restart appends after one more empty line
    CAppLog::instance()->writeLog("second", 2, false);
    const QStringList all = QString::fromUtf8(dayFileBytes()).split('\n');
    QCOMPARE(all.size(), 11);
    QVERIFY(all[0].isEmpty() && all[8].isEmpty() && all[9].endsWith("  错误: second") && all[10].isEmpty());
}

void logWritersOnSeveralThreadsNeverShareALine()
{
    TempWorkDir wd;
    LogReset reset;
    const int threads = 6, perThread = 400, width = 3000;   // long lines: a torn write is likely if unguarded
    CAppLog::instance();   // made on the GUI thread first, as the window does
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t)
        writers.emplace_back([t] {
            for (int i = 0; i < perThread; ++i)
                CAppLog::instance()->writeLog(QString("%1 %2").arg(i, 4, 10, QChar('0')).arg(QString(width, QChar('A' + t))), t % 3, false);
        });
    for (std::thread &w : writers)
        w.join();
    const QStringList lines = rests();
    QCOMPARE(lines.size(), threads * perThread);
    QVector<int> next(threads, 0);
    for (const QString &rest : lines) {
        const int t = rest.right(1).at(0).unicode() - 'A';
        QVERIFY2(t >= 0 && t < threads, qPrintable(rest.left(80)));
        QCOMPARE(rest, QStringList({"提示: ", "警告: ", "错误: "})[t % 3] + QString("%1 ").arg(next[t]++, 4, 10, QChar('0'))
                           + QString(width, QChar('A' + t)));
    }
    QCOMPARE(next, QVector<int>(threads, perThread));
}

void startLanguage_data()
{
    QTest::addColumn<QString>("saved");   // empty: no settings file
    QTest::addColumn<bool>("translationFile");
    QTest::addColumn<bool>("english");    // the "英文" action is the disabled one
    QTest::addColumn<bool>("englishTexts");
    QTest::newRow("no settings") << "" << true << false << false;
    QTest::newRow("English") << "English" << true << true << true;
    QTest::newRow("English without file") << "English" << false << true << false;
    QTest::newRow("Chinese") << "Chinese" << true << false << false;
    QTest::newRow("lower case") << "english" << true << false << false;   // only exactly "English" translates
    QTest::newRow("trailing blank") << "English " << true << false << false;
}

void startLanguage()
{
    QFETCH(QString, saved); QFETCH(bool, translationFile); QFETCH(bool, english); QFETCH(bool, englishTexts);
    TempWorkDir wd;
    LogReset reset;
    if (!saved.isEmpty())
        QSettings("./sys_klv.ini", QSettings::IniFormat).setValue("Language", saved);
    QVERIFY(!translationFile || writeEnglish());
    {
        MainWindow w;
        const QList<QAction *> actions = languageActions(w);
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions[0]->isEnabled(), english);
        QCOMPARE(actions[1]->isEnabled(), !english);
        QCOMPARE(w.windowTitle(), QString(englishTexts ? "KLV2400 Test System" : "KLV2400测试系统"));
        QCOMPARE(actions[1]->text(), QString(englishTexts ? "English" : "英文"));
        QCOMPARE(text(w, "tbtn_searchDev"), QString(englishTexts ? "Search" : "查找设备"));
        if (!englishTexts)   // the form's own texts, one per kind
            for (auto [name, want] : {std::pair{"tbtn_networkSet", " 网络设置"}, {"tbtn_Language", " 语言   "},
                                      {"tbtn_help", " 帮助 "}, {"tbtn_about", " 关于 "}, {"label", "在线设备"},
                                      {"label_31", "日志输出"}, {"tbtn_logClear", "清除"}})
                QCOMPARE(text(w, name), QString(want));
        QCOMPARE(w.findChild<QTabWidget *>("tabWidget")->count(), 0);
        QVERIFY(QDir("log").exists());   // start-up reaches the log
    }
    QCOMPARE(QFile::exists("sys_klv.ini"), !saved.isEmpty());   // start and close only read it
    QCOMPARE(QCoreApplication::translate("MainWindow", "查找设备"), QString("查找设备"));   // the translator left with the window
}

void styleSheet()
{
    TempWorkDir wd;
    LogReset reset;
    MainWindow w;
    QFile css(":/default.css");
    QVERIFY(css.open(QIODevice::ReadOnly));
    QCOMPARE(qApp->styleSheet(), decodeStyleSheet(css.readAll()));
    QVERIFY(qApp->styleSheet().contains("QToolButton") && !qApp->styleSheet().startsWith(QChar(0xFEFF)));
    QTextCodec *gbk = QTextCodec::codecForName("GBK");
    const QString chinese = "QLabel{color:red;} /* 提示按钮的颜色 */";
    QCOMPARE(decodeStyleSheet("\xEF\xBB\xBF" + chinese.toUtf8()), chinese);   // BOM dropped
    QCOMPARE(decodeStyleSheet(gbk->fromUnicode(chinese)), chinese);            // not UTF-8: GBK
    const QByteArray cut = gbk->fromUnicode("/* 中 */a") + "\xD6";   // ends in a GBK character that starts UTF-8
    QCOMPARE(decodeStyleSheet(cut), gbk->toUnicode(cut));
    QCOMPARE(decodeStyleSheet(QByteArray()), QString());
}

void logPaneColoursPlainLinesAndClear()
{
    TempWorkDir wd;
    LogReset reset;
    MainWindow w;
    for (auto [message, type, notify] : {std::tuple{"一切正常", 0, true}, {"温度偏高", 1, true}, {"file only", 2, false},
                                         {"连接失败", 2, true}, {"<b>list</b> & \"名称\"", 0, true}, {"untyped", 9, true}})
        CAppLog::instance()->writeLog(message, type, notify);
    QStringList shown = QString::fromUtf8(dayFileBytes()).split('\n', Qt::SkipEmptyParts);
    shown.removeAt(2);
    auto *pane = w.findChild<QTextEdit *>("textEdit");
    QCOMPARE(pane->document()->blockCount(), shown.size());   // one plain-text paragraph per line
    const QList<QColor> colours = {Qt::black, Qt::darkYellow, Qt::red, Qt::black, QColor()};
    int i = 0;
    for (QTextBlock block = pane->document()->begin(); block.isValid(); block = block.next(), ++i) {
        QCOMPARE(block.text(), shown[i]);
        QCOMPARE(block.begin().fragment().charFormat().foreground().color(), colours[i]);
        QCOMPARE(block.blockFormat().lineHeight(), 5.0);
        QCOMPARE(block.blockFormat().lineHeightType(), int(QTextBlockFormat::LineDistanceHeight));
    }
    button(w, "tbtn_logClear")->click();   // empties the pane, not the file
    QVERIFY(pane->toPlainText().isEmpty());
    CAppLog::instance()->writeLog("after", 2, true);
    QCOMPARE(pane->document()->blockCount(), 1);
    QCOMPARE(pane->document()->begin().blockFormat().lineHeight(), 5.0);
    QCOMPARE(rests().size(), 7);
}

void languageSwitchRoundTrip()
{
    TempWorkDir wd;
    LogReset reset;
    QVERIFY(writeEnglish());
    {
        MainWindow w;
        auto *tabs = w.findChild<QTabWidget *>("tabWidget");
        tabs->addTab(new QWidget, "192.168.1.10");   // not a device page: left alone
        auto *page = new DevWidget_KLV2400(&w);
        tabs->addTab(page, "192.168.1.11");
        const QList<QAction *> actions = languageActions(w);
        for (bool toEnglish : {true, false, true}) {
            actions[toEnglish]->trigger();
            QCOMPARE(QSettings("./sys_klv.ini", QSettings::IniFormat).value("Language").toString(),
                     QString(toEnglish ? "English" : "Chinese"));
            QCOMPARE(w.windowTitle(), QString(toEnglish ? "KLV2400 Test System" : "KLV2400测试系统"));
            QCOMPARE(text(w, "tbtn_searchDev"), QString(toEnglish ? "Search" : "查找设备"));
            QCOMPARE(text(w, "label"), QString(toEnglish ? "Online devices" : "在线设备"));
            QCOMPARE(actions[0]->text(), QString(toEnglish ? "Chinese" : "中文"));
            QCOMPARE(actions[0]->isEnabled(), toEnglish);
            QCOMPARE(actions[1]->isEnabled(), !toEnglish);
            QCOMPARE(tabs->tabText(0) + tabs->tabText(1), QString("192.168.1.10192.168.1.11"));   // tabs keep addresses
            QCOMPARE(text(*page, "lab_connectState"), QString(toEnglish ? "Not connected" : "未连接"));   // pages follow
            CAppLog::instance()->writeLog("hot", 1, true);   // and so do the log's prefixes
            CAppLog::instance()->writeLog("odd", 7, true);
            QCOMPARE(rests().mid(rests().size() - 2), QStringList({toEnglish ? "Warning: hot" : "警告: hot", "odd"}));
        }
    }
    MainWindow again;   // the next start picks up the last switch
    QCOMPARE(again.windowTitle(), QString("KLV2400 Test System"));
    QVERIFY(!languageActions(again)[1]->isEnabled());
}
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
