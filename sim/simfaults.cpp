#include "simfaults.h"

#include "simregmap.h"

namespace klvsim {

namespace {
struct KindName {
    FaultKind kind;
    const char *name;
};
const KindName kindNames[] = {
    {FaultKind::Silent, "silent"},
    {FaultKind::Delay, "delay"},
    {FaultKind::Split, "split"},
    {FaultKind::WrongLength, "wrong-length"},
    {FaultKind::ErrorByte, "error-byte"},
    {FaultKind::Late, "late"},
    {FaultKind::RefuseName, "refuse-name"},
    {FaultKind::ShortDevInfo, "short-devinfo"},
    {FaultKind::Drop, "drop"},
    {FaultKind::NeverAnswer, "never-answer"},
    {FaultKind::Exception, "exception"},
};
} // namespace

void FaultList::add(const FaultRule &rule)
{
    if (rule.remaining != 0)
        entries.append({rule, !rule.afterCommit});
}

void FaultList::commitSeen()
{
    for (Entry &e : entries)
        e.armed = true;
}

bool FaultList::applies(const FaultRule &rule, bool udp, int function, int address)
{
    if (udp ? rule.channel == FaultChannel::Modbus : rule.channel == FaultChannel::Udp)
        return false;
    if ((rule.function >= 0 && rule.function != function) || (rule.address >= 0 && rule.address != address))
        return false;
    switch (rule.kind) {
    case FaultKind::Silent:
    case FaultKind::Delay:
    case FaultKind::Late:
    case FaultKind::WrongLength: return true;
    case FaultKind::RefuseName: return !udp && function == 0x40;
    case FaultKind::ShortDevInfo: return !udp && function == 0x42 && address == reg::DevInfoBlock;
    default: return !udp;
    }
}

std::optional<FaultRule> FaultList::match(bool udp, int function, int address)
{
    for (int i = 0; i < entries.size(); ++i) {
        Entry &e = entries[i];
        if (!e.armed || !applies(e.rule, udp, function, address))
            continue;
        if (e.rule.skip > 0) {
            --e.rule.skip;
            continue;
        }
        const FaultRule rule = e.rule;
        if (e.rule.remaining > 0 && --e.rule.remaining == 0)
            entries.removeAt(i);
        return rule;
    }
    return std::nullopt;
}

QString faultKindName(FaultKind kind)
{
    for (const KindName &k : kindNames)
        if (k.kind == kind)
            return QString::fromLatin1(k.name);
    return QString();
}

std::optional<FaultKind> faultKindFromName(const QString &name)
{
    for (const KindName &k : kindNames)
        if (name == QLatin1String(k.name))
            return k.kind;
    return std::nullopt;
}

} // namespace klvsim
