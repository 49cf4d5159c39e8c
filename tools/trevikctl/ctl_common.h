#pragma once
// What trevikctl's subcommands share: their command lines, the exit codes scripts can trust,
// where the conversion library lives, and printing text or JSON.

#include <QCommandLineParser>
#include <QJsonValue>
#include <QStringList>

enum ExitCode {
    kExitOk = 0,              // all loaded; for the other subcommands: done
    kExitConverterRefused = 1,
    kExitUsage = 2,
    kExitTransport = 3,       // the port or the line failed
    kExitWrongPortCount = 4,
    kExitSwitchRefused = 5,   // the switch refused or did not answer the write
    kExitOutput = 6,          // the output could not be written
};

// The table of exit codes, as --help and README show it.
extern const char* const kExitCodeHelp;

// A subcommand's command line, with --help; the options most subcommands share are one call.
struct Command
{
    Command(const QString& usage, const QString& description);
    void addFile();   // the KMC file, the one positional argument
    void addJson();
    void addPorts();  // --ports N, default the file's own count
    void addPort(const QString& help); // --port COMn, required, may be repeated

    // Parses `arguments` (those after the subcommand) and checks --ports and --port. False when
    // the subcommand is over: help printed (`exit` 0) or a usage error reported on stderr (`exit` 2).
    bool parse(const QStringList& arguments, int& exit);
    // Reports a usage error about `what` and gives the usage exit code.
    int usageError(const QString& what) const;

    bool isSet(const char* option) const { return parser.isSet(QLatin1String(option)); }
    QString value(const char* option) const { return parser.value(QLatin1String(option)); }
    QString file() const { return parser.positionalArguments().value(0); }

    QCommandLineParser parser;
    QString usage; // "trevikctl load FILE --port COMn ..."
    int positionals = 0;
    bool wantsPortCount = false, wantsPort = false;
    int portCount = 1;                 // after parse: --ports, else the file's own count
    QList<unsigned int> portNumbers;   // after parse: each --port in order
};

// "COM7" or "7" as a port number; 0 when it is neither.
unsigned int portNumberOf(const QString& text);

// The folder the conversion library is loaded from: the program's own, as for the window.
QString libraryFolder();

// The port count a KMC file was made for, as the conversion library reads it (it names the
// file's count when asked for another); 1 when the file says 1 or stops before saying.
int fileOwnPortCount(const QString& path);

void printJson(const QJsonValue& value);
void printLine(const QString& text);
void printError(const QString& text);

// Each subcommand on its arguments; gives the exit code.
int portsCommand(const QStringList& arguments);
int infoCommand(const QStringList& arguments);
int checkCommand(const QStringList& arguments);
int previewCommand(const QStringList& arguments);
int loadCommand(const QStringList& arguments);
