// The port selector's list on Windows: the present devices of the first "Ports" setup class,
// through the setup library loaded at run time from the system folder (never from the
// program's folder or the current one, where a planted copy could sit).

#include "list_com_ports.h"

#include <windows.h>
#include <setupapi.h>

#include <QVector>

#include "com_port_names.h"

namespace {

using OpenDevRegKeyFn = HKEY(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, DWORD, DWORD, REGSAM);
using ClassGuidsFromNameFn = BOOL(WINAPI*)(PCWSTR, LPGUID, DWORD, PDWORD);
using GetClassDevsFn = HDEVINFO(WINAPI*)(const GUID*, PCWSTR, HWND, DWORD);
using GetDeviceRegistryPropertyFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE, DWORD, PDWORD);
using DestroyDeviceInfoListFn = BOOL(WINAPI*)(HDEVINFO);
using EnumDeviceInfoFn = BOOL(WINAPI*)(HDEVINFO, DWORD, PSP_DEVINFO_DATA);

constexpr DWORD kDescriptionBytes = 2048;

template <typename Fn>
bool resolve(HMODULE library, const char* name, Fn& fn)
{
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
    return fn != nullptr;
}

struct SetupLibrary
{
    OpenDevRegKeyFn openDevRegKey = nullptr;
    ClassGuidsFromNameFn classGuidsFromName = nullptr;
    GetClassDevsFn getClassDevs = nullptr;
    GetDeviceRegistryPropertyFn getDeviceRegistryProperty = nullptr;
    DestroyDeviceInfoListFn destroyDeviceInfoList = nullptr;
    EnumDeviceInfoFn enumDeviceInfo = nullptr;

    bool resolveAll(HMODULE library)
    {
        return resolve(library, "SetupDiOpenDevRegKey", openDevRegKey)
            && resolve(library, "SetupDiClassGuidsFromNameW", classGuidsFromName)
            && resolve(library, "SetupDiGetClassDevsW", getClassDevs)
            && resolve(library, "SetupDiGetDeviceRegistryPropertyW", getDeviceRegistryProperty)
            && resolve(library, "SetupDiDestroyDeviceInfoList", destroyDeviceInfoList)
            && resolve(library, "SetupDiEnumDeviceInfo", enumDeviceInfo);
    }
};

// The device's "PortName" (REG_SZ only); empty when it cannot be read whole.
QString portNameOf(const SetupLibrary& setup, HDEVINFO devices, SP_DEVINFO_DATA& device)
{
    const HKEY key = setup.openDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return QString();
    QString name;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key, L"PortName", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
        // Two bytes more than reported, for a terminator the writer may have left out; a read
        // that fills the whole buffer was cut and does not count.
        const DWORD capacity = size + sizeof(wchar_t);
        QVector<wchar_t> buffer(int(capacity / sizeof(wchar_t)) + 1, 0);
        DWORD got = capacity;
        if (::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got)
                == ERROR_SUCCESS
            && type == REG_SZ && got < capacity)
            name = QString::fromWCharArray(buffer.constData());
    }
    ::RegCloseKey(key);
    return name;
}

QString descriptionOf(const SetupLibrary& setup, HDEVINFO devices, SP_DEVINFO_DATA& device)
{
    QVector<wchar_t> buffer(kDescriptionBytes / sizeof(wchar_t) + 1, 0);
    DWORD type = 0;
    if (!setup.getDeviceRegistryProperty(devices, &device, SPDRP_DEVICEDESC, &type,
                                         reinterpret_cast<BYTE*>(buffer.data()), kDescriptionBytes, nullptr)
        || type != REG_SZ)
        return QString();
    return QString::fromWCharArray(buffer.constData());
}

// The listing proper, with the library loaded; false with the thread's error set on failure.
bool listWith(const SetupLibrary& setup, QList<unsigned int>& ports, QStringList& descriptions)
{
    // Without a buffer the call only tells how many classes carry the name.
    DWORD count = 0;
    setup.classGuidsFromName(L"Ports", nullptr, 0, &count);
    if (count == 0)
        return false; // the call's own code stays
    const HANDLE heap = ::GetProcessHeap();
    auto* guids = static_cast<GUID*>(::HeapAlloc(heap, 0, count * sizeof(GUID)));
    if (!guids) {
        ::SetLastError(ERROR_OUTOFMEMORY);
        return false;
    }
    if (!setup.classGuidsFromName(L"Ports", guids, count, &count)) {
        const DWORD code = ::GetLastError();
        ::HeapFree(heap, 0, guids);
        ::SetLastError(code);
        return false;
    }
    const HDEVINFO devices = setup.getClassDevs(&guids[0], nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        ::HeapFree(heap, 0, guids);
        ::SetLastError(code);
        return false;
    }
    SP_DEVINFO_DATA device {};
    device.cbSize = sizeof device;
    for (DWORD index = 0; setup.enumDeviceInfo(devices, index, &device); ++index) {
        unsigned int number = 0;
        if (!parseComPortName(portNameOf(setup, devices, device), number))
            continue;
        ports.append(number);
        descriptions.append(descriptionOf(setup, devices, device));
    }
    setup.destroyDeviceInfoList(devices);
    ::HeapFree(heap, 0, guids);
    return true;
}

} // namespace

bool listComPorts(QList<unsigned int>& ports, QStringList& descriptions)
{
    ports.clear();
    descriptions.clear();
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    const QString path = QString::fromWCharArray(folder, int(length)) + QStringLiteral("\\SETUPAPI.DLL");
    const HMODULE library = ::LoadLibraryW(reinterpret_cast<LPCWSTR>(path.utf16()));
    const DWORD callersError = ::GetLastError();
    if (!library) {
        ::SetLastError(callersError);
        return false;
    }
    SetupLibrary setup;
    if (!setup.resolveAll(library)) {
        ::FreeLibrary(library);
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    if (!listWith(setup, ports, descriptions)) {
        const DWORD code = ::GetLastError();
        ports.clear();
        descriptions.clear();
        ::FreeLibrary(library);
        ::SetLastError(code);
        return false;
    }
    ::FreeLibrary(library);
    ::SetLastError(callersError);
    return true;
}
