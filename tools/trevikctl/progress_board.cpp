#include "progress_board.h"

#include <cstdio>

#include "progress_text.h"

namespace {
constexpr int kLongestBar = 30;
constexpr int kShortestBar = 5; // below this a bar says nothing: the text alone is shown
}

ProgressBoard::ProgressBoard(const QStringList& ports, bool enabled, int columns)
    : m_ports(ports), m_enabled(enabled && !ports.isEmpty()), m_columns(columns)
{
}

ProgressBoard::~ProgressBoard()
{
    if (m_drawn)
        std::fflush(stderr);
}

QString ProgressBoard::fitted(const QString& text, int columns)
{
    return text.left(qMax(columns - 1, 0));
}

QString ProgressBoard::line(const QString& port, const DeviceProgress& progress, int columns)
{
    const QString what = progressText(progress);
    // "PORT [bar] what": the bar takes what the terminal leaves, up to its longest.
    const int room = columns - 1 - port.size() - what.size() - 4;
    const int width = qMin(room, kLongestBar);
    if (width < kShortestBar)
        return fitted(port + QLatin1Char(' ') + what, columns);
    const int filled = progress.stage == DeviceProgress::AwaitingAnswer ? width
                       : progress.total > 0                             ? progress.done * width / progress.total
                                                                        : 0;
    const QString bar = QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('.'));
    return QStringLiteral("%1 [%2] %3").arg(port, bar, what);
}

void ProgressBoard::show(int index, const DeviceProgress& progress)
{
    if (m_enabled)
        draw(index, line(m_ports.value(index), progress, m_columns));
}

void ProgressBoard::finish(int index, const QString& text)
{
    if (m_enabled)
        draw(index, fitted(m_ports.value(index) + QLatin1Char(' ') + text, m_columns));
}

void ProgressBoard::draw(int index, const QString& text)
{
    if (!m_drawn) {
        // The board's lines, once; the cursor then rests on the line below them.
        for (const QString& port : m_ports)
            std::fputs(qPrintable(fitted(port, m_columns) + QLatin1Char('\n')), stderr);
        m_drawn = true;
    }
    // Up to the port's line, redraw it and clear its rest, back down below the board.
    const int up = m_ports.size() - index;
    std::fputs(qPrintable(QStringLiteral("\033[%1A\r").arg(up) + text + QStringLiteral("\033[K\033[%1B\r").arg(up)),
               stderr);
    std::fflush(stderr);
}
