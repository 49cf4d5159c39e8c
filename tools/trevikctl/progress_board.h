#pragma once
// One progress line per port on a terminal, each redrawn in place while the ports load at
// once: the GET_INFO records read, the bytes of the image on the line, the wait for the
// switch's answer, then the port's result. Every line fits the terminal's width, so none wraps
// and the board never scrolls.

#include <QString>
#include <QStringList>

#include "com_handler256.h"

class ProgressBoard
{
public:
    // Draws on standard error, and only when `enabled` (a terminal, no --quiet), `columns`
    // wide; one line per entry of `ports`, in that order.
    ProgressBoard(const QStringList& ports, bool enabled, int columns);
    // Leaves the cursor below the board, so what follows starts on a line of its own.
    ~ProgressBoard();

    void show(int index, const DeviceProgress& progress);
    // The port's last word, in place of its bar.
    void finish(int index, const QString& text);

    // The line shown for `progress`, at most `columns` - 1 characters (the last column is left
    // free: a terminal would wrap a line that fills it); without the carriage return.
    static QString line(const QString& port, const DeviceProgress& progress, int columns);
    // `text` cut to fit the same width.
    static QString fitted(const QString& text, int columns);

private:
    void draw(int index, const QString& text);

    QStringList m_ports;
    bool m_enabled;
    int m_columns;
    bool m_drawn = false;
};
