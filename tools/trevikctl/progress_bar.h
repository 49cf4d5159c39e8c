#pragma once
// A one-line progress bar on a terminal, redrawn in place: the GET_INFO records read, then the
// bytes of the image handed to the line, then the wait for the switch's answer.

#include <QString>

#include "com_handler256.h"

class ProgressBar
{
public:
    // Draws on standard error, and only when `enabled` (a terminal, no --quiet).
    ProgressBar(const QString& port, bool enabled);
    // Ends the bar's line, so what follows starts on a line of its own.
    ~ProgressBar();

    void show(const DeviceProgress& progress);
    // The line the bar shows for `progress` (without the carriage return).
    static QString line(const QString& port, const DeviceProgress& progress);

private:
    QString m_port;
    bool m_enabled;
    bool m_drawn = false;
};
