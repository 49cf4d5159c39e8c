#pragma once
// COMHandler256 with its primitives and state opened up for tests.

#include "comhandler256.h"

class TestableHandler : public COMHandler256
{
public:
    using COMHandler256::COMHandler256;
    using COMHandler256::closePort;
    using COMHandler256::configurePort;
    using COMHandler256::openPort;
    using COMHandler256::readExact;
    using COMHandler256::writeAll;

    bool isBusy() const { return busy; }
    SerialHandle handle() const { return portHandle; }
    QString error() const { return lastError; }
};
