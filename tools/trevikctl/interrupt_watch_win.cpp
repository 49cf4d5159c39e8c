#include "interrupt_watch.h"

#include <QMetaObject>
#include <atomic>
#include <csignal>
#include <windows.h>

namespace {

// The watch the console's handler reports to; the handler runs on a thread of its own.
std::atomic<InterruptWatch*> g_watch {nullptr};

BOOL WINAPI onConsoleEvent(DWORD event)
{
    const int number = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
    InterruptWatch* watch = g_watch.load();
    if (!watch)
        return FALSE;
    QMetaObject::invokeMethod(watch, [watch, number] { emit watch->interrupted(number); }, Qt::QueuedConnection);
    // A close event ends the process when this returns: give the command a moment to stop.
    if (event == CTRL_CLOSE_EVENT)
        Sleep(2000);
    return TRUE;
}

} // namespace

struct InterruptWatch::Private
{
};

InterruptWatch::InterruptWatch(QObject* parent) : QObject(parent), d(nullptr)
{
    g_watch = this;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

InterruptWatch::~InterruptWatch()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    g_watch = nullptr;
}
