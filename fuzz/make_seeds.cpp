// Records the fuzzers' seed corpus from simulated supplies' real replies:
//   fuzz_make_seeds <corpus dir>
// writes <corpus dir>/<target>/<name> for every harness. Binds the supplies'
// fixed ports on 127.0.0.x, so it runs in a private network namespace
// (scripts/fuzz --seeds does that).
#include "appsettings.h"
#include "discoveryframes.h"
#include "historycsv.h"
#include "modbusframes.h"
#include "simsupply.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <cstdio>
#include <cstdlib>

namespace {

QDir corpus;

void fail(const QString &what)
{
    std::fprintf(stderr, "make_seeds: %s\n", qPrintable(what));
    std::exit(1);
}

void save(const QString &target, const QString &name, const QByteArray &bytes)
{
    if (!corpus.mkpath(target))
        fail(QStringLiteral("cannot create %1").arg(corpus.filePath(target)));
    QFile file(corpus.filePath(target + QLatin1Char('/') + name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write %1").arg(file.fileName()));
}

// Runs the event loop until done() or two seconds have passed.
template <typename Done>
bool spinUntil(Done done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QByteArray udpExchange(QUdpSocket &socket, const QHostAddress &to, const QByteArray &request)
{
    socket.writeDatagram(request, to, discoveryPort);
    if (!spinUntil([&] { return socket.hasPendingDatagrams(); }))
        fail(QStringLiteral("no UDP reply from %1").arg(to.toString()));
    QByteArray datagram(int(socket.pendingDatagramSize()), '\0');
    socket.readDatagram(datagram.data(), datagram.size());
    return datagram;
}

class ModbusPeer
{
public:
    explicit ModbusPeer(const QHostAddress &address)
    {
        socket.connectToHost(address, 502);
        if (!spinUntil([this] { return socket.state() == QAbstractSocket::ConnectedState; }))
            fail(QStringLiteral("cannot connect to %1:502").arg(address.toString()));
    }

    // One whole reply frame, by its MBAP length.
    QByteArray exchange(const QByteArray &request)
    {
        socket.write(request);
        QByteArray reply;
        spinUntil([&] {
            reply += socket.readAll();
            const int size = ModbusFrames::mbapFrameSize(reply);
            return size >= 0 && reply.size() >= size;
        });
        if (reply.isEmpty())
            fail(QStringLiteral("no reply to %1").arg(ModbusFrames::hexText(request)));
        return reply;
    }

    quint16 nextId() { return ++id; }

private:
    QTcpSocket socket;
    quint16 id = 0;
};

// The modbus_reply harness reads two leading bytes: the register count and
// the block data length the request asked for.
QByteArray replySeed(quint8 count, quint8 blockLength, const QByteArray &reply)
{
    return QByteArray(1, char(count)) + char(blockLength) + reply;
}

void recordUdp(klvsim::SimSupply &plain, klvsim::SimSupply &gbk, klvsim::SimSupply &full)
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0))
        fail(QStringLiteral("cannot bind the UDP client"));
    const struct {
        klvsim::SimSupply *supply;
        const char *name;
    } identities[] = {{&plain, "identity_utf8"}, {&gbk, "identity_gbk"}, {&full, "identity_no_nul"}};
    for (const auto &entry : identities) {
        const QHostAddress to = entry.supply->config().address;
        save("discovery_reply", entry.name, udpExchange(socket, to, discoveryRequest()));
    }

    const QHostAddress to = plain.config().address;
    save("status_reply", "idle", udpExchange(socket, to, statusRequest(1)));
    plain.panelSetOutput(true);
    spinUntil([] { return false; });   // let the load model settle
    save("status_reply", "output_on", udpExchange(socket, to, statusRequest(1)));
    plain.raiseAlarm(3);
    save("status_reply", "alarm", udpExchange(socket, to, statusRequest(1)));
    plain.setValue(8, 0);
}

void recordModbus(klvsim::SimSupply &supply)
{
    using namespace ModbusFrames;
    ModbusPeer peer(supply.config().address);
    const auto read = [&](quint16 address, quint16 count, const char *name) {
        save("modbus_reply", name,
             replySeed(quint8(count), 0, peer.exchange(buildReadRegisters(peer.nextId(), address, count))));
    };
    read(8, 8, "read_status");
    read(10, 6, "read_sample");
    read(28, 2, "read_test_func");
    read(172, 32, "read_connection");
    read(232, 12, "read_char");
    save("modbus_reply", "write_integer",
         replySeed(2, 0, peer.exchange(buildWriteRegister(peer.nextId(), UnitIntegerWrite, 208, 1))));
    save("modbus_reply", "write_float",
         replySeed(2, 0, peer.exchange(buildWriteRegister(peer.nextId(), UnitDefault, 82, floatToBits(12.5f)))));
    save("modbus_reply", "read_limit_files", replySeed(0, 0, peer.exchange(buildReadLimit(peer.nextId(), 208))));
    save("modbus_reply", "read_limit_steps", replySeed(0, 0, peer.exchange(buildReadLimit(peer.nextId(), 210))));
    save("modbus_reply", "read_dev_info", replySeed(0, 0, peer.exchange(buildReadBlock(peer.nextId(), 254))));

    const QByteArray name = QByteArray("充电-A1") + '\0';
    save("modbus_reply", "write_name",
         replySeed(0, quint8(name.size()), peer.exchange(buildWriteBlock(peer.nextId(), 50, name))));
    save("modbus_reply", "read_name", replySeed(0, 0, peer.exchange(buildReadBlock(peer.nextId(), 50))));

    // The supply's refusals: the 0xC2 block refusal and an exception reply
    // for each function.
    supply.addFault({klvsim::FaultKind::ErrorByte, ReadBlock, -1, 1});
    save("modbus_reply", "read_name_refused", replySeed(0, 0, peer.exchange(buildReadBlock(peer.nextId(), 51))));
    const struct {
        quint8 function;
        QByteArray request;
        const char *name;
    } refused[] = {
        {ReadHoldingRegisters, buildReadRegisters(peer.nextId(), 8, 8), "exception_03"},
        {WriteMultipleRegisters, buildWriteRegister(peer.nextId(), UnitIntegerWrite, 32, 0), "exception_10"},
        {WriteBlock, buildWriteBlock(peer.nextId(), 50, name), "exception_40"},
        {ReadLimit, buildReadLimit(peer.nextId(), 208), "exception_41"},
        {ReadBlock, buildReadBlock(peer.nextId(), 254), "exception_42"},
    };
    for (const auto &entry : refused) {
        supply.addFault({klvsim::FaultKind::Exception, entry.function, -1, 1});
        save("modbus_reply", entry.name, replySeed(8, quint8(name.size()), peer.exchange(entry.request)));
    }
}

// A run as the device page records it, from the supply's own samples.
void recordHistory(klvsim::SimSupply &supply)
{
    ModbusPeer peer(supply.config().address);
    supply.panelSetOutput(true);
    QByteArray file = historycsv::headerBytes();
    for (int i = 0; i < 20; ++i) {
        QVector<quint32> values;
        if (!ModbusFrames::decodeReadRegisters(
                peer.exchange(ModbusFrames::buildReadRegisters(peer.nextId(), 10, 6)), 6, values))
            fail(QStringLiteral("sample reply refused"));
        const QByteArray row = historycsv::formatRow(i * 0.1, double(ModbusFrames::bitsToFloat(values.at(0))),
                                                     double(ModbusFrames::bitsToFloat(values.at(1))));
        file += row;
        if (i < 3)
            save("csv_line", QStringLiteral("row_%1").arg(i), row.left(row.size() - 1));
    }
    supply.panelSetOutput(false);
    save("csv_file", "run", file);
    QByteArray crlf = file;
    save("csv_file", "run_crlf", crlf.replace("\n", "\r\n"));
    save("csv_line", "column_names", "time,Vol,Cur");
}

void recordLocalFiles()
{
    QFile css(QStringLiteral(KLV_STYLE_SHEET));
    if (!css.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(css.fileName()));
    save("stylesheet", "default_css", css.readAll());

    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    for (const char *language : {"Chinese", "English"}) {
        writeLanguageSetting(QLatin1String(language));
        QFile ini(QStringLiteral("sys_klv.ini"));
        if (!ini.open(QIODevice::ReadOnly))
            fail(QStringLiteral("no settings file written"));
        save("settings", QLatin1String(language), ini.readAll());
        ini.remove();
    }
    QDir::setCurrent(previous);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        fail(QStringLiteral("usage: fuzz_make_seeds <corpus dir>"));
    corpus = QDir(QString::fromLocal8Bit(argv[1]));

    klvsim::SupplyConfig plainConfig;
    plainConfig.noise = 0;
    klvsim::SupplyConfig gbkConfig = plainConfig;
    gbkConfig.address = QHostAddress(QStringLiteral("127.0.0.12"));
    gbkConfig.identity = QByteArray::fromHex("4b4c5632343030") + "/60V 20A/" + QByteArray::fromHex("b5e7d4b4");
    klvsim::SupplyConfig fullConfig = plainConfig;
    fullConfig.address = QHostAddress(QStringLiteral("127.0.0.13"));
    fullConfig.identity = "KLV2400/60V 20A 1200W/KLV Power Systems  ";   // 40 bytes: no NUL fits

    klvsim::SimSupply plain(plainConfig), gbk(gbkConfig), full(fullConfig);
    QString error;
    for (klvsim::SimSupply *supply : {&plain, &gbk, &full})
        if (!supply->start(&error))
            fail(error);

    recordUdp(plain, gbk, full);
    recordModbus(gbk);
    recordHistory(full);
    recordLocalFiles();
    std::printf("seed corpus written to %s\n", qPrintable(corpus.absolutePath()));
    return 0;
}
