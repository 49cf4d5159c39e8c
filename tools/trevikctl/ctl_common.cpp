#include "ctl_common.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cstdio>

#include "com_port_names.h"
#include "load_flow.h"

const char* const kExitCodeHelp =
    "Exit codes:\n"
    "  0  all loaded (other subcommands: done)\n"
    "  1  the converter refused the file\n"
    "  2  usage error\n"
    "  3  port or transport failure\n"
    "  4  the switch has another number of ports than the file\n"
    "  5  the switch refused or did not answer the write\n";

bool parseCommand(Command& command, const QStringList& arguments, int expectedPositionals, int& exit)
{
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    command.parser.addOption(help);
    if (!command.parser.parse(QStringList {QStringLiteral("trevikctl")} + arguments)) {
        printError(command.parser.errorText() + QStringLiteral("\nUsage: ") + command.usage);
        exit = kExitUsage;
        return false;
    }
    if (command.parser.isSet(help)) {
        QString text = command.parser.helpText();
        text.replace(QRegularExpression(QStringLiteral("^Usage: [^\n]*")), QStringLiteral("Usage: ") + command.usage);
        std::fputs(qPrintable(text + QLatin1Char('\n') + QLatin1String(kExitCodeHelp)), stdout);
        exit = kExitOk;
        return false;
    }
    if (command.parser.positionalArguments().size() != expectedPositionals) {
        printError(QStringLiteral("Usage: ") + command.usage);
        exit = kExitUsage;
        return false;
    }
    return true;
}

unsigned int portNumberOf(const QString& text)
{
    unsigned int number = 0;
    bool digits = false;
    const unsigned int plain = text.toUInt(&digits);
    if (digits)
        return plain;
    return parseComPortName(text, number) ? number : 0;
}

QString libraryFolder()
{
    return QCoreApplication::applicationDirPath();
}

int fileOwnPortCount(const QString& path)
{
    QString message;
    convertOnly(libraryFolder(), path, 1, message);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Different numbers of ports: in file \\((-?\\d+)\\)")).match(message);
    return m.hasMatch() ? m.captured(1).toInt() : 1;
}

void printJson(const QJsonValue& value)
{
    const QJsonDocument document = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    std::fputs(document.toJson(QJsonDocument::Indented).constData(), stdout);
}

void printLine(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
}

void printError(const QString& text)
{
    std::fputs(qPrintable(QStringLiteral("trevikctl: ") + text + QLatin1Char('\n')), stderr);
}
