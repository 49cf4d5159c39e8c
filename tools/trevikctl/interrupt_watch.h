#pragma once
// Turns the operator's interrupt (Ctrl-C, SIGINT or SIGTERM; on Windows the console's Ctrl-C,
// Ctrl-Break and close) into a Qt signal on the thread that made the watch, so a command can
// stop its lines and exit in an orderly way. While a watch exists the program is not killed
// by those signals; the previous handling comes back when it is destroyed. One watch at a time.

#include <QObject>

class InterruptWatch : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatch(QObject* parent = nullptr);
    ~InterruptWatch() override;

signals:
    // `signalNumber`: SIGINT (2) for Ctrl-C, SIGTERM (15) for a termination request.
    void interrupted(int signalNumber);

private:
    struct Private;
    Private* d;
};
