#include "serial_port_api.h"

namespace {
SerialPortApi* g_installedApi = nullptr;
}

SerialPortApi& serialPortApi()
{
    return g_installedApi ? *g_installedApi : systemSerialPortApi();
}

SerialPortApi* setSerialPortApi(SerialPortApi* api)
{
    SerialPortApi* previous = g_installedApi;
    g_installedApi = api;
    return previous;
}
