#ifndef TREVIK_CQTMAINMGR_H
#define TREVIK_CQTMAINMGR_H

#include <QObject>

// The application's main manager: the start-up step between the Qt application object and
// the main window.
class mainMgr : public QObject
{
    Q_OBJECT

public:
    // Initialises the preference manager (identity, defaults, debug.ini, command line, settings
    // file), then opens the log outputs that "-console" and "-logfile" asked for.
    // Gives 0, or after a failed initialisation the code that the error backtrace logged; the
    // program then goes on with what the preference manager could set, without log outputs.
    int startUp();
};

// The program's one main manager, constructed before main runs.
extern mainMgr g_mainMgr;

#endif
