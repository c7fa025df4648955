// Recording runs of a simulated supply: the CSV file of each run, the live
// curves and pausing them, closing the file whichever way a run ends,
// importing a recorded run back and the snapshot of both plots.

#include "devpage_rig.h"
#include "devwidget_klv2400.h"
#include "filedialoganswerer.h"
#include "mycustomplot.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace devpage;
using klvsim::FaultKind;
using klvsim::SimSupply;

namespace {

const QString kHost = QStringLiteral("127.0.0.21");

QCPGraph *graphOf(MyCustomPlot *plot)
{
    return static_cast<QCustomPlot *>(plot)->graph(0);
}

QByteArray sixDigits(double v)
{
    return QByteArray::number(v, 'g', 6);
}

} // namespace

class TestNetDevPageHistory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void runRecordsEverySampleAndImportsBack();
    void pausedSamplesDrawnInOneStepOnResume();
    void runEndingWhilePausedKeepsEveryRow();
    void fileClosedAndComplete_data();
    void fileClosedAndComplete();
    void panelRunHasNoFile();
    void unwritableFileIsNotReportedSaved_data();
    void unwritableFileIsNotReportedSaved();
    void importRefusedWhileOutputOn();
    void snapshotOfLiveCurves();

private:
    void startSim();
    bool openPage(bool fakeClock = false);
    bool startRun(int samples);
    bool waitForSamples(int more);
    QString onlyHistoryFile() const;
    QList<QByteArray> rows(const QString &path) const;
    void echo() { page->deviceDriver().onEchoTimeOut(); }
    template <typename T>
    T *w(const char *name) { return child<T>(page.get(), name); }
    MyCustomPlot *volPlot() { return w<MyCustomPlot>("widget_plot_Vol"); }
    MyCustomPlot *curPlot() { return w<MyCustomPlot>("widget_plot_Cur"); }

    TempWorkDir workDir;   // before the log's first use
    std::unique_ptr<SimSupply> sim;
    std::unique_ptr<DevWidget_KLV2400> page;
    std::unique_ptr<LogRecorder> log;
    std::unique_ptr<QSignalSpy> samples;
    QDateTime clock;
};

void TestNetDevPageHistory::init()
{
    log.reset(new LogRecorder);
}

void TestNetDevPageHistory::cleanup()
{
    samples.reset();
    page.reset();
    sim.reset();
    log.reset();
    for (const char *folder : {"historyData", "plotShot"}) {
        const QString path = workDir.path() + "/" + folder;
        QDir(path).removeRecursively();
        QFile::remove(path);
    }
}

void TestNetDevPageHistory::startSim()
{
    klvsim::SupplyConfig config;
    config.address = QHostAddress(kHost);
    sim.reset(new SimSupply(config));
    QString error;
    if (!sim->start(&error))
        qFatal("simulated supply did not start: %s", qPrintable(error));
    sim->setFloatValue(82, 24.5f);   // VI set point: the load gives a live reading
    sim->setFloatValue(84, 3.25f);
}

bool TestNetDevPageHistory::openPage(bool fakeClock)
{
    page.reset(new DevWidget_KLV2400);
    if (fakeClock) {
        clock = QDateTime::currentDateTime();
        page->deviceDriver().setClock([this] { return clock; });
    }
    page->resize(1200, 800);
    page->show();
    samples.reset(new QSignalSpy(&page->deviceDriver(), &DevDriver_KLV2400::sigPassSamplingValue));
    return page->openDevice(kHost);
}

bool TestNetDevPageHistory::waitForSamples(int more)
{
    const int target = samples->count() + more;
    return waitUntil([&] { return samples->count() >= target; }, 10000);
}

bool TestNetDevPageHistory::startRun(int count)
{
    w<QToolButton>("tbtn_startOutput")->click();
    return sim->outputOn() && waitForSamples(count);
}

QString TestNetDevPageHistory::onlyHistoryFile() const
{
    const QStringList names = QDir(workDir.path() + "/historyData").entryList({"*.csv"}, QDir::Files);
    return names.size() == 1 ? workDir.path() + "/historyData/" + names.first() : QString();
}

// The data rows of a complete file: header checked, every line LF-terminated.
QList<QByteArray> TestNetDevPageHistory::rows(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("KLV2400Data\ntime,Vol,Cur\n") || !bytes.endsWith('\n') || bytes.contains('\r'))
        return {QByteArray("<malformed>")};
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    return lines.mid(2);
}

void TestNetDevPageHistory::runRecordsEverySampleAndImportsBack()
{
    startSim();
    QVERIFY(openPage());
    const QDateTime before = QDateTime::currentDateTime();
    QVERIFY(startRun(8));
    const QDateTime after = QDateTime::currentDateTime();

    // Named after the page's IP and the start time.
    const QString path = onlyHistoryFile();
    const QRegularExpression name("/127\\.0\\.0\\.21_(\\d{14})\\.csv$");
    const QRegularExpressionMatch m = name.match(path);
    QVERIFY2(m.hasMatch(), qPrintable(path));
    const QDateTime stamp = QDateTime::fromString(m.captured(1), "yyyyMMddhhmmss");
    QVERIFY(stamp >= before.addMSecs(-before.time().msec()) && stamp <= after);

    w<QToolButton>("tbtn_stopOutput")->click();
    echo();
    QVERIFY(!sim->outputOn());
    QVERIFY(log->has(QStringLiteral("127.0.0.21设备结束输出,数据文件已保存"), 0));
    const int received = samples->count();
    QTest::qWait(250);
    QCOMPARE(samples->count(), received);   // sampling stopped with the run

    const QList<QByteArray> lines = rows(path);
    QCOMPARE(lines.size(), received);
    QVERIFY(lines.first().startsWith("0,"));
    double previous = 0;
    for (int i = 0; i < received; ++i) {
        const auto sample = samples->at(i).first().value<ST_SamplingValue>();
        const QList<QByteArray> fields = lines.at(i).split(',');
        QCOMPARE(fields.size(), 3);
        QVERIFY(fields.at(0).toDouble() >= previous);
        previous = fields.at(0).toDouble();
        QCOMPARE(fields.at(1), sixDigits(sample.voltage));
        QCOMPARE(fields.at(2), sixDigits(sample.current));
    }
    // The curves hold the same points as the file.
    QCOMPARE(graphOf(volPlot())->dataCount(), received);
    QCOMPARE(graphOf(curPlot())->dataCount(), received);

    // Importing the file back gives the run's values to six digits.
    volPlot()->clearPlot();
    curPlot()->clearPlot();
    {
        FileDialogAnswerer picker(path);
        w<QToolButton>("tbtn_plotImport")->click();
        QCOMPARE(picker.titles, QStringList{QStringLiteral("选择文件")});
    }
    QVERIFY(!w<QWidget>("lab_csvFileName")->isHidden());
    QCOMPARE(w<QLabel>("lab_importPlotName")->text(), QFileInfo(path).fileName());
    QCOMPARE(graphOf(volPlot())->dataCount(), received);
    for (int i = 0; i < received; ++i) {
        const auto sample = samples->at(i).first().value<ST_SamplingValue>();
        QCOMPARE(sixDigits(graphOf(volPlot())->data()->at(i)->value), sixDigits(sample.voltage));
        QCOMPARE(sixDigits(graphOf(curPlot())->data()->at(i)->value), sixDigits(sample.current));
        QCOMPARE(sixDigits(graphOf(curPlot())->data()->at(i)->key), lines.at(i).split(',').first());
    }

    // The next run starts from clean plots and hides the import labels.
    QVERIFY(startRun(1));
    QVERIFY(w<QWidget>("lab_csvFileName")->isHidden());
    QVERIFY(w<QWidget>("lab_importPlotName")->isHidden());
    QVERIFY(graphOf(volPlot())->dataCount() < received);
}

void TestNetDevPageHistory::pausedSamplesDrawnInOneStepOnResume()
{
    startSim();
    QVERIFY(openPage());
    QVERIFY(startRun(2));
    auto *pause = w<QToolButton>("tbtn_plotPause");
    pause->click();
    QVERIFY(pause->isChecked());
    const int drawn = graphOf(volPlot())->dataCount();
    QCOMPARE(drawn, samples->count());
    QVERIFY(waitForSamples(4));
    QCOMPARE(graphOf(volPlot())->dataCount(), drawn);   // nothing drawn while paused
    QCOMPARE(graphOf(curPlot())->dataCount(), drawn);

    const int received = samples->count();
    pause->click();                                    // resume: all of them at once
    QCOMPARE(graphOf(volPlot())->dataCount(), received);
    QCOMPARE(graphOf(curPlot())->dataCount(), received);
    const auto last = samples->last().first().value<ST_SamplingValue>();
    QCOMPARE(graphOf(curPlot())->data()->at(received - 1)->value, double(last.current));
    QCOMPARE(volPlot()->xAxis->range().upper, graphOf(volPlot())->data()->at(received - 1)->key);

    // Unchecked without its click, the buffer goes out with the next sample.
    pause->setChecked(true);
    QVERIFY(waitForSamples(3));
    const int buffered = samples->count();
    pause->setChecked(false);
    QCOMPARE(graphOf(volPlot())->dataCount(), received);
    QVERIFY(waitForSamples(1));
    QCOMPARE(graphOf(volPlot())->dataCount(), samples->count());
    QVERIFY(samples->count() > buffered);
    const auto keys = graphOf(volPlot())->data();
    for (int i = 1; i < keys->size(); ++i)
        QVERIFY(keys->at(i - 1)->key <= keys->at(i)->key);
}

void TestNetDevPageHistory::runEndingWhilePausedKeepsEveryRow()
{
    startSim();
    QVERIFY(openPage());
    QVERIFY(startRun(1));
    w<QToolButton>("tbtn_plotPause")->click();
    QVERIFY(waitForSamples(4));
    w<QToolButton>("tbtn_stopOutput")->click();
    echo();
    // Rows were written as the samples came, not when the curves resumed.
    QCOMPARE(rows(onlyHistoryFile()).size(), samples->count());
    QVERIFY(graphOf(volPlot())->dataCount() < samples->count());
}

void TestNetDevPageHistory::fileClosedAndComplete_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("outputLeftOn");
    QTest::newRow("run end") << "run end" << false;
    QTest::newRow("lost supply") << "lost" << true;
    QTest::newRow("disconnect, output left on") << "否" << true;
    QTest::newRow("disconnect, output off") << "是" << false;
    QTest::newRow("page destroyed") << "destroyed" << true;
}

void TestNetDevPageHistory::fileClosedAndComplete()
{
    QFETCH(QString, how);
    QFETCH(bool, outputLeftOn);
    startSim();
    QVERIFY(openPage(how == "lost"));
    QVERIFY(startRun(3));
    const QString path = onlyHistoryFile();
    QVERIFY(!path.isEmpty());

    MessageBoxAnswerer answerer(how);
    if (how == "run end") {
        sim->panelSetOutput(false);
        echo();
    } else if (how == "lost") {
        sim->addFault(fault(FaultKind::Silent, -1, -1));
        clock = clock.addSecs(25);
        echo();
        QCOMPARE(answerer.texts, QStringList{QStringLiteral("127.0.0.21设备连接已断开！")});
    } else if (how == "destroyed") {
        page.reset();
    } else {
        w<QToolButton>("tbtn_disconnectDev")->click();
        QCOMPARE(answerer.texts, QStringList{QStringLiteral("当前设备正在输出,是否关闭输出？")});
        QVERIFY(log->has(QStringLiteral("127.0.0.21设备连接已断开"), 0));
    }
    QCOMPARE(sim->outputOn(), outputLeftOn);
    const int received = samples->count();
    QTest::qWait(250);   // no sampling goes on behind a closed file
    QCOMPARE(samples->count(), received);
    QCOMPARE(rows(path).size(), received);
}

void TestNetDevPageHistory::panelRunHasNoFile()
{
    startSim();
    QVERIFY(openPage());
    sim->panelSetOutput(true);
    echo();
    QVERIFY(!w<QWidget>("widget_isOutput")->isHidden());
    QVERIFY(waitForSamples(3));
    QCOMPARE(graphOf(volPlot())->dataCount(), samples->count());   // plotted all the same
    sim->panelSetOutput(false);
    echo();
    QVERIFY(QDir(workDir.path() + "/historyData").entryList(QDir::Files).isEmpty());
    QVERIFY(log->has(QStringLiteral("127.0.0.21设备结束输出"), 0));
    QCOMPARE(log->count(QStringLiteral("数据文件")), 0);

    // A page run after it is recorded again.
    QVERIFY(startRun(2));
    QVERIFY(!onlyHistoryFile().isEmpty());
}

void TestNetDevPageHistory::unwritableFileIsNotReportedSaved_data()
{
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("folder cannot be made") << false;
    QTest::newRow("disk full") << true;
}

void TestNetDevPageHistory::unwritableFileIsNotReportedSaved()
{
    QFETCH(bool, diskFull);
    const QString folder = workDir.path() + "/historyData";
    if (diskFull) {
        if (!QFile::exists("/dev/full"))
            QSKIP("no /dev/full to stand for a full disk");
        // Every name the run can get in the next seconds leads to a full disk.
        QVERIFY(QDir().mkpath(folder));
        const QDateTime now = QDateTime::currentDateTime();
        for (int s = -1; s < 15; ++s)
            QVERIFY(QFile::link("/dev/full", folder + "/127.0.0.21_"
                                                 + now.addSecs(s).toString("yyyyMMddhhmmss") + ".csv"));
    } else {
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    startSim();
    QVERIFY(openPage());
    QVERIFY(startRun(3));
    QCOMPARE(graphOf(volPlot())->dataCount(), samples->count());   // the run goes on
    sim->panelSetOutput(false);
    echo();
    QVERIFY(log->has(QStringLiteral("127.0.0.21设备结束输出，数据文件未能完整写入！"), 2));
    QCOMPARE(log->count(QStringLiteral("数据文件已保存")), 0);
    QCOMPARE(log->count(QStringLiteral("数据文件无法创建")), diskFull ? 0 : 1);

    // Reported once: a following run from the supply's panel has no file.
    sim->panelSetOutput(true);
    echo();
    QVERIFY(waitForSamples(1));
    sim->panelSetOutput(false);
    echo();
    QVERIFY(log->has(QStringLiteral("127.0.0.21设备结束输出"), 0));
    QCOMPARE(log->count(QStringLiteral("未能完整写入")), 1);
}

void TestNetDevPageHistory::importRefusedWhileOutputOn()
{
    startSim();
    QVERIFY(openPage());
    QVERIFY(startRun(2));
    MessageBoxAnswerer answerer;
    FileDialogAnswerer picker(workDir.path() + "/none.csv");
    const int drawn = graphOf(volPlot())->dataCount();
    w<QToolButton>("tbtn_plotImport")->click();
    QCOMPARE(answerer.titles, QStringList{QStringLiteral("提示")});
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("设备正在输出，请在空闲时导入曲线！")});
    QVERIFY(picker.titles.isEmpty());
    QCOMPARE(graphOf(volPlot())->dataCount(), drawn);
    QVERIFY(w<QWidget>("lab_importPlotName")->isHidden());
}

void TestNetDevPageHistory::snapshotOfLiveCurves()
{
    startSim();
    QVERIFY(openPage());
    QVERIFY(startRun(5));
    MessageBoxAnswerer answerer;
    const QDateTime before = QDateTime::currentDateTime();
    w<QToolButton>("tbtn_plotPDFPrint")->click();
    const QString folder = workDir.path() + "/plotShot/";
    QCOMPARE(answerer.titles, QStringList{QStringLiteral("保存成功")});
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("曲线图片已保存至") + QDir::currentPath() + "/plotShot/"});

    const QStringList names = QDir(folder).entryList(QDir::Files);
    QCOMPARE(names.size(), 1);
    const QRegularExpressionMatch m = QRegularExpression("^127\\.0\\.0\\.21_(\\d{14})\\.png$").match(names.first());
    QVERIFY2(m.hasMatch(), qPrintable(names.first()));
    const QDateTime stamp = QDateTime::fromString(m.captured(1), "yyyyMMddhhmmss");
    QVERIFY(stamp >= before.addMSecs(-before.time().msec()) && stamp <= QDateTime::currentDateTime());

    QImage shot(folder + names.first(), "PNG");
    QVERIFY(!shot.isNull());
    QCOMPARE(shot.size(), w<QWidget>("widget_13")->size());
    // The voltage plot's background fills the top left corner.
    QCOMPARE(shot.pixelColor(2, 2), QColor(0, 65, 0));
}

QTEST_MAIN(TestNetDevPageHistory)
#include "tst_net_devpage_history.moc"
