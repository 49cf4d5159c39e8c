// A Ports-class device as a serial driver's installation leaves one, for tests of programs
// that find their port through the setup functions (Wine lists none of its own):
//   fake_port.exe add COMn      registers it, with PortName COMn; it stays after this ends
//   fake_port.exe remove COMn   removes every Ports device named COMn
// A value under the services tree is written too, as an installation does, so that a running
// program's watch sees the change. Exit 0 on success.

#include <windows.h>
#include <setupapi.h>
#include <initguid.h> // the class GUIDs of devguid.h defined here
#include <devguid.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const wchar_t kDescription[] = L"Trevik test serial port";

std::wstring portNameOf(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    const HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return std::wstring();
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t), type = 0;
    const bool ok = ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return ok && type == REG_SZ ? std::wstring(name) : std::wstring();
}

bool touchServices()
{
    const DWORD value = ::GetTickCount(); // a new value each time: an unchanged one is not reported
    return ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\services\\TrevikFakePort", L"Start",
                             REG_DWORD, &value, sizeof value) == ERROR_SUCCESS;
}

bool add(const wchar_t* portName)
{
    const HDEVINFO set = ::SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_PORTS, nullptr);
    SP_DEVINFO_DATA device {};
    device.cbSize = sizeof device;
    bool ok = set != INVALID_HANDLE_VALUE
        && ::SetupDiCreateDeviceInfoW(set, L"PORTS", &GUID_DEVCLASS_PORTS, kDescription, nullptr, DICD_GENERATE_ID, &device)
        && ::SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr)
        && ::SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_DEVICEDESC, reinterpret_cast<const BYTE*>(kDescription),
                                               sizeof kDescription);
    if (ok) {
        const HKEY key = ::SetupDiCreateDevRegKeyW(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
        ok = key != INVALID_HANDLE_VALUE
            && ::RegSetValueExW(key, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(portName),
                                DWORD((std::wcslen(portName) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        if (key != INVALID_HANDLE_VALUE)
            ::RegCloseKey(key);
    }
    if (set != INVALID_HANDLE_VALUE)
        ::SetupDiDestroyDeviceInfoList(set);
    return ok && touchServices();
}

bool remove(const wchar_t* portName)
{
    const HDEVINFO set = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return false;
    SP_DEVINFO_DATA device {};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        if (portNameOf(set, device) == portName)
            ::SetupDiRemoveDevice(set, &device);
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return touchServices();
}

} // namespace

int wmain(int argc, wchar_t* argv[])
{
    if (argc != 3 || (std::wcscmp(argv[1], L"add") != 0 && std::wcscmp(argv[1], L"remove") != 0)) {
        std::fputs("usage: fake_port add|remove COMn\n", stderr);
        return 2;
    }
    const bool ok = std::wcscmp(argv[1], L"add") == 0 ? add(argv[2]) : remove(argv[2]);
    if (!ok)
        std::fprintf(stderr, "fake_port: failed (error %lu)\n", ::GetLastError());
    return ok ? 0 : 1;
}
