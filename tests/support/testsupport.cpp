// The helpers live in the header; the support library needs one source.
#include "testsupport.h"
