// On Windows the simulator is a Linux program: a script starts it behind a Wine port
// (tests/run_with_switch.sh) with the same pace and names that port in TREVIK_TEST_COM.

#include "bench_switch.h"

#include <cstdio>

int standBenchSwitch(unsigned, int, const QString&)
{
    const int com = qEnvironmentVariableIntValue("TREVIK_TEST_COM");
    if (com <= 0)
        std::fprintf(stderr, "No switch: start through run_with_switch.sh with --baud and --reply-delay\n");
    return com;
}
