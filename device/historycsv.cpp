#include "historycsv.h"
