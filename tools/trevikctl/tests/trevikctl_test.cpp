// trevikctl as an operator or a script runs it, against simulated switches: every subcommand,
// every exit code, JSON read back, the progress bar only on a terminal, and pictures whose
// structure matches the file.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <thread>
#include <unistd.h>

#include "ctl_common.h"
#include "progress_board.h"
#include "switch_simulator.h"
#include "zentrix.h"

namespace {

const QString kExamples = QStringLiteral(EXAMPLES_DIR);
const QString kFixtures = QStringLiteral(FIXTURES_DIR);

struct Outcome
{
    int exit = -1;
    QByteArray out, err;
    QJsonValue json() const
    {
        const QJsonDocument d = QJsonDocument::fromJson(out);
        return d.isArray() ? QJsonValue(d.array()) : QJsonValue(d.object());
    }
};

class Ctl : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        environment.insert("HOME", home.path());
        environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
        environment.insert("TREVIK_PORT_DIR", home.path() + "/ports");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
    }

    // A simulated switch linked as COM<number> in this test's port folder.
    kmsim::SwitchSimulator& startSwitch(int number, kmsim::SimOptions options = {})
    {
        options.comNumber = number;
        options.portDir = (home.path() + "/ports").toStdString();
        options.logPath.clear();
        switches.push_back(std::make_unique<kmsim::SwitchSimulator>(options));
        std::string error;
        EXPECT_TRUE(switches.back()->start(error)) << error;
        return *switches.back();
    }

    Outcome run(const QStringList& arguments, const QString& program = QStringLiteral(TREVIKCTL_PATH))
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(30000)) << arguments.join(' ').toStdString();
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }

    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::vector<std::unique_ptr<kmsim::SwitchSimulator>> switches;
};

// A switch that falls silent (or hangs up) once the image's frame has come in.
kmsim::SimOptions failingAtTheImage(kmsim::Fault fault)
{
    kmsim::SimOptions o;
    o.fault = fault;
    o.faultAt = 32;
    return o;
}

kmsim::SimOptions withPorts(int count)
{
    kmsim::SimOptions o;
    o.portCount = count;
    return o;
}

QByteArray convertedImage(const QString& path, int ports)
{
    char message[256];
    unsigned char* image = nullptr;
    int size = 0;
    EXPECT_EQ(convert_d(ports, path.toUtf8().constData(), message, 255, &image, &size), 0) << message;
    return QByteArray(reinterpret_cast<const char*>(image), size);
}

TEST_F(Ctl, UsageVersionAndHelp)
{
    const struct { QStringList args; int exit; const char* shows; const char* never = nullptr; } rows[] = {
        {{"--version"}, 0, "1.0.0.5, build 1612211426"},
        {{"--help"}, 0, "5  the switch refused or did not answer the write"},
        {{"load", "--help"}, 0, "--port <COMn>"},
        {{"preview", "--help"}, 0, "Exit codes:"},
        {{}, 2, "Usage: trevikctl COMMAND"},
        {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
        {{"load", "--help"}, 0, "128+n  stopped by signal n"},
        // Each subcommand's help lists only the codes it can return.
        {{"check", "--help"}, 0, "2  usage error\n", "3  port"},
        {{"info", "--help"}, 0, "3  port or transport failure", "1  the converter"},
        {{"load", kExamples + "/two-desks.kmc"}, 2, "--port is missing: name the switch's port, such as COM7"},
        {{"info", "--port", "LPT1"}, 2, "--port LPT1: give a port from COM1 to COM255"},
        {{"check"}, 2, "the KMC file is missing\nUsage: trevikctl check FILE"},
        {{"check", "a.kmc", "b.kmc"}, 2, "unexpected argument 'b.kmc'"},
        {{"preview", kExamples + "/two-desks.kmc", "-o", "x.gif"}, 2, "-o wants a file ending in .svg or .png"},
        {{"ports", "--bogus"}, 2, "Unknown option 'bogus'.\nUsage: trevikctl ports"},
        // One rule for ranges, whichever the option: a usage error that names the range.
        {{"check", kExamples + "/two-desks.kmc", "--ports", "0"}, 2, "--ports 0: give a number from 1 to 8"},
        {{"check", kExamples + "/two-desks.kmc", "--ports", "9"}, 2, "--ports 9: give a number from 1 to 8"},
        {{"check", kExamples + "/two-desks.kmc", "--ports", "-1"}, 2, "--ports -1: give a number from 1 to 8"},
        {{"check", kExamples + "/two-desks.kmc", "--ports", "abc"}, 2, "--ports abc: give a number from 1 to 8"},
        {{"info", "--port", "COM0"}, 2, "--port COM0: give a port from COM1 to COM255"},
        {{"info", "--port", "COM256"}, 2, "--port COM256: give a port from COM1 to COM255"},
        {{"info", "--port", "1000"}, 2, "--port 1000: give a port from COM1 to COM255"},
        {{"load", kExamples + "/two-desks.kmc", "--port", "COM7", "--port", "7"}, 2, "--port COM7 is given twice"},
    };
    for (const auto& row : rows) {
        const Outcome r = run(row.args);
        EXPECT_EQ(r.exit, row.exit) << row.args.join(' ').toStdString();
        EXPECT_TRUE((r.out + r.err).contains(row.shows)) << (r.out + r.err).toStdString();
        if (row.never) {
            EXPECT_FALSE((r.out + r.err).contains(row.never)) << (r.out + r.err).toStdString();
        }
    }
}

TEST_F(Ctl, PortsListsThePinnedSwitchWithItsDevice)
{
    const kmsim::SwitchSimulator& sim = startSwitch(7);
    const QJsonArray ports = run({"ports", "--json"}).json().toArray();
    const auto it = std::find_if(ports.begin(), ports.end(), [](const QJsonValue& p) { return p["port"] == "COM7"; });
    ASSERT_NE(it, ports.end());
    EXPECT_EQ((*it)["device"].toString().toStdString(), sim.slavePath());
    EXPECT_TRUE((*it)["pinned"].toBool());
    EXPECT_TRUE((*it)["usable"].toBool());
    EXPECT_TRUE(run({"ports"}).out.contains(QByteArray("COM7\t") + sim.slavePath().c_str() + "\t-\tpinned"));
}

TEST_F(Ctl, InfoReadsTheRecordsOrSaysWhyNot)
{
    startSwitch(7, withPorts(8));
    const QJsonObject info = run({"info", "--port", "COM7", "--json"}).json().toObject();
    EXPECT_EQ(info["switch_ports"].toInt(), 8);
    ASSERT_EQ(info["records"].toArray().size(), 32);
    EXPECT_TRUE(info["records"][31].toString().startsWith("1f 01 1f 1f 33 22 11")) << "index 31, then its data";
    const Outcome missing = run({"info", "--port", "COM9"});
    EXPECT_EQ(missing.exit, 3);
    EXPECT_TRUE(missing.err.contains("COM9: No such file or directory"));
}

TEST_F(Ctl, CheckShowsTheHeaderAndTheVerdict)
{
    const QJsonObject good = run({"check", kExamples + "/eight-ports.kmc", "--json"}).json().toObject();
    EXPECT_EQ(good["name"].toString(), "Eight ports");
    EXPECT_EQ(good["date"].toString(), "06.12.2026 20:50");
    EXPECT_EQ(good["ports"].toInt(), 8) << "the file's own count";
    EXPECT_EQ(good["message"].toString(), "Converted");
    const Outcome refused = run({"check", kFixtures + "/builder-18-geometry-port-above-count.kmc"});
    EXPECT_EQ(refused.exit, 1);
    EXPECT_TRUE(refused.out.contains("Could not convert data: error #3"));
    EXPECT_EQ(run({"check", kExamples + "/two-desks.kmc", "--ports", "8"}).exit, 1);
    // Without the conversion library beside the program there is no verdict to give.
    const QString alone = home.path() + "/trevikctl";
    ASSERT_TRUE(QFile::copy(TREVIKCTL_PATH, alone));
    const Outcome missing = run({"check", kExamples + "/two-desks.kmc"}, alone);
    EXPECT_EQ(missing.exit, 1);
    EXPECT_TRUE(missing.out.contains("Cannot load conversion library")) << missing.out.toStdString();
}

// A picture shows one panel per port, every screen with its resolution, and one stretch for
// each end of each passage, on the screen and edge the file names.
TEST_F(Ctl, PreviewDrawsTheFileAsItIs)
{
    const QString svg = home.path() + "/two-desks.svg";
    ASSERT_EQ(run({"preview", kExamples + "/two-desks.kmc", "-o", svg}).exit, 0);
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList panels, screens, stretches;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = xml.attributes();
        const QString kind = a.value("class").toString();
        if (kind == "panel")
            panels << a.value("data-port").toString();
        else if (kind == "screen")
            screens << QStringLiteral("%1/%2 %3").arg(a.value("data-port"), a.value("data-screen"), a.value("data-size"));
        else if (kind == "stretch")
            stretches << QStringLiteral("%1.%2 %3/%4").arg(a.value("data-passage"), a.value("data-end"),
                                                             a.value("data-port"), a.value("data-screen"));
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(panels, (QStringList {"1", "2", "3", "4"}));
    EXPECT_EQ(screens, (QStringList {"1/1 1920x1080", "1/2 1920x1080", "2/1 1680x1050"}));
    EXPECT_EQ(stretches, (QStringList {"1.1 1/1", "1.2 1/2", "2.1 1/2", "2.2 2/1"}));

    const QString png = home.path() + "/largest.png";
    ASSERT_EQ(run({"preview", kExamples + "/largest-16-screens-24-passages.kmc", "-o", png}).exit, 0);
    EXPECT_FALSE(QImage(png).isNull());

    const QString refused = home.path() + "/refused.svg";
    const Outcome r = run({"preview", kFixtures + "/builder-18-geometry-port-above-count.kmc", "-o", refused});
    EXPECT_EQ(r.exit, 1);
    QFile message(refused);
    ASSERT_TRUE(message.open(QIODevice::ReadOnly));
    const QByteArray text = message.readAll();
    EXPECT_TRUE(text.contains("class=\"message\"") && text.contains("Could not convert data: error #3"));
    EXPECT_FALSE(text.contains("class=\"screen\""));
}

TEST_F(Ctl, LoadWritesTheImageQuietlyWhenNoTerminalListens)
{
    const kmsim::SwitchSimulator& sim = startSwitch(7);
    const Outcome r = run({"load", kExamples + "/two-desks.kmc", "--port", "COM7"});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "COM7: Configuration file has been successfully loaded to device\n");
    EXPECT_FALSE(r.err.contains("GET_INFO records")) << "no bar on a pipe";
    ASSERT_EQ(sim.images().size(), 1u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(sim.images()[0].data()), 920),
              convertedImage(kExamples + "/two-desks.kmc", 4));
}

// On a terminal the bar shows the records, the bytes and the wait (script(1) gives the run one).
TEST_F(Ctl, LoadShowsProgressOnATerminal)
{
    startSwitch(7);
    const QString command = QStringLiteral("%1 load %2/two-desks.kmc --port COM7").arg(TREVIKCTL_PATH, kExamples);
    const Outcome r = run({"-qec", command, "/dev/null"}, QStringLiteral("script"));
    EXPECT_EQ(r.exit, 0);
    for (const char* step : {"GET_INFO records 32/32", "bytes written 936/936", "waiting for the switch's answer"})
        EXPECT_TRUE(r.out.contains(step)) << step << "\n" << r.out.toStdString();
}

// A progress line never fills its terminal's width (it would wrap and scroll), and keeps what
// it says when the bar has to shrink or go.
TEST(ProgressBoardLine, FitsTheTerminal)
{
    const struct { int columns; DeviceProgress progress; const char* line; } rows[] = {
        {80, {DeviceProgress::Writing, 468, 936}, "COM7 [###############...............] bytes written 468/936"},
        {50, {DeviceProgress::Writing, 468, 936}, "COM7 [##########..........] bytes written 468/936"},
        {50, {DeviceProgress::InfoRecords, 8, 32}, "COM7 [#####...............] GET_INFO records 8/32"},
        {50, {DeviceProgress::AwaitingAnswer, 0, 0}, "COM7 [##########] waiting for the switch's answer"},
        {30, {DeviceProgress::InfoRecords, 8, 32}, "COM7 GET_INFO records 8/32"},
        {20, {DeviceProgress::Writing, 936, 936}, "COM7 bytes written "},
    };
    for (const auto& row : rows) {
        const QString line = ProgressBoard::line("COM7", row.progress, row.columns);
        EXPECT_EQ(line, row.line) << row.columns << " " << line.toStdString();
        EXPECT_LT(line.size(), row.columns);
    }
}

// Every port at once; each reports its own outcome, in the order given.
TEST_F(Ctl, LoadAcrossPortsReportsEach)
{
    const struct { const char* label; kmsim::SimOptions second; const char* file; int exit; const char* result; } rows[] = {
        {"switch silent after the image", failingAtTheImage(kmsim::Fault::Silence), "two-desks.kmc", 5, "write-failed"},
        {"switch with eight ports", withPorts(8), "two-desks.kmc", 4, "wrong-ports"},
        {"refused file", {}, "../converter/tests/fixtures/builder-18-geometry-port-above-count.kmc", 1, "refused"},
        // A line that goes dead is the port's trouble, not a switch that kept silent.
        {"line hangs up at the image's answer", failingAtTheImage(kmsim::Fault::HangUp), "two-desks.kmc", 3, "write-failed"},
    };
    for (const auto& row : rows) {
        switches.clear();
        startSwitch(7);
        startSwitch(8, row.second);
        const Outcome r = run({"load", kExamples + "/" + row.file, "--port", "COM7", "--port", "8", "--port", "COM9",
                           "--ports", "4", "--json"});
        const QJsonArray ports = r.json().toArray();
        ASSERT_EQ(ports.size(), 3) << row.label << r.out.toStdString();
        EXPECT_EQ(ports[1]["port"].toString(), "COM8");
        EXPECT_EQ(ports[1]["result"].toString(), row.result) << row.label;
        EXPECT_EQ(ports[1]["exit"].toInt(), row.exit);
        EXPECT_EQ(ports[2]["exit"].toInt(), row.exit == 1 ? 1 : 3) << "COM9 has no switch";
        for (int i : {1, 2}) // the converter's word stands whatever the switch did after it
            EXPECT_EQ(ports[i]["converter_result"].toInt(), row.exit == 1 ? 18 : 0) << row.label;
        EXPECT_EQ(ports[0]["result"].toString(), row.exit == 1 ? "refused" : "loaded") << row.label;
    }
    const Outcome table = run({"load", kExamples + "/two-desks.kmc", "--port", "COM7", "--port", "COM9", "--quiet"});
    EXPECT_TRUE(table.out.contains("PORT\tRESULT\tMESSAGE\nCOM7\tloaded\t")) << table.out.toStdString();
    EXPECT_TRUE(table.out.contains("COM9\tno-info\tNo such file or directory"));
}

// The run's exit code is the most serious of its ports', whatever the order of --port.
TEST_F(Ctl, LoadExitCodeDoesNotDependOnTheOrderOfPorts)
{
    const struct { QStringList ports; int exit; } rows[] = {
        {{"COM7", "COM8"}, 5}, {{"COM8", "COM7"}, 5},
        {{"COM7", "COM8", "COM9"}, 3}, {{"COM9", "COM8", "COM7"}, 3}, {{"COM8", "COM9", "COM7"}, 3},
    };
    for (const auto& row : rows) {
        switches.clear(); // the silence comes once, at the image
        startSwitch(7, failingAtTheImage(kmsim::Fault::Silence)); // 5: the switch did not answer the write
        startSwitch(8, withPorts(8));                             // 4: wrong number of ports
        QStringList arguments {"load", kExamples + "/two-desks.kmc", "--quiet"};
        for (const QString& port : row.ports)
            arguments << "--port" << port;
        EXPECT_EQ(run(arguments).exit, row.exit) << row.ports.join(' ').toStdString();
    }
    const struct { QList<int> codes; int overall; } pure[] = {
        {{}, 0}, {{0, 0}, 0}, {{1, 1}, 1}, {{0, 4}, 4}, {{4, 5}, 5}, {{5, 3, 4}, 3}, {{3, 0}, 3},
    };
    for (const auto& row : pure) {
        QList<int> codes = row.codes;
        std::sort(codes.begin(), codes.end());
        do {
            EXPECT_EQ(overallExit(codes), row.overall);
        } while (std::next_permutation(codes.begin(), codes.end()));
    }
}

// Messages name the user's file and the system's reason, never a port count nobody read, and
// a file name's bytes reach the library as they are.
TEST_F(Ctl, MessagesNameTheFileAndInventNothing)
{
    const QString missing = home.path() + "/missing.kmc";
    const Outcome check = run({"check", missing});
    EXPECT_EQ(check.exit, 1);
    EXPECT_TRUE(check.err.contains((missing + ": No such file or directory").toUtf8())) << check.err.toStdString();
    EXPECT_TRUE(check.out.contains("Ports: unknown\n")) << check.out.toStdString();
    EXPECT_TRUE(run({"check", missing, "--json"}).json().toObject()["ports"].isNull());
    EXPECT_EQ(run({"check", missing, "--ports", "4", "--json"}).json().toObject()["ports"].toInt(), 4);

    startSwitch(7);
    const Outcome load = run({"load", missing, "--port", "COM7"});
    EXPECT_EQ(load.exit, 1);
    EXPECT_EQ((load.out + load.err).count("Cannot open test.kmc"), 1) << (load.out + load.err).toStdString();
    EXPECT_TRUE(load.err.startsWith(("trevikctl: " + missing + ": No such file or directory").toUtf8()));

    // A name that is not UTF-8: made and handed over as bytes.
    const std::string odd = QFile::encodeName(home.path()).toStdString() + "/inv\xff.kmc";
    ASSERT_TRUE(std::filesystem::copy_file(QFile::encodeName(kExamples + "/two-desks.kmc").toStdString(), odd));
    for (const auto& [command, options] : {std::pair("check", ""), std::pair("load", " --port COM7 --quiet")}) {
        const QString line = QStringLiteral("exec \"$0\" %1 \"$(printf '%2/inv\\377.kmc')\"%3").arg(command, home.path(), options);
        const Outcome r = run({"-c", line, TREVIKCTL_PATH}, "/bin/sh");
        EXPECT_EQ(r.exit, 0) << command << r.out.toStdString() << r.err.toStdString();
    }
    EXPECT_EQ(switches.back()->images().size(), 1u);
    ::unlink(odd.c_str()); // a name the temporary folder's own clean-up cannot spell
}

// Ctrl-C in the middle of the write: the rest of the frame never reaches the switch, the
// program ends with 128 + SIGINT and lets the port go, and a retry loads.
TEST_F(Ctl, InterruptStopsTheLine)
{
    kmsim::SimOptions slow;
    slow.baud = 2400;
    const kmsim::SwitchSimulator& sim = startSwitch(7, slow);
    ASSERT_TRUE(QDir().mkpath(home.path() + "/config/Velmora"));
    QFile settings(home.path() + "/config/Velmora/Trevik Tool.ini");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[main_config]\ngeneral.comparam_baudrate=2400\n");
    settings.close();
    QProcess load;
    load.setProcessEnvironment(environment);
    load.start(TREVIKCTL_PATH, {"load", kExamples + "/two-desks.kmc", "--port", "COM7", "--quiet"});
    ASSERT_TRUE(load.waitForStarted());
    // The image's 936 bytes take 3.9 s at 2400 baud; the interrupt comes 1.2 s into them.
    while (sim.receivedCount() < 32 && !load.waitForFinished(10)) {
    }
    ASSERT_EQ(sim.receivedCount(), 32) << load.readAllStandardError().toStdString();
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    ::kill(pid_t(load.processId()), SIGINT);
    ASSERT_TRUE(load.waitForFinished(3000));
    EXPECT_EQ(load.exitCode(), 128 + SIGINT) << load.readAllStandardError().toStdString();
    // Longer than the frame's remaining time on the wire: nothing more arrives.
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    EXPECT_EQ(sim.receivedCount(), 32);
    EXPECT_TRUE(sim.images().empty());
    const Outcome retry = run({"load", kExamples + "/two-desks.kmc", "--port", "COM7", "--quiet"});
    EXPECT_EQ(retry.exit, 0) << retry.err.toStdString();
    EXPECT_EQ(sim.images().size(), 1u);
}

} // namespace
