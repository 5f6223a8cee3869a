#include "records.h"

// Defined together so that they are constructed in this order.
DorConfig dorConfig;
LunConfig lunConfig;
KipParams kipParams;
