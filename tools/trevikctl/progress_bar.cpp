#include "progress_bar.h"

#include <cstdio>

namespace {
constexpr int kWidth = 30;
}

ProgressBar::ProgressBar(const QString& port, bool enabled) : m_port(port), m_enabled(enabled) {}

ProgressBar::~ProgressBar()
{
    if (m_drawn)
        std::fputs("\n", stderr);
}

QString ProgressBar::line(const QString& port, const DeviceProgress& progress)
{
    if (progress.stage == DeviceProgress::AwaitingAnswer)
        return QStringLiteral("%1 [%2] waiting for the switch's answer").arg(port, QString(kWidth, QLatin1Char('#')));
    const int filled = progress.total > 0 ? progress.done * kWidth / progress.total : 0;
    const QString bar = QString(filled, QLatin1Char('#')) + QString(kWidth - filled, QLatin1Char('.'));
    const QString what = progress.stage == DeviceProgress::InfoRecords ? QStringLiteral("GET_INFO records")
                                                                       : QStringLiteral("bytes written");
    return QStringLiteral("%1 [%2] %3 %4/%5").arg(port, bar, what).arg(progress.done).arg(progress.total);
}

void ProgressBar::show(const DeviceProgress& progress)
{
    if (!m_enabled)
        return;
    // "\r" and a clear to the end of the line: the bar redraws itself in place.
    std::fputs(qPrintable(QStringLiteral("\r") + line(m_port, progress) + QStringLiteral("\033[K")), stderr);
    std::fflush(stderr);
    m_drawn = true;
}
