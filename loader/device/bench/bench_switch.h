#pragma once
// The benchmark's switch: simulated, pacing its line at `baud` and answering `replyDelayMs`
// after each frame, behind a port of its own. Returns n of the port COMn, or 0 (with a
// message on standard error) when there is none.

#include <QString>

int standBenchSwitch(unsigned baud, int replyDelayMs, const QString& scratchFolder);
