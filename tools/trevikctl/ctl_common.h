#pragma once
// What trevikctl's subcommands share: their command lines, the exit codes scripts can trust,
// where the conversion library lives, and printing text or JSON.
//
// Arguments arrive as the command line's bytes one to one (each byte a Latin-1 character), so
// a file name that is not valid UTF-8 reaches the conversion library unchanged: take a path
// with bytesOf() and show it with shown().

#include <QCommandLineParser>
#include <QJsonValue>
#include <QList>
#include <QStringList>
#include <optional>

enum ExitCode {
    kExitOk = 0,              // all loaded; for the other subcommands: done
    kExitConverterRefused = 1,
    kExitUsage = 2,
    kExitTransport = 3,       // the port or the line failed
    kExitWrongPortCount = 4,
    kExitSwitchRefused = 5,   // the switch refused or did not answer the write
    kExitOutput = 6,          // the output could not be written
};
// An interrupted run exits with 128 + the signal's number (130 for Ctrl-C).
constexpr int kExitSignalBase = 128;

// The lines of the exit-code table for `codes`, as --help shows them.
QString exitCodeHelp(const QList<int>& codes);
// Every code any subcommand can return, for the program's own --help.
extern const QList<int> kAllExitCodes;

// The ranges the command line accepts.
constexpr int kFewestPorts = 1, kMostPorts = 8;      // a switch's number of ports
constexpr unsigned int kLowestCom = 1, kHighestCom = 255; // COM1 .. COM255

// A subcommand's command line, with --help; the options most subcommands share are one call.
struct Command
{
    // `exits`: the codes this subcommand can return, listed by its --help.
    Command(const QString& usage, const QString& description, const QList<int>& exits);
    void addFile();   // the KMC file, the one positional argument
    void addJson();
    void addPorts();  // --ports N, default the file's own count
    void addPort(const QString& help); // --port COMn, required, may be repeated, never twice the same

    // Parses `arguments` (those after the subcommand) and checks --ports and --port. False when
    // the subcommand is over: help printed (`exit` 0) or a usage error reported on stderr, saying
    // what is wrong (`exit` 2).
    bool parse(const QStringList& arguments, int& exit);
    // Reports a usage error about `what` and gives the usage exit code.
    int usageError(const QString& what) const;

    bool isSet(const char* option) const { return parser.isSet(QLatin1String(option)); }
    QString value(const char* option) const { return parser.value(QLatin1String(option)); }
    // The KMC file's path as the command line gave its bytes.
    QByteArray file() const { return bytesOf(parser.positionalArguments().value(0)); }

    QCommandLineParser parser;
    QString usage; // "trevikctl load FILE --port COMn ..."
    QList<int> exitCodes;
    int positionals = 0;
    bool wantsPortCount = false, wantsPort = false;
    // After parse: --ports, else the file's own count; empty when neither says (the file
    // cannot be read, or its count cannot be found).
    std::optional<int> portCount;
    QList<unsigned int> portNumbers;   // after parse: each --port in order

    static QByteArray bytesOf(const QString& argument) { return argument.toLatin1(); }
};

// The command line's arguments after the program's name, byte for byte (see above).
QStringList commandLineArguments(int argc, char* argv[]);
// A path's bytes as text for a person: the local encoding, unreadable bytes replaced.
QString shown(const QByteArray& path);

// "COM7" or "7" as a port number; 0 when it is neither or out of range.
unsigned int portNumberOf(const QString& text);

// The folder the conversion library is loaded from: the program's own, as for the window.
QString libraryFolder();

// Why `path` cannot be read, as "PATH: the system's reason"; empty when it can.
QString unreadable(const QByteArray& path);

// The port count a KMC file was made for, as the conversion library reads it (it names the
// file's count when asked for another); empty when the file cannot be read or the library
// stops before the count.
std::optional<int> fileOwnPortCount(const QByteArray& path);

// Of several ports' exit codes, the one a run reports: the most serious, whatever the order
// (3 port trouble, then 5 the switch refused, then 4 wrong ports, then 1, then 0).
int overallExit(const QList<int>& codes);

void printJson(const QJsonValue& value);
void printLine(const QString& text);
void printError(const QString& text);

// Each subcommand on its arguments; gives the exit code.
int portsCommand(const QStringList& arguments);
int infoCommand(const QStringList& arguments);
int checkCommand(const QStringList& arguments);
int previewCommand(const QStringList& arguments);
int loadCommand(const QStringList& arguments);
