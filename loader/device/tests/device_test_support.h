#pragma once
// Shared pieces of the device tests: a private environment per test process, a simulated
// switch linked as COMn, and a descriptor count for leak checks.

#include <QString>
#include <memory>

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

// Sets the preferences to the defaults of a fresh installation, with the given port.
void resetPreferences(int deviceCom = kTestCom);
