// The klv2400-sim program as a separate process: started with one command,
// it serves three supplies and takes commands on standard input.

#include "simrawclient.h"
#include "testsupport.h"

#include <QProcess>
#include <QtTest>

using namespace rawclient;

class TestSimProgram : public QObject
{
    Q_OBJECT

private slots:
    void helpExplainsOptionsWithExamples();
    void badOptionsAreRefused_data();
    void badOptionsAreRefused();
    void threeSuppliesWithOneCommand();

private:
    QString program() const;
    TempWorkDir workDir;
};

QString TestSimProgram::program() const
{
    QString dir = qEnvironmentVariable("KLV_BIN_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    return dir + QStringLiteral("/klv2400-sim");
}

void TestSimProgram::helpExplainsOptionsWithExamples()
{
    QProcess p;
    p.start(program(), {"--help"});
    QVERIFY2(p.waitForFinished(10000), qPrintable(program()));
    QCOMPARE(p.exitCode(), 0);
    const QString text = QString::fromLocal8Bit(p.readAllStandardOutput());
    for (const char *option : {"--count", "--address", "--modbus-port", "--udp-port", "--any-sender", "--verbose",
                               "--fault", "--identity", "never-answer", "short-devinfo", "refuse-name"})
        QVERIFY2(text.contains(QLatin1String(option)), option);
    QVERIFY(text.count(QStringLiteral("Example")) >= 10);
}

void TestSimProgram::badOptionsAreRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("non-loopback address") << QStringList{"--address", "10.0.0.2"};
    QTest::newRow("unknown fault") << QStringList{"--fault", "slow"};
    QTest::newRow("fault for a missing supply") << QStringList{"--count", "2", "--fault", "3:silent"};
    QTest::newRow("port out of range") << QStringList{"--modbus-port", "70000"};
    QTest::newRow("unknown option") << QStringList{"--colour"};
}

void TestSimProgram::badOptionsAreRefused()
{
    QFETCH(QStringList, args);
    QProcess p;
    p.start(program(), args);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(!p.readAllStandardError().isEmpty());
}

void TestSimProgram::threeSuppliesWithOneCommand()
{
    QProcess p;
    p.start(program(), {"--fault", "2:silent,udp,fn=3,times=1"});
    QVERIFY(p.waitForStarted(10000));
    QByteArray out;
    QVERIFY2(waitUntil([&] {
        out += p.readAllStandardOutput();
        return out.contains("type help") || p.state() != QProcess::Running;
    }, 10000), out.constData());
    QVERIFY2(out.contains("type help"), (out + p.readAllStandardError()).constData());
    // The address and ports of each supply.
    for (const char *line : {"127.0.0.11 device 1, Modbus TCP 502, UDP 7000",
                             "127.0.0.12 device 2, Modbus TCP 502, UDP 7000",
                             "127.0.0.13 device 3, Modbus TCP 502, UDP 7000"})
        QVERIFY2(out.contains(line), line);

    Udp client;
    client.send(hex("0042eeee6ddc"), QStringLiteral("255.255.255.255"));
    const QList<QNetworkDatagram> replies = client.collect(3, 5000);
    QCOMPARE(replies.size(), 3);

    // The fault given at start: supply 2 stays quiet once.
    client.send(withCrc(hex("020300080008")), QStringLiteral("127.0.0.12"));
    QCOMPARE(client.collect(1, 200).size(), 0);
    client.send(withCrc(hex("020300080008")), QStringLiteral("127.0.0.12"));
    QCOMPARE(client.collect(1).value(0).data().size(), 21);

    // A command on standard input: the front panel switches supply 3 on.
    p.write("output 3 on\n");
    Tcp tcp;
    QVERIFY(tcp.open(QStringLiteral("127.0.0.13")));
    QVERIFY(waitUntil([&] { return at32(tcp.transact(readRequest(1, 8, 2), 13), 9) & 1; }, 5000));

    p.write("quit\n");
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestSimProgram)
#include "tst_net_sim_program.moc"
