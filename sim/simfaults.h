#pragma once

// The faults a supply has been asked to show, and which of them a request
// meets. Each match uses up one of a rule's remaining applications.

#include "simsupply.h"

#include <QList>
#include <optional>

namespace klvsim {

class FaultList
{
public:
    void add(const FaultRule &rule);
    void clear() { entries.clear(); }
    bool isEmpty() const { return entries.isEmpty(); }

    // The first rule that applies to this request, counted as used.
    std::optional<FaultRule> match(bool udp, int function, int address);
    void commitSeen();   // arms the rules waiting for a commit

private:
    struct Entry {
        FaultRule rule;
        bool armed;
    };
    static bool applies(const FaultRule &rule, bool udp, int function, int address);
    QList<Entry> entries;
};

// Readable names of the kinds, as the command line spells them.
QString faultKindName(FaultKind kind);
std::optional<FaultKind> faultKindFromName(const QString &name);

} // namespace klvsim
