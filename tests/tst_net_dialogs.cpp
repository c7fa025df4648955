// The settings dialog and the sequence list editor against a simulated
// supply over a real Modbus TCP connection: what they read, and exactly
// which registers and values they write back.

#include "capplog.h"
#include "devdriver_klv2400.h"
#include "doublespinboxdelegate.h"
#include "listsettingdialog.h"
#include "readonlydelegate.h"
#include "simsupply.h"
#include "systemsettingdialog.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

#include <cstring>
#include <memory>

using namespace klvsim;
using Rows = QList<QVariantList>;
using Writes = QList<QPair<int, quint32>>;

namespace {

const QString kHost = QStringLiteral("127.0.0.11");
const QString kSaved = QStringLiteral("列表文件1参数设置成功！");
const QList<int> kSystemRegs{96, 122, 124, 126, 128, 166, 168, 204, 206, 48};

quint32 floatBits(float v) { quint32 b; std::memcpy(&b, &v, 4); return b; }
quint16 be16(const QByteArray &f, int at) { return quint16((quint8(f.at(at)) << 8) | quint8(f.at(at + 1))); }

// Start address and value of every request with this function code; the
// value is that of a one-value write.
Writes requests(const SimSupply &sim, int function = 0x10)
{
    Writes seen;
    for (const QByteArray &f : sim.modbusRequests())
        if (f.size() >= 10 && quint8(f.at(7)) == function)
            seen.append({be16(f, 8), f.size() == 17 ? (quint32(be16(f, 13)) << 16) | be16(f, 15) : 0});
    return seen;
}

quint32 written(const SimSupply &sim, int reg)
{
    quint32 value = 0xDEADBEEF;
    for (const auto &w : requests(sim))
        value = w.first == reg ? w.second : value;
    return value;
}

template <typename T = QWidget>
T *ch(QObject *parent, const QString &name) { return parent->findChild<T *>(name); }
void click(QObject *d, const char *button) { QTest::mouseClick(ch<QPushButton>(d, button), Qt::LeftButton); }
QComboBox *combo(QObject *d, const char *name) { return ch<QComboBox>(d, name); }
QSpinBox *spin(QObject *d, const char *name) { return ch<QSpinBox>(d, name); }
QLineEdit *edit(QObject *d, const char *name) { return ch<QLineEdit>(d, name); }
QAbstractItemModel *model(QObject *d) { return ch<QTableView>(d, "tableView")->model(); }
QVariantList row(int step, double v, double c, double d) { return {step, v, c, d}; }
void setCell(QObject *d, int r, int c, double v) { model(d)->setData(model(d)->index(r, c), v); }

// Types the way the user does, so validators and editing-finished apply.
void typeInto(QWidget *w, const QString &text, bool finish = false)
{
    w->setFocus();
    if (auto *e = qobject_cast<QLineEdit *>(w))
        e->clear();
    else
        static_cast<QAbstractSpinBox *>(w)->selectAll();
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    if (finish)
        QTest::keyClick(w, Qt::Key_Return);
}

Rows tableRows(QObject *d)
{
    QAbstractItemModel *m = model(d);
    Rows rows;
    for (int r = 0; r < m->rowCount(); ++r)
        rows << QVariantList{m->data(m->index(r, 0)), m->data(m->index(r, 1)), m->data(m->index(r, 2)),
                             m->data(m->index(r, 3))};
    return rows;
}

} // namespace

class TestNetDialogs : public QObject
{
    Q_OBJECT

    TempWorkDir workDir;
    std::unique_ptr<MessageBoxAnswerer> boxes;
    std::unique_ptr<QDialog> dialog;
    SimSupply *sim = nullptr;
    DevDriver_KLV2400 driver;
    QList<QPair<QString, int>> logLines;

    QDialog *openSettings(int tab = 0)
    {
        dialog.reset(new SystemSettingDialog(&driver, ST_DevInfo{60, 0, 20, 0, 1200, 0, 20, 200}));
        ch<QTabWidget>(dialog.get(), "tabWidget")->setCurrentIndex(tab);
        return dialog.get();
    }
    ListSettingDialog *openEditor(bool withLimits = true)
    {
        auto *d = new ListSettingDialog(&driver);
        dialog.reset(d);
        if (withLimits)
            d->setListLimits(0, 60, 0, 20, 20, 200);
        return d;
    }
    bool logged(const QString &message, int type) const
    {
        return logLines.contains({QStringLiteral("%1%2\n").arg(kHost, message), type});
    }
    QStringList texts() const { return boxes->texts; }
    void expectBox(const QString &text) const
    {
        QCOMPARE(boxes->titles.last(), QStringLiteral("提示"));
        QCOMPARE(texts().last(), text);
    }

private slots:
    void initTestCase()
    {
        connect(CAppLog::instance(), &CAppLog::sigPassMsg, this, [this](QString msg, int type) {
            logLines.append({msg.mid(msg.indexOf(kHost)), type});   // without the time stamp
        });
        SupplyConfig config;
        config.address = QHostAddress(kHost);
        config.listFileCount = 20;
        config.listStepMax = 200;
        sim = new SimSupply(config, this);
        QString error;
        QVERIFY2(sim->start(&error), qPrintable(error));
        driver.initTransport();
        QVERIFY(driver.connectDevice(kHost, 502));
    }

    void init()
    {
        sim->clearFaults();
        for (auto rv : Writes{{96, 1}, {166, 30}, {168, 1}, {204, 77}, {206, 0}, {172, 0x0164A8C0}, {174, 0x00FFFFFF},
                              {176, 0xFE64A8C0}, {188, 1}, {190, 4}, {198, 2}, {200, 1}, {202, 17}})
            sim->setValue(quint16(rv.first), rv.second);
        for (auto rv : QList<QPair<int, float>>{{122, 12.5f}, {124, 3.25f}, {126, 500.0f}, {128, 2.5f}})
            sim->setFloatValue(quint16(rv.first), rv.second);
        sim->setListFile(1, SimListFile{"FILE1", 3, 2, {{1.5f, 0.5f, 1.0f}, {2.0f, 1.0f, 2.5f}, {3.25f, 1.5f, 0.1f}}});
        sim->setListFile(2, SimListFile{"SECOND", 7, 0, {{10.0f, 2.0f, 5.0f}, {0.0f, 0.0f, 86400.0f}}});
        driver.samplingInterval = 2000;
        sim->clearRecords();
        logLines.clear();
        boxes.reset(new MessageBoxAnswerer);
    }

    void cleanup() { dialog.reset(); }

    // ------------------------------------------------------------ settings

    void eachTabWritesOnlyItsRegisters()
    {
        QDialog *d = openSettings();
        d->show();
        QCOMPARE(combo(d, "cbox_intervalTime")->currentIndex(), 4);   // 2s
        QCOMPARE(edit(d, "edit_ipAddr")->text(), QStringLiteral("192.168.100.1"));
        combo(d, "cbox_priority")->setCurrentIndex(0);
        ch<QDoubleSpinBox>(d, "dsbox_overVol")->setValue(13.75);
        combo(d, "cbox_keyboardSound")->setCurrentIndex(1);
        combo(d, "cbox_intervalTime")->setCurrentIndex(5);   // 5s
        edit(d, "edit_ipAddr")->setText(QStringLiteral("10.0.0.2"));
        combo(d, "cbox_protocol")->setCurrentIndex(0);
        spin(d, "sbox_devAddr")->setValue(200);
        sim->clearRecords();
        click(d, "btn_ok");
        // Hidden rows (204, 188) are still written back as read; 48 commits. Nothing is read back.
        QCOMPARE(requests(*sim), (Writes{{96, 0}, {122, floatBits(13.75f)}, {124, floatBits(3.25f)},
                                         {126, floatBits(500.0f)}, {128, floatBits(2.5f)}, {166, 30}, {168, 1},
                                         {204, 77}, {206, 1}, {48, 1}}));
        QVERIFY(requests(*sim, 0x03).isEmpty());
        QCOMPARE(driver.samplingInterval, 5000);
        QVERIFY(logged(QStringLiteral("系统参数设置成功"), 0));
        QCOMPARE(texts(), QStringList{QStringLiteral("系统参数设置成功！")});
        QVERIFY(d->isVisible());   // stays open

        ch<QTabWidget>(d, "tabWidget")->setCurrentIndex(1);
        combo(d, "cbox_intervalTime")->setCurrentIndex(0);   // system tab: not sent from here
        sim->clearRecords();
        click(d, "btn_ok");
        // Address bytes 10, 0, 0, 2 from low to high.
        QCOMPARE(requests(*sim), (Writes{{172, 0x0200000A}, {174, 0x00FFFFFF}, {176, 0xFE64A8C0}, {188, 1},
                                         {190, 4}, {198, 2}, {200, 0}, {202, 200}, {48, 1}}));
        QCOMPARE(driver.samplingInterval, 5000);
        QVERIFY(logged(QStringLiteral("连接参数设置成功"), 0));
        expectBox(QStringLiteral("连接参数设置成功！"));
    }

    // No commit and no new sampling interval unless every write worked.
    void failedWriteSendsNoCommitAndKeepsInterval()
    {
        for (auto [tab, failing, sentCount] : {std::make_tuple(0, 122, 2), {0, 48, 10}, {1, 174, 2}}) {
            QDialog *d = openSettings(tab);
            combo(d, "cbox_intervalTime")->setCurrentIndex(7);
            sim->clearRecords();
            sim->addFault(FaultRule{FaultKind::Exception, 0x10, failing});
            const int commits = sim->commitCount();
            click(d, "btn_ok");
            sim->clearFaults();
            QCOMPARE(requests(*sim).size(), sentCount);
            QCOMPARE(sim->commitCount(), commits);
            QCOMPARE(driver.samplingInterval, 2000);
            const QString group = tab == 0 ? QStringLiteral("系统参数设置失败") : QStringLiteral("连接参数设置失败");
            QVERIFY(logged(group, 2));
            expectBox(group + QStringLiteral("！"));
            QCOMPARE(combo(d, "cbox_intervalTime")->currentIndex(), 7);   // the user's choice stays
        }
    }

    void oddValuesAreWrittenBackAsReadOrClamped_data()
    {
        QTest::addColumn<int>("reg");
        QTest::addColumn<double>("stored");
        QTest::addColumn<double>("sent");
        // A combo value no item matches goes back as read (the supply may refuse it), never as -1.
        QTest::newRow("priority 7") << 96 << 7.0 << 7.0;
        QTest::newRow("protocol 3") << 200 << 3.0 << 3.0;
        QTest::newRow("over-voltage above limit (float)") << 122 << 75.0 << 60.0;
        QTest::newRow("low voltage below 0 (float)") << 128 << -3.0 << 0.0;
        QTest::newRow("stop delay") << 166 << 5000000.0 << 3600000.0;
        QTest::newRow("hidden watchdog") << 204 << 9999.0 << 3600.0;
        QTest::newRow("device address 0") << 202 << 0.0 << 1.0;
        QTest::newRow("device address 247") << 202 << 247.0 << 247.0;
        QTest::newRow("device address 248") << 202 << 248.0 << 247.0;
    }

    void oddValuesAreWrittenBackAsReadOrClamped()
    {
        QFETCH(int, reg);
        QFETCH(double, stored);
        QFETCH(double, sent);
        const bool isFloat = reg == 122 || reg == 128;
        driver.samplingInterval = 150;   // not in the list: no selection, and kept
        isFloat ? sim->setFloatValue(quint16(reg), float(stored)) : sim->setValue(quint16(reg), quint32(stored));
        QDialog *d = openSettings(kSystemRegs.contains(reg) ? 0 : 1);
        QCOMPARE(combo(d, "cbox_intervalTime")->currentIndex(), -1);
        sim->clearRecords();
        click(d, "btn_ok");
        QCOMPARE(written(*sim, reg), isFloat ? floatBits(float(sent)) : quint32(sent));
        QCOMPARE(driver.samplingInterval, 150);
    }

    void failedReadShowsBoxAndWritesNothing()
    {
        sim->addFault(FaultRule{FaultKind::Exception, 0x03, 122});
        QDialog *d = openSettings();
        expectBox(QStringLiteral("配置参数获取失败！"));
        QCOMPARE(ch<QDoubleSpinBox>(d, "dsbox_overVol")->value(), 0.0);   // nothing half-read shown
        QVERIFY(!requests(*sim, 0x03).contains({172, 0}) && requests(*sim).isEmpty());
    }

    void addressesAreValidatedAndPartialOnesRefused()
    {
        QDialog *d = openSettings(1);
        d->show();
        for (auto [typed, shown] : {std::make_pair("192.168.1.300", "192.168.1.30"), {"1.2.3.4.5", "1.2.3.45"},
                                    {"01", "0"}, {"10.a0.0.b2", "10.0.0.2"}}) {
            typeInto(edit(d, "edit_mask"), QString(typed));
            QCOMPARE(edit(d, "edit_mask")->text(), QString(shown));
        }
        // A partial address refuses the write with a box naming the field.
        for (auto [name, typed, message] :
             {std::make_tuple("edit_ipAddr", "192.168.1", "IP地址不完整，请输入完整的IPv4地址！"),
              {"edit_mask", "255.255.", "子网掩码不完整，请输入完整的IPv4地址！"},
              {"edit_gateway", "", "网关不完整，请输入完整的IPv4地址！"}}) {
            typeInto(edit(d, name), QString(typed));
            sim->clearRecords();
            click(d, "btn_ok");
            QVERIFY(sim->modbusRequests().isEmpty());
            expectBox(QString::fromUtf8(message));
            typeInto(edit(d, name), QStringLiteral("10.0.0.2"));   // completed, the same press writes
            click(d, "btn_ok");
            expectBox(QStringLiteral("连接参数设置成功！"));
        }
    }

    void cancelAndCloseWriteNothing()
    {
        for (const char *name : {"btn_cancel", "btn_cancel", "closeBtn", "closeBtn"}) {
            QDialog *d = dialog && dialog->inherits("SystemSettingDialog") ? openEditor() : openSettings();
            d->show();
            sim->clearRecords();
            click(d, name);
            QVERIFY(!d->isVisible());
            QVERIFY(requests(*sim).isEmpty() && texts().isEmpty());
        }
    }

    // --------------------------------------------------------- list editor

    // The ranges must be set before the file numbers, or adding the first
    // number reloads file 1 into the narrow defaults and cuts it.
    void editorLoadsFileOneAndLimitsWidenBeforeReloading()
    {
        ListSettingDialog *d = openEditor(false);
        QCOMPARE(tableRows(d), (Rows{row(1, 1.5, 0.5, 1.0), row(2, 2.0, 1.0, 2.5), row(3, 3.25, 1.5, 0.1)}));
        QCOMPARE(edit(d, "edit_fileName")->text() + spin(d, "sbox_cycleTimes")->text(), QStringLiteral("FILE13"));
        QCOMPARE(requests(*sim, 0x42), (Writes{{50, 0}}));
        QCOMPARE(written(*sim, 208), 1u);
        auto *view = ch<QTableView>(d, "tableView");
        QVERIFY(qobject_cast<ReadOnlyDelegate *>(view->itemDelegateForColumn(0)));   // step numbers
        auto *delay = qobject_cast<DoubleSpinBoxDelegate *>(view->itemDelegateForColumn(3));
        QVERIFY(delay && delay->minimum() == 0.001 && delay->maximum() == 86400.0);

        sim->setListFile(1, SimListFile{"LONG", 1, 15, QVector<SimStep>(120, SimStep{1.0f, 0.5f, 0.25f})});
        d->setListLimits(0.5, 60, 0.25, 20, 20, 200);
        QCOMPARE(spin(d, "sbox_listLenth")->value(), 120);
        QCOMPARE(combo(d, "cbox_fileNumber")->count(), 20);
        auto *voltage = qobject_cast<DoubleSpinBoxDelegate *>(view->itemDelegateForColumn(1));
        QVERIFY(voltage && voltage->minimum() == 0.5 && voltage->maximum() == 60.0);
        sim->clearRecords();
        click(d, "btn_save");
        QCOMPARE(written(*sim, 210), 120u);
        QCOMPARE(written(*sim, 214), 15u);
    }

    void otherFileNumberReloadsAndFailedReadKeepsContents()
    {
        QDialog *d = openEditor();
        setCell(d, 0, 1, 9.0);   // unsaved, dropped by the change
        sim->clearRecords();
        combo(d, "cbox_fileNumber")->setCurrentIndex(1);
        QCOMPARE(written(*sim, 208), 2u);
        QCOMPARE(requests(*sim, 0x42), (Writes{{51, 0}}));
        QCOMPARE(tableRows(d), (Rows{row(1, 10.0, 2.0, 5.0), row(2, 0.0, 0.0, 86400.0)}));
        QCOMPARE(edit(d, "edit_fileName")->text() + spin(d, "sbox_cycleTimes")->text(), QStringLiteral("SECOND7"));
        // A failed read keeps what is shown; a write then goes to the chosen number.
        sim->addFault(FaultRule{FaultKind::Exception, 0x03, 210});
        combo(d, "cbox_fileNumber")->setCurrentIndex(4);
        QCOMPARE(texts(), QStringList{QStringLiteral("列表文件参数读取失败！")});
        sim->clearFaults();
        click(d, "btn_save");
        QCOMPARE(sim->listFile(5).cycleTimes, 7);
        QCOMPARE(sim->listFile(5).steps.size(), 2);
    }

    void onlyFinishedLengthResizesTable()
    {
        QDialog *d = openEditor();
        d->show();
        sim->clearRecords();
        typeInto(spin(d, "sbox_listLenth"), QStringLiteral("5"), true);
        QCOMPARE(tableRows(d).mid(2), (Rows{row(3, 3.25, 1.5, 0.1), row(4, 0, 0, 1.0), row(5, 0, 0, 1.0)}));
        typeInto(spin(d, "sbox_listLenth"), QStringLiteral("2"), true);
        typeInto(spin(d, "sbox_listLenth"), QStringLiteral("3"), true);   // fresh rows, not the dropped ones
        QCOMPARE(tableRows(d), (Rows{row(1, 1.5, 0.5, 1.0), row(2, 2.0, 1.0, 2.5), row(3, 0, 0, 1.0)}));
        QVERIFY(sim->modbusRequests().isEmpty());
        typeInto(spin(d, "sbox_listLenth"), QStringLiteral("7"));   // not finished: nothing changes
        click(d, "btn_save");
        QCOMPARE(written(*sim, 210), 3u);
    }

    void saveWritesTheTableAndStaysOpen()
    {
        QDialog *d = openEditor();
        d->show();
        setCell(d, 1, 1, 7.125);
        setCell(d, 0, 3, 86400.0);
        spin(d, "sbox_cycleTimes")->setValue(60000);
        spin(d, "sbox_linkListNumber")->setValue(4);
        edit(d, "edit_fileName")->setText(QStringLiteral("Run_2"));
        click(d, "btn_save");
        const SimListFile f = sim->listFile(1);
        QCOMPARE(f.name + ' ' + QByteArray::number(f.cycleTimes) + ' ' + QByteArray::number(f.linkListNumber),
                 QByteArray("Run_2 60000 4"));
        QVector<float> steps;
        for (const SimStep &s : f.steps)
            steps << s.voltage << s.current << s.delay;
        // The unedited 0.1 s delay as read, bit for bit.
        QCOMPARE(steps, (QVector<float>{1.5f, 0.5f, 86400.0f, 7.125f, 1.0f, 2.5f, 3.25f, 1.5f, 0.1f}));
        QVERIFY(logged(QStringLiteral("设备") + kSaved, 0));
        QCOMPARE(texts(), QStringList{kSaved});
        QVERIFY(d->isVisible());
    }

    void okWritesThenAcceptsWhateverTheResult()
    {
        for (bool fails : {false, true}) {
            QDialog *d = openEditor();
            d->show();
            if (fails)
                sim->addFault(FaultRule{FaultKind::Exception, 0x10, 216});
            const int stores = sim->storeCount();
            click(d, "btn_ok");
            QCOMPARE(sim->storeCount(), fails ? stores : stores + 1);
            QVERIFY(!d->isVisible() && d->result() == QDialog::Accepted);
            expectBox(fails ? QStringLiteral("列表文件1参数设置失败！") : kSaved);
        }
        QVERIFY(logged(QStringLiteral("设备列表文件1参数设置失败！"), 2));
    }

    void refusedNameWarnsButSucceeds()
    {
        QDialog *d = openEditor();
        sim->addFault(FaultRule{FaultKind::RefuseName});
        click(d, "btn_save");
        const QString warning = QStringLiteral("设备不支持文件名写入功能，如需设置文件名，请升级设备硬件版本！");
        QCOMPARE(logLines, (QList<QPair<QString, int>>{{kHost + "设备" + kSaved + '\n', 0}, {kHost + warning + '\n', 1}}));
        QCOMPARE(texts(), QStringList{kSaved + QStringLiteral("但") + warning});
        edit(d, "edit_fileName")->clear();   // an empty name is not sent, so it never warns
        sim->clearRecords();
        click(d, "btn_save");
        QVERIFY(requests(*sim, 0x40).isEmpty());
        QCOMPARE(logLines.size(), 3);
        QCOMPARE(texts().last(), kSaved);
    }

    void nameValidator()
    {
        QDialog *d = openEditor();
        d->show();
        QLineEdit *name = edit(d, "edit_fileName");
        typeInto(name, QStringLiteral("ABCDEFGHIJKLMNOPQRST"));   // at most 19
        QCOMPARE(name->text(), QStringLiteral("ABCDEFGHIJKLMNOPQRS"));
        // Printable ASCII but blank, quotes, '{', '|' and '}'; nothing beyond ASCII.
        QString accepted;
        for (QString text : QStringLiteral(" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
                                           "abcdefghijklmnopqrstuvwxyz{|}~\té名ｆ\u00A0").split(QString())) {
            int pos = 0;
            if (!text.isEmpty() && name->validator()->validate(text, pos) == QValidator::Acceptable)
                accepted += text;
        }
        QCOMPARE(accepted, QStringLiteral("!#$%&()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                          "[\\]^_`abcdefghijklmnopqrstuvwxyz~"));
    }
};

QTEST_MAIN(TestNetDialogs)
#include "tst_net_dialogs.moc"
