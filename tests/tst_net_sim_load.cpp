// The simulated output: measurements follow the committed settings, SEQ
// steps through its list files, CHAR ends on its conditions, protections
// trip. Observed through the registers a client reads.

#include "simsupply.h"
#include "testsupport.h"

#include <QtTest>

#include <memory>
#include <set>
#include <utility>

using klvsim::SimListFile;
using klvsim::SimSupply;
using klvsim::SupplyConfig;

class TestSimLoad : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void viFollowsCommittedSettings();
    void noiseStaysSmallAndPowerIsTheProduct();
    void protectionsTrip_data();
    void protectionsTrip();
    void seqRunsListFilesAndLinks();
    void charEndsOnItsConditions();

private:
    TempWorkDir workDir;
    std::unique_ptr<SimSupply> sim;
};

void TestSimLoad::init()
{
    SupplyConfig cfg;
    cfg.noise = 0;
    cfg.loadOhms = 10;
    sim = std::make_unique<SimSupply>(cfg);
    QVERIFY(sim->start());
}

void TestSimLoad::cleanup()
{
    sim.reset();
}

void TestSimLoad::viFollowsCommittedSettings()
{
    sim->setFloatValue(82, 12);
    sim->setFloatValue(84, 2);
    sim->panelSetOutput(true);
    QCOMPARE(sim->floatValue(10), 12.0f);
    QCOMPARE(sim->floatValue(12), 1.2f);
    QCOMPARE(sim->floatValue(14), 12.0f * 1.2f);
    QCOMPARE(sim->value(8) & 1, 1u);
    // The current limit takes over.
    sim->setFloatValue(84, 0.5f);
    QVERIFY(waitUntil([&] { return sim->floatValue(12) == 0.5f; }, 2000));
    QCOMPARE(sim->floatValue(10), 5.0f);
    sim->panelSetOutput(false);
    QCOMPARE(sim->floatValue(10), 0.0f);
    QCOMPARE(sim->floatValue(12), 0.0f);
}

void TestSimLoad::noiseStaysSmallAndPowerIsTheProduct()
{
    sim.reset();
    SupplyConfig cfg;
    cfg.noise = 0.01;
    sim = std::make_unique<SimSupply>(cfg);
    QVERIFY(sim->start());
    sim->setFloatValue(82, 20);
    sim->setFloatValue(84, 10);
    sim->panelSetOutput(true);
    std::set<float> seen;
    QVERIFY(waitUntil([&] {
        const float v = sim->floatValue(10), i = sim->floatValue(12);
        if (v < 19.8f || v > 20.2f || i < 1.98f || i > 2.02f)
            return true;   // fails below
        if (!qFuzzyCompare(sim->floatValue(14), v * i))
            return true;
        seen.insert(v);
        return seen.size() >= 3;
    }, 3000));
    QVERIFY(seen.size() >= 3);
}

void TestSimLoad::protectionsTrip_data()
{
    QTest::addColumn<int>("reg");
    QTest::addColumn<float>("level");
    QTest::addColumn<int>("alarm");
    QTest::newRow("OVP") << 122 << 10.0f << 9;
    QTest::newRow("OCP") << 124 << 1.0f << 10;
    QTest::newRow("OPP") << 126 << 10.0f << 8;
    QTest::newRow("LVP") << 128 << 13.0f << 11;
}

void TestSimLoad::protectionsTrip()
{
    QFETCH(int, reg);
    QFETCH(float, level);
    QFETCH(int, alarm);
    sim->setFloatValue(82, 12);
    sim->setFloatValue(84, 2);   // 12 V, 1.2 A, 14.4 W on 10 ohms
    sim->panelSetOutput(true);
    QCOMPARE(sim->alarmCode(), 0);
    sim->setFloatValue(quint16(reg), level);
    QVERIFY(waitUntil([&] { return sim->alarmCode() == alarm; }, 2000));
    QVERIFY(!sim->outputOn());
    QCOMPARE((sim->value(8) >> 11) & 0x1F, quint32(alarm));
    QCOMPARE(sim->value(8) & 1, 0u);
    // Switching on again trips at once until the level is sane.
    sim->raiseAlarm(0);
    sim->panelSetOutput(true);
    QCOMPARE(sim->alarmCode(), alarm);
}

void TestSimLoad::seqRunsListFilesAndLinks()
{
    SimListFile first;
    first.cycleTimes = 2;
    first.linkListNumber = 4;
    first.steps = {{3, 2, 0.3f}, {6, 2, 0.3f}};
    SimListFile linked;
    linked.cycleTimes = 1;
    linked.steps = {{9, 2, 0.3f}};
    sim->setListFile(2, first);
    sim->setListFile(4, linked);
    sim->setValue(228, 2);
    sim->setValue(28, 3);
    sim->panelSetOutput(true);
    QCOMPARE((sim->value(8) >> 4) & 0xF, 3u);
    std::set<std::pair<quint32, int>> seen;   // running data, volts
    QVERIFY(waitUntil([&] {
        if (sim->outputOn())
            seen.insert({sim->value(230), qRound(sim->floatValue(10))});
        return !sim->outputOn();
    }, 5000));
    const std::set<std::pair<quint32, int>> expected = {
        {0x10001, 3}, {0x10002, 6}, {0x20001, 3}, {0x20002, 6}, {0x10001, 9}};
    QCOMPARE(seen, expected);
}

void TestSimLoad::charEndsOnItsConditions()
{
    sim->setValue(28, 4);
    for (const auto &f : QList<QPair<quint16, float>>{{232, 14.4f}, {234, 5}, {236, 0}, {238, 0}, {240, 0}})
        sim->setFloatValue(f.first, f.second);
    sim->setValue(242, 0);
    sim->panelSetOutput(true);
    QCOMPARE(sim->floatValue(12), 5.0f);
    const float start = sim->floatValue(10);
    QVERIFY(start > 11 && start < 14.4f);
    // Without an end condition the charge goes on; the voltage rises.
    QVERIFY(waitUntil([&] { return sim->floatValue(10) > start; }, 3000));
    QVERIFY(sim->outputOn());
    sim->panelSetOutput(false);

    // End time.
    sim->setValue(242, 1);
    sim->panelSetOutput(true);
    QVERIFY(waitUntil([&] { return !sim->outputOn(); }, 4000));
    QCOMPARE(sim->alarmCode(), 0);

    // End voltage, a little above the starting voltage.
    sim->setValue(242, 0);
    sim->setFloatValue(236, start + 0.05f);
    sim->panelSetOutput(true);
    QVERIFY(sim->outputOn());
    QVERIFY(waitUntil([&] { return !sim->outputOn(); }, 4000));
}

QTEST_GUILESS_MAIN(TestSimLoad)
#include "tst_net_sim_load.moc"
