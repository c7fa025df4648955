// A supply that dies in the middle of a recorded run while another one keeps
// running: the loss is noticed by the echo more than 20 s after the last
// good one, the run's file is closed holding every sample received, and the
// other page records on undisturbed.
#include "devpage_rig.h"
#include "devwidget_klv2400.h"

#include <QDir>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace devpage;

namespace {

struct Bench {
    std::unique_ptr<klvsim::SimSupply> sim;
    std::unique_ptr<DevWidget_KLV2400> page;
    std::unique_ptr<QSignalSpy> samples;
    QDateTime clock = QDateTime::currentDateTime();

    explicit Bench(const QString &ip)
    {
        klvsim::SupplyConfig config;
        config.address = QHostAddress(ip);
        sim.reset(new klvsim::SimSupply(config));
        QString error;
        if (!sim->start(&error))
            qFatal("simulated supply did not start: %s", qPrintable(error));
        sim->setFloatValue(82, 24.5f);
        sim->setFloatValue(84, 3.25f);
        page.reset(new DevWidget_KLV2400);
        page->deviceDriver().setClock([this] { return clock; });
        samples.reset(new QSignalSpy(&page->deviceDriver(), &DevDriver_KLV2400::sigPassSamplingValue));
    }
    bool waitForSamples(int more)
    {
        const int target = samples->count() + more;
        return waitUntil([&] { return samples->count() >= target; }, 10000);
    }
};

QString historyFileOf(const QString &ip)
{
    const QStringList names = QDir("historyData").entryList({ip + "_*.csv"}, QDir::Files);
    return names.size() == 1 ? "historyData/" + names.first() : QString();
}

// The data rows of a file that was closed: header checked, LF-terminated.
QList<QByteArray> rowsOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QByteArray("<unreadable>")};
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("KLV2400Data\ntime,Vol,Cur\n") || !bytes.endsWith('\n'))
        return {QByteArray("<malformed>")};
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    return lines.mid(2);
}

// Every sample received is a row, in order, with the values it carried.
void checkRowsMatchSamples(const QString &path, const QSignalSpy &samples)
{
    const QList<QByteArray> rows = rowsOf(path);
    QCOMPARE(rows.size(), samples.count());
    for (int i = 0; i < rows.size(); ++i) {
        const auto sample = samples.at(i).first().value<ST_SamplingValue>();
        const QList<QByteArray> fields = rows.at(i).split(',');
        QCOMPARE(fields.size(), 3);
        QCOMPARE(fields.at(1), QByteArray::number(double(sample.voltage), 'g', 6));
        QCOMPARE(fields.at(2), QByteArray::number(double(sample.current), 'g', 6));
    }
}

} // namespace

class TestNetFaultLostRun : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;   // before the log's first use

private slots:
    void supplyKilledMidRun();
};

void TestNetFaultLostRun::supplyKilledMidRun()
{
    LogRecorder log;
    MessageBoxAnswerer boxes;
    Bench dying(QStringLiteral("127.0.0.31"));
    Bench living(QStringLiteral("127.0.0.32"));
    QVERIFY(dying.page->openDevice(QStringLiteral("127.0.0.31")));
    QVERIFY(living.page->openDevice(QStringLiteral("127.0.0.32")));
    child<QToolButton>(dying.page.get(), "tbtn_startOutput")->click();
    child<QToolButton>(living.page.get(), "tbtn_startOutput")->click();
    QVERIFY(dying.waitForSamples(5));
    QVERIFY(living.waitForSamples(5));
    const QString dyingFile = historyFileOf("127.0.0.31");
    const QString livingFile = historyFileOf("127.0.0.32");
    QVERIFY(!dyingFile.isEmpty() && !livingFile.isEmpty());

    // The supply goes away with its sockets: every read fails from now on.
    dying.sim.reset();
    const int received = dying.samples->count();
    QVERIFY(living.waitForSamples(3));
    QCOMPARE(dying.samples->count(), received);
    QVERIFY(!log.has(QStringLiteral("127.0.0.31设备连接已断开"), 0));

    // Twenty seconds of silence pass on its clock; its next echo gives up.
    dying.clock = dying.clock.addSecs(21);
    QVERIFY(waitUntil([&] { return boxes.texts.contains(QStringLiteral("127.0.0.31设备连接已断开！")); }, 10000));
    QVERIFY(!dying.page->deviceDriver().echoRunning());
    QVERIFY(!dying.page->deviceDriver().samplingRunning());
    QCOMPARE(dying.samples->count(), received);
    checkRowsMatchSamples(dyingFile, *dying.samples);

    // The other page was never disturbed and records on.
    QVERIFY(living.waitForSamples(5));
    QCOMPARE(living.page->deviceDriver().connectState(), int(ModbusDriver::ConnectedTcp));
    child<QToolButton>(living.page.get(), "tbtn_stopOutput")->click();
    living.page->deviceDriver().onEchoTimeOut();
    QVERIFY(log.has(QStringLiteral("127.0.0.32设备结束输出,数据文件已保存"), 0));
    checkRowsMatchSamples(livingFile, *living.samples);
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("127.0.0.31设备连接已断开！")});
}

QTEST_MAIN(TestNetFaultLostRun)
#include "tst_net_fault_lostrun.moc"
