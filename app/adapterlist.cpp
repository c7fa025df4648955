#include "adapterlist.h"

QList<AdapterInfo> systemAdapters() { return {}; }
QStringList adapterCandidates(const QList<AdapterInfo> &) { return {}; }
