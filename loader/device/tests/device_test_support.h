#pragma once
// The device tests on Linux, beside the shared pieces: a simulated switch on a pseudo-terminal
// linked as COMn in the test's pinned-ports folder, and descriptor counts for leak checks.

#include <memory>
#include <string>

#include "handler_test_support.h"
#include "sim_options.h"
#include "switch_simulator.h"

// The pinned-ports folder of this test process (a fresh temporary folder).
QString testPortDir();

// Links `name` in testPortDir() to `target`, as an operator pins a port. Fails the current test
// when it cannot.
void pinPort(const QString& target, const char* name);

// Starts a simulated switch linked as COM<number> (or under options.linkName; number 0 and no
// name: no link) in testPortDir(). Fails the current test when it cannot start.
std::unique_ptr<kmsim::SwitchSimulator> startSwitch(kmsim::SimOptions options = {},
                                                    int number = kTestCom);

// Descriptors of this process open on `path` (all of them for an empty path).
int descriptorsOn(const std::string& path);
inline int openDescriptorCount() { return descriptorsOn({}); }
