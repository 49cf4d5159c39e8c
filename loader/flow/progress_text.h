#pragma once
// How a load's progress reads for an operator, the same in the window's status bar and on
// trevikctl's progress line.

#include <QString>

#include "com_handler256.h"

// "GET_INFO records 12/32", "bytes written 480/936" or "waiting for the switch's answer".
QString progressText(const DeviceProgress& progress);
