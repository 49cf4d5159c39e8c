#include "progress_text.h"

QString progressText(const DeviceProgress& progress)
{
    switch (progress.stage) {
    case DeviceProgress::InfoRecords:
        return QStringLiteral("GET_INFO records %1/%2").arg(progress.done).arg(progress.total);
    case DeviceProgress::Writing:
        return QStringLiteral("bytes written %1/%2").arg(progress.done).arg(progress.total);
    case DeviceProgress::AwaitingAnswer:
        break;
    }
    return QStringLiteral("waiting for the switch's answer");
}
