#include "adapterlist.h"

namespace {

// Hardware-address prefixes of virtual machines' network adapters.
const char *const virtualPrefixes[] = {
    "00:05:69", "00:0C:29", "00:50:56", "00:1c:14", "00:1C:42",
    "00:03:FF", "00:0F:4B", "00:16:3E", "08:00:27",
};

bool isVirtualHardwareAddress(const QString &hardwareAddress)
{
    const QString prefix = hardwareAddress.left(8);
    for (const char *virtualPrefix : virtualPrefixes) {
        const QString p = QString::fromLatin1(virtualPrefix);
        // The one lower-case entry would never match the platform's
        // upper-case text; compared without case it drops its adapters too.
        const Qt::CaseSensitivity cs = p == QLatin1String("00:1c:14") ? Qt::CaseInsensitive
                                                                       : Qt::CaseSensitive;
        if (prefix.compare(p, cs) == 0)
            return true;
    }
    return false;
}

bool isUsable(const AdapterInfo &adapter)
{
    const QNetworkInterface::InterfaceFlags wanted =
        QNetworkInterface::IsUp | QNetworkInterface::IsRunning
        | QNetworkInterface::CanBroadcast | QNetworkInterface::CanMulticast;
    return adapter.flags == wanted
        && !isVirtualHardwareAddress(adapter.hardwareAddress)
        && !adapter.humanReadableName.contains(QLatin1String("VMware"), Qt::CaseInsensitive);
}

} // namespace

QList<AdapterInfo> systemAdapters()
{
    QList<AdapterInfo> adapters;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        AdapterInfo info;
        info.flags = iface.flags();
        info.hardwareAddress = iface.hardwareAddress();
        info.humanReadableName = iface.humanReadableName();
        const QList<QNetworkAddressEntry> entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries)
            info.addresses << entry.ip();
        adapters << info;
    }
    return adapters;
}

QStringList adapterCandidates(const QList<AdapterInfo> &adapters)
{
    QStringList candidates;
    for (const AdapterInfo &adapter : adapters) {
        if (!isUsable(adapter))
            continue;
        for (const QHostAddress &address : adapter.addresses) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol)
                candidates << QStringLiteral("%1(%2)").arg(address.toString(), adapter.humanReadableName);
        }
    }
    return candidates;
}
