// The application log: its day file, line layout, the pane signal and
// writers on several threads.

#include "capplog.h"
#include "testsupport.h"
#include "translationfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTranslator>
#include <QtTest>

#include <thread>
#include <vector>

namespace {

// Destroys the log at the end of a test, while the temporary working
// directory still exists, so the next test starts a fresh one.
struct LogReset {
    ~LogReset() { delete CAppLog::instance(); }
};

QString dayFileName(const QDate &day)
{
    return QString("log/KLV2400_Log_%1.txt").arg(day.toString("yyyyMMdd"));
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QString onlyDayFile()
{
    const QStringList files = QDir("log").entryList(QDir::Files);
    return files.size() == 1 ? "log/" + files.first() : QString();
}

// The time stamp, two blanks, then the rest of the line.
const QRegularExpression linePattern("^(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d)  (.*)$");

QDateTime nowToSecond()
{
    QDateTime t = QDateTime::currentDateTime();
    return t.addMSecs(-t.time().msec());
}

} // namespace

class TestAppLog : public QObject
{
    Q_OBJECT
private slots:
    void firstStartCreatesDayFileWithEmptyLine();
    void secondStartAppendsAfterOneMoreEmptyLine();
    void lineLayoutPerType_data();
    void lineLayoutPerType();
    void notifyChoosesWhetherThePaneHearsOfIt();
    void prefixesFollowTheInstalledTranslation();
    void writersOnSeveralThreadsNeverShareALine();
};

void TestAppLog::firstStartCreatesDayFileWithEmptyLine()
{
    TempWorkDir wd;
    LogReset reset;
    QVERIFY(!QDir("log").exists());
    const QDate before = QDate::currentDate();
    CAppLog *log = CAppLog::instance();
    const QDate after = QDate::currentDate();
    QCOMPARE(CAppLog::instance(), log);
    QCOMPARE(log->parent(), QCoreApplication::instance());

    QVERIFY(QDir("log").exists());
    const QString file = onlyDayFile();
    QVERIFY2(file == dayFileName(before) || file == dayFileName(after), qPrintable(file));
    // Written as soon as the log exists, not on the first entry.
    QCOMPARE(readAll(file), QByteArray("\n"));
}

void TestAppLog::secondStartAppendsAfterOneMoreEmptyLine()
{
    TempWorkDir wd;
    LogReset reset;
    CAppLog::instance()->writeLog("第一次", 0, false);
    delete CAppLog::instance();
    CAppLog::instance()->writeLog("second", 2, false);

    const QStringList lines = QString::fromUtf8(readAll(onlyDayFile())).split('\n');
    QCOMPARE(lines.size(), 5);   // the last one is what follows the final newline
    QCOMPARE(lines[0], QString());
    QVERIFY(lines[1].endsWith("  提示: 第一次"));
    QCOMPARE(lines[2], QString());
    QVERIFY(lines[3].endsWith("  错误: second"));
    QCOMPARE(lines[4], QString());
}

void TestAppLog::lineLayoutPerType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("information") << 0 << "搜索设备..." << "提示: ";
    QTest::newRow("warning") << 1 << "设备未响应" << "警告: ";
    QTest::newRow("error") << 2 << "连接失败" << "错误: ";
    QTest::newRow("unknown high") << 3 << "plain" << "";
    QTest::newRow("unknown negative") << -1 << "plain" << "";
    // The message goes in unchanged: no trimming, no markup handling.
    QTest::newRow("blanks and markup kept") << 0 << " <b>x</b> & 100%  " << "提示: ";
    QTest::newRow("empty message") << 1 << "" << "警告: ";
}

void TestAppLog::lineLayoutPerType()
{
    QFETCH(int, type);
    QFETCH(QString, message);
    QFETCH(QString, prefix);
    TempWorkDir wd;
    LogReset reset;
    CAppLog *log = CAppLog::instance();
    QSignalSpy spy(log, &CAppLog::sigPassMsg);

    const QDateTime before = nowToSecond();
    log->writeLog(message, type, true);
    const QDateTime after = nowToSecond();

    const QByteArray bytes = readAll(onlyDayFile());
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.startsWith('\n'));
    QVERIFY(bytes.endsWith('\n'));
    const QString line = QString::fromUtf8(bytes.mid(1, bytes.size() - 2));
    QVERIFY(!line.contains('\n'));
    QCOMPARE(line.toUtf8(), bytes.mid(1, bytes.size() - 2));   // valid UTF-8

    const QRegularExpressionMatch m = linePattern.match(line);
    QVERIFY2(m.hasMatch(), qPrintable(line));
    const QDateTime stamp = QDateTime::fromString(m.captured(1), "yyyy-MM-dd hh:mm:ss");
    QVERIFY2(stamp >= before && stamp <= after, qPrintable(m.captured(1)));
    QCOMPARE(m.captured(2), prefix + message);

    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), line + "\n");
    QCOMPARE(spy.at(0).at(1).toInt(), type);
}

void TestAppLog::notifyChoosesWhetherThePaneHearsOfIt()
{
    TempWorkDir wd;
    LogReset reset;
    CAppLog *log = CAppLog::instance();
    QSignalSpy spy(log, &CAppLog::sigPassMsg);
    log->writeLog("file only", 0, false);
    log->writeLog("both", 1, true);
    log->writeLog("file only again", 2, false);

    QCOMPARE(spy.count(), 1);
    QVERIFY(spy.at(0).at(0).toString().endsWith("  警告: both\n"));
    const QString text = QString::fromUtf8(readAll(onlyDayFile()));
    QVERIFY(text.contains("  提示: file only\n"));
    QVERIFY(text.contains("  警告: both\n"));
    QVERIFY(text.contains("  错误: file only again\n"));
}

void TestAppLog::prefixesFollowTheInstalledTranslation()
{
    TempWorkDir wd;
    LogReset reset;
    QString error;
    QVERIFY2(writeTranslationFile("log_en.qm",
                                  {{"CAppLog", "提示: ", "Info: "},
                                   {"CAppLog", "警告: ", "Warning: "},
                                   {"CAppLog", "错误: ", "Error: "}},
                                  &error),
             qPrintable(error));
    QTranslator english;
    QVERIFY(english.load("log_en.qm"));

    CAppLog *log = CAppLog::instance();
    log->writeLog("a", 1, false);
    QCoreApplication::installTranslator(&english);
    log->writeLog("b", 1, false);
    log->writeLog("c", 0, false);
    log->writeLog("d", 2, false);
    log->writeLog("e", 5, false);
    QCoreApplication::removeTranslator(&english);
    log->writeLog("f", 1, false);

    QStringList rest;
    for (const QString &line : QString::fromUtf8(readAll(onlyDayFile())).split('\n')) {
        if (!line.isEmpty())
            rest << linePattern.match(line).captured(2);
    }
    QCOMPARE(rest, QStringList({"警告: a", "Warning: b", "Info: c", "Error: d", "e", "警告: f"}));
}

void TestAppLog::writersOnSeveralThreadsNeverShareALine()
{
    TempWorkDir wd;
    LogReset reset;
    CAppLog *log = CAppLog::instance();
    const int threads = 6;
    const int perThread = 400;
    const int width = 3000;  // long lines make a torn write likely if unguarded

    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([log, t] {
            const QString body(width, QChar('A' + t));
            for (int i = 0; i < perThread; ++i)
                log->writeLog(QString("%1 %2").arg(i, 4, 10, QChar('0')).arg(body), t % 3, false);
        });
    }
    for (std::thread &w : writers)
        w.join();

    const QStringList lines = QString::fromUtf8(readAll(onlyDayFile())).split('\n');
    QCOMPARE(lines.size(), threads * perThread + 2);   // leading empty line, trailing end
    QVector<int> nextIndex(threads, 0);
    const QStringList prefixes = {"提示: ", "警告: ", "错误: "};
    for (int n = 1; n <= threads * perThread; ++n) {
        const QRegularExpressionMatch m = linePattern.match(lines[n]);
        QVERIFY2(m.hasMatch(), qPrintable(lines[n].left(80)));
        const QString rest = m.captured(2);
        const int t = rest.right(1).at(0).unicode() - 'A';
        QVERIFY2(t >= 0 && t < threads, qPrintable(rest.left(80)));
        const QString expected = prefixes[t % 3] + QString("%1 ").arg(nextIndex[t]++, 4, 10, QChar('0'))
                                 + QString(width, QChar('A' + t));
        QCOMPARE(rest, expected);
    }
    QCOMPARE(nextIndex, QVector<int>(threads, perThread));
}

QTEST_MAIN(TestAppLog)
#include "tst_applog.moc"
