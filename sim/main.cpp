// klv2400-sim: several simulated KLV2400 supplies in one process, for trying
// the program without hardware and for tests that run it as a separate peer.

#include "simconsole.h"
#include "simsupply.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

using namespace klvsim;

namespace {

const char *const Examples =
    "\nExamples:\n"
    "  klv2400-sim\n"
    "      three supplies on 127.0.0.11, .12 and .13, ports 502 and 7000 (ports below\n"
    "      1024 need privileges: run it in a network namespace, e.g. unshare -rn, or\n"
    "      choose other ports)\n"
    "  klv2400-sim --count 2 --modbus-port 1502 --udp-port 17000 --verbose\n"
    "  klv2400-sim --addresses 10.0.0.2,10.0.0.3 --any-sender     (inside a private namespace)\n"
    "  klv2400-sim --fault late,fn=0x10,addr=122,times=1 --fault 2:silent,udp\n"
    "  klv2400-sim --identity \"KLV2400-3010/30V 10A 300W/ACME\" --voltage-max 30\n"
    "\nWhile it runs, type help on standard input for the run-time commands,\n"
    "e.g. \"fault 1 drop,times=1\", \"output 2 on\", \"alarm 3 9\", \"list\".\n";

struct Options {
    QList<QHostAddress> addresses;
    SupplyConfig base;
    bool anySender = false;
    QList<QPair<int, FaultRule>> faults;   // supply index (0: all), rule
};

enum class Parsed { Run, Help, Error };

Parsed parseOptions(QCoreApplication &app, Options &o)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Simulated KLV2400 power supplies: UDP discovery and status on port 7000, Modbus TCP on port 502, "
        "with the register map, list files, a load model and faults on demand."));
    const QCommandLineOption help({"h", "help"}, "Show this help with examples and exit.");
    const QCommandLineOption count({"n", "count"}, "Number of supplies (default 3). Example: --count 5", "N", "3");
    const QCommandLineOption address("address", "Address of the first supply; the others count up the last "
                                     "octet (default 127.0.0.11). Example: --address 127.0.0.21", "IP",
                                     "127.0.0.11");
    const QCommandLineOption addresses("addresses", "Explicit comma-separated addresses, one supply each; "
                                       "overrides --count and --address. Example: --addresses 10.0.0.2,10.0.0.3",
                                       "IPS");
    const QCommandLineOption modbusPort("modbus-port", "Modbus TCP port (default 502). Example: --modbus-port 1502",
                                        "PORT", "502");
    const QCommandLineOption udpPort("udp-port", "UDP discovery and status port (default 7000). "
                                     "Example: --udp-port 17000", "PORT", "7000");
    const QCommandLineOption devAddr("device-address", "Device address of the first supply, the others count "
                                     "up (default 1). Example: --device-address 10", "N", "1");
    const QCommandLineOption identity("identity", "Identity text \"model/rating/manufacturer\", at most "
                                      "40 bytes. Example: --identity \"KLV2400-6020/60V 20A/ACME\"", "TEXT");
    const QCommandLineOption anySender("any-sender", "Serve every sender, not just loopback ones; only for use "
                                       "inside a private network namespace. Example: --any-sender");
    const QCommandLineOption verbose({"v", "verbose"}, "Print one line per request and reply. Example: --verbose");
    const QCommandLineOption fault("fault", "Add a fault, for every supply or for supply K with \"K:\" in front; "
                                   "repeatable. Example: --fault 2:late,fn=3,times=1 (see below)", "FAULT");
    const QCommandLineOption vmax("voltage-max", "Highest settable voltage (default 60). Example: --voltage-max 30",
                                  "V", "60");
    const QCommandLineOption imax("current-max", "Highest settable current (default 20). Example: --current-max 10",
                                  "A", "20");
    const QCommandLineOption pmax("power-max", "Highest settable power (default 1200). Example: --power-max 300",
                                  "W", "1200");
    const QCommandLineOption files("list-files", "Number of list files (default 10). Example: --list-files 4", "N",
                                   "10");
    const QCommandLineOption steps("list-steps", "Steps per list file (default 100). Example: --list-steps 20", "N",
                                   "100");
    const QCommandLineOption load("load", "Load resistance in ohms (default 10). Example: --load 2.5", "OHMS", "10");
    const QCommandLineOption noise("noise", "Relative measurement noise (default 0.002, 0 for none). "
                                   "Example: --noise 0", "X", "0.002");
    p.addOptions({help, count, address, addresses, modbusPort, udpPort, devAddr, identity, anySender, verbose, fault,
                  vmax, imax, pmax, files, steps, load, noise});
    QTextStream err(stderr);
    if (!p.parse(app.arguments())) {
        err << "klv2400-sim: " << p.errorText() << "\n(see klv2400-sim --help)\n";
        return Parsed::Error;
    }
    if (p.isSet(help)) {
        QTextStream(stdout) << p.helpText() << Examples << "\n" << faultSpecHelp();
        return Parsed::Help;
    }
    auto bad = [&](const QString &what) {
        err << "klv2400-sim: " << what << "\n";
        return Parsed::Error;
    };
    bool ok = true;
    auto number = [&](const QCommandLineOption &opt, int lo, int hi) {
        bool good = false;
        const int v = p.value(opt).toInt(&good);
        if (!good || v < lo || v > hi) {
            ok = false;
            bad(QStringLiteral("--%1 %2 is out of range %3..%4").arg(opt.names().last(), p.value(opt))
                         .arg(lo).arg(hi));
            return lo;
        }
        return v;
    };
    auto real = [&](const QCommandLineOption &opt, double lo) {
        bool good = false;
        const double v = p.value(opt).toDouble(&good);
        if (!good || v < lo) {
            ok = false;
            bad(QStringLiteral("--%1 %2 is not a number of at least %3").arg(opt.names().last(), p.value(opt))
                         .arg(lo));
            return lo;
        }
        return v;
    };

    SupplyConfig &b = o.base;
    b.modbusPort = quint16(number(modbusPort, 1, 65535));
    b.udpPort = quint16(number(udpPort, 1, 65535));
    b.deviceAddress = quint8(number(devAddr, 1, 247));
    b.voltageMax = float(real(vmax, 0.1));
    b.currentMax = float(real(imax, 0.1));
    b.powerMax = float(real(pmax, 0.1));
    b.listFileCount = number(files, 1, 1000);
    b.listStepMax = number(steps, 1, 10000);
    b.loadOhms = float(real(load, 0.001));
    b.noise = real(noise, 0);
    b.verbose = p.isSet(verbose);
    if (p.isSet(identity)) {
        b.identity = p.value(identity).toLocal8Bit();
        if (b.identity.size() > 40)
            return bad(QStringLiteral("--identity is longer than 40 bytes"));
    }
    o.anySender = p.isSet(anySender);

    if (p.isSet(addresses)) {
        for (const QString &a : splitNonEmpty(p.value(addresses), QLatin1Char(','))) {
            QHostAddress h;
            if (!h.setAddress(a.trimmed()) || h.protocol() != QAbstractSocket::IPv4Protocol)
                return bad(QStringLiteral("bad address \"%1\"").arg(a));
            o.addresses << h;
        }
    } else {
        QHostAddress first;
        if (!first.setAddress(p.value(address)) || first.protocol() != QAbstractSocket::IPv4Protocol)
            return bad(QStringLiteral("bad address \"%1\"").arg(p.value(address)));
        const int n = number(count, 1, 200);
        for (int i = 0; i < n; ++i)
            o.addresses << QHostAddress(first.toIPv4Address() + quint32(i));
    }
    if (!o.anySender)
        for (const QHostAddress &a : o.addresses)
            if (!a.isLoopback())
                return bad(QStringLiteral("%1 is not a loopback address; use --any-sender inside a private "
                                          "network namespace").arg(a.toString()));

    for (const QString &option : p.values(fault)) {
        int target = 0;
        QString rest = option;
        if (option.contains(QLatin1Char(':'))) {
            bool isIndex = false;
            const int k = option.section(QLatin1Char(':'), 0, 0).toInt(&isIndex);
            if (isIndex) {
                if (k < 1 || k > o.addresses.size())
                    return bad(QStringLiteral("--fault %1: no supply %2").arg(option).arg(k));
                target = k;
                rest = option.section(QLatin1Char(':'), 1);
            }
        }
        FaultRule rule;
        QString error;
        if (!parseFaultRule(rest, rule, &error))
            return bad(QStringLiteral("--fault %1: %2").arg(option, error));
        o.faults.append({target, rule});
    }
    return ok ? Parsed::Run : Parsed::Error;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("klv2400-sim"));
    Options o;
    switch (parseOptions(app, o)) {
    case Parsed::Help: return 0;
    case Parsed::Error: return 2;
    case Parsed::Run: break;
    }

    SimHost host;
    host.setDiscoveryPort(o.base.udpPort);
    host.setLoopbackOnly(!o.anySender);
    for (int i = 0; i < o.addresses.size(); ++i) {
        SupplyConfig cfg = o.base;
        cfg.address = o.addresses[i];
        cfg.deviceAddress = quint8(qMin(247, o.base.deviceAddress + i));
        SimSupply *s = host.addSupply(cfg);
        for (const auto &f : o.faults)
            if (f.first == 0 || f.first == i + 1)
                s->addFault(f.second);
    }
    QString error;
    if (!host.start(&error)) {
        QTextStream(stderr) << "klv2400-sim: cannot listen: " << error
                            << "\n(ports below 1024 need privileges: run inside a network namespace, "
                               "e.g. unshare -rn, or use --modbus-port/--udp-port)\n";
        return 1;
    }
    QTextStream out(stdout);
    for (int i = 0; i < host.supplies().size(); ++i)
        out << "supply " << i + 1 << ": " << host.supplies()[i]->describe() << "\n";
    out << "discovery on 0.0.0.0:" << o.base.udpPort << ", answering "
        << (o.anySender ? "every sender" : "loopback senders only") << "\n"
        << "type help for commands\n";
    out.flush();

    SimConsole console(&host);
    QObject::connect(&console, &SimConsole::quitRequested, &app, &QCoreApplication::quit);
    console.listenOnStdin();
    return app.exec();
}
