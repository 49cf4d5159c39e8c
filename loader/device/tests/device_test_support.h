#pragma once
// Shared pieces of the device tests: a private environment per test process, a simulated
// switch linked as COMn, and a descriptor count for leak checks.

#include <QString>
#include <memory>

#include "devicerecords.h"
#include "sim_options.h"
#include "switch_simulator.h"

// The pinned-ports folder of this test process (a fresh temporary folder).
QString testPortDir();

// Numbers above 160 have no automatic device, so a pinned port there is the test's alone.
constexpr int kTestCom = 201;

// Starts a simulated switch linked as COM<number> (or under `linkName`) in testPortDir().
// Fails the current test when it cannot start.
std::unique_ptr<kmsim::SwitchSimulator> startSwitch(kmsim::SimOptions options, int number = kTestCom);

// Number of open descriptors of this process, and of those open on `path`.
int openDescriptorCount();
int descriptorsOn(const std::string& path);

// Puts the terminal behind `fd` into raw mode at 9600 baud, as the program does: the
// simulated switch leaves the line's mode alone.
void makeRaw(int fd);

// Sets the preferences to the defaults of a fresh installation, with the given port.
void resetPreferences(int deviceCom = kTestCom);

// A payload whose bytes all differ from their neighbours (and include 0x0A and 0x0D).
QByteArray testImage(int size);
// The PROD_SET_DATA request the load flow makes for `payload`.
ProdDataRequest configRequest(const QByteArray& payload);
