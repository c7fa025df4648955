#include "klvresources.h"

#include <QtGlobal>

void klvInitResources() { Q_INIT_RESOURCE(klv2400); }
