#include "simthread.h"

namespace bench {

SimThread::SimThread(const QList<klvsim::SupplyConfig> &configs)
    : configs(configs), samplingCounts(new std::atomic<qint64>[size_t(configs.size())])
{
    for (int i = 0; i < configs.size(); ++i)
        samplingCounts[size_t(i)] = 0;
}

SimThread::~SimThread()
{
    quit();
    wait();
}

bool SimThread::startSupplies(QString *error)
{
    start();
    ready.acquire();
    if (!started && error)
        *error = startError;
    return started;
}

void SimThread::call(const std::function<void()> &fn)
{
    QMetaObject::invokeMethod(context, fn, Qt::BlockingQueuedConnection);
}

void SimThread::run()
{
    QObject owner;
    context = &owner;
    started = true;
    for (int i = 0; i < configs.size(); ++i) {
        auto *sim = new klvsim::SimSupply(configs.at(i), &owner);
        supplies.append(sim);
        std::atomic<qint64> *counter = &samplingCounts[size_t(i)];
        QObject::connect(sim, &klvsim::SimSupply::modbusRequestReceived, &owner,
                         [counter](const QByteArray &frame) {
                             // MBAP header, then 0x03, start address 10, count 6
                             if (frame.size() == 12 && quint8(frame.at(7)) == 0x03 && frame.at(8) == 0
                                 && frame.at(9) == 10 && frame.at(11) == 6)
                                 ++*counter;
                         });
        QString why;
        if (started && !sim->start(&why)) {
            started = false;
            startError = why;
        }
    }
    ready.release();
    if (started)
        exec();
    supplies.clear();
    context = nullptr;
}

QList<klvsim::SupplyConfig> loopbackSupplies(int count, quint16 modbusPort, quint16 udpPort, int firstHost)
{
    QList<klvsim::SupplyConfig> list;
    for (int i = 0; i < count; ++i) {
        klvsim::SupplyConfig c;
        c.address = QHostAddress(QStringLiteral("127.0.0.%1").arg(firstHost + i));
        c.modbusPort = modbusPort;
        c.udpPort = udpPort;
        c.noise = 0;
        list.append(c);
    }
    return list;
}

} // namespace bench
