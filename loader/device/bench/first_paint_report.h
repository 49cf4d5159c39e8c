#pragma once
// The start-up probes' common end: once the window has painted for the first time, say so on
// standard output with the processor time spent so far ("painted 41.2", milliseconds, user and
// system), and quit. The benchmark that spawned the probe stops its clock at that line.

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

class FirstPaintReport : public QObject
{
public:
    explicit FirstPaintReport(QWidget& window) : m_window(window) { window.installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_window && event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Queued, so that it runs after this paint has reached the backing store and the
            // screen.
            QTimer::singleShot(0, [] {
                rusage usage {};
                getrusage(RUSAGE_SELF, &usage);
                const double cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
                    + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
                char line[64];
                const int length = std::snprintf(line, sizeof line, "painted %.3f\n", cpuMs);
                [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, line, size_t(length));
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    QWidget& m_window;
    bool m_seen = false;
};
