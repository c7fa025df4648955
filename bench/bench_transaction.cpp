// One read of 8 registers at 8 by ModbusDriver against a simulated supply
// on loopback, side by side with a plain blocking-socket client that sends
// the same bytes to the same simulator. Batches alternate so that both see
// the same machine load.

#include "benchkit.h"
#include "modbusdriver.h"
#include "simthread.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Batch = 500;
constexpr quint16 Port = 15020;
const char *const Address = "127.0.0.11";

// The blocking client: one connected socket, request out, whole reply in.
class PlainClient
{
public:
    bool connectTo(const char *ip, quint16 port)
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to {};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        ::inet_pton(AF_INET, ip, &to.sin_addr);
        return fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0;
    }
    ~PlainClient()
    {
        if (fd >= 0)
            ::close(fd);
    }
    // Read 8 registers at 8: a 12-byte request, a 25-byte reply.
    bool readEight()
    {
        ++id;
        const unsigned char request[12] = {quint8(id >> 8), quint8(id), 0, 0, 0, 6, 1, 3, 0, 8, 0, 8};
        if (::send(fd, request, sizeof request, 0) != qint64(sizeof request))
            return false;
        unsigned char reply[25];
        size_t got = 0;
        while (got < sizeof reply) {
            const ssize_t n = ::recv(fd, reply + got, sizeof reply - got, 0);
            if (n <= 0)
                return false;
            got += size_t(n);
        }
        return reply[7] == 3;
    }

private:
    int fd = -1;
    quint16 id = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // An optional count for profiling runs; the table uses the default.
    const int Transactions = argc > 1 ? qMax(Batch, QByteArray(argv[1]).toInt()) : 20000;
    bench::ScratchDir scratch;
    bench::SimThread sims(bench::loopbackSupplies(1, Port, 17000));
    QString error;
    if (!sims.startSupplies(&error)) {
        bench::report(1, QStringLiteral("transaction vs plain client"), QStringLiteral("-"),
                      QStringLiteral("median <= 2x, p99 <= 3x, max <= 5 ms"), false,
                      QStringLiteral("simulator: ") + error);
        return 1;
    }

    ModbusDriver driver;
    driver.initTransport();
    PlainClient plain;
    if (!driver.connectDevice(QLatin1String(Address), Port) || !plain.connectTo(Address, Port)) {
        bench::report(1, QStringLiteral("transaction vs plain client"), QStringLiteral("-"),
                      QStringLiteral("median <= 2x, p99 <= 3x, max <= 5 ms"), false,
                      QStringLiteral("cannot connect"));
        return 1;
    }

    std::vector<double> driverUs, plainUs;
    driverUs.reserve(Transactions);
    plainUs.reserve(Transactions);
    int failures = 0;
    QVector<quint32> values;
    // Warm both paths up before measuring.
    for (int i = 0; i < 200; ++i) {
        driver.readRegisters(8, 8, values);
        plain.readEight();
    }
    for (int done = 0; done < Transactions; done += Batch) {
        for (int i = 0; i < Batch; ++i) {
            const qint64 t0 = bench::monotonicNs();
            if (!driver.readRegisters(8, 8, values))
                ++failures;
            driverUs.push_back(double(bench::monotonicNs() - t0) / 1000.0);
        }
        for (int i = 0; i < Batch; ++i) {
            const qint64 t0 = bench::monotonicNs();
            if (!plain.readEight())
                ++failures;
            plainUs.push_back(double(bench::monotonicNs() - t0) / 1000.0);
        }
    }

    const bench::Stats d = bench::statsOf(driverUs);
    const bench::Stats p = bench::statsOf(plainUs);
    int driverOver5ms = 0, plainOver5ms = 0;
    for (double us : driverUs)
        driverOver5ms += us > 5000;
    for (double us : plainUs)
        plainOver5ms += us > 5000;
    const double medianRatio = d.median / p.median;
    const double p99Ratio = d.p99 / p.p99;
    const bool pass = failures == 0 && medianRatio <= 2 && p99Ratio <= 3 && driverOver5ms == 0;
    bench::report(1, QStringLiteral("Modbus read of 8 registers vs plain blocking client (%1 each)").arg(Transactions),
                  QStringLiteral("median %1x, p99 %2x, max %3 ms").arg(bench::fmt(medianRatio), bench::fmt(p99Ratio),
                                                                    bench::fmt(d.max / 1000.0)),
                  QStringLiteral("median <= 2x, p99 <= 3x, no transaction > 5 ms"), pass,
                  QStringLiteral("driver median %1 us p99 %2 us max %3 us (%4 over 5 ms); plain median %5 us p99 "
                                 "%6 us max %7 us (%8 over 5 ms); %9 failed")
                      .arg(bench::fmt(d.median, 1), bench::fmt(d.p99, 1), bench::fmt(d.max, 0))
                      .arg(driverOver5ms)
                      .arg(bench::fmt(p.median, 1), bench::fmt(p.p99, 1), bench::fmt(p.max, 0))
                      .arg(plainOver5ms)
                      .arg(failures));
    return 0;
}
