// The machine code's inputs on Windows: the computer name, the machine account's security
// identifier and the serial of the volume that holds the system.
#include "machine_identity.h"

#include <vector>

#include <windows.h>
#include <sddl.h>

namespace {

// The buffer sizes match what a machine identity ever needs: a NetBIOS name is at most 15
// characters, a machine SID (S-1-5-21 and three sub-authorities) 24 bytes.
const DWORD kComputerNameChars = 16;
const DWORD kSidBytes = 68;
const DWORD kDomainChars = 128;

QString windowsComputerName()
{
    wchar_t szName[kComputerNameChars] = {};
    DWORD iSize = kComputerNameChars;
    if (!GetComputerNameW(szName, &iSize))
        return QString();
    return QString::fromWCharArray(szName, static_cast<int>(iSize));
}

// The local system's account of the computer's own name is the machine account; its SID is made
// at installation and stays with the system when the computer is renamed.
QString windowsMachineIdentifier(const QString &strComputerName)
{
    const std::wstring name = strComputerName.toStdWString();
    BYTE sid[kSidBytes] = {};
    DWORD iSidSize = kSidBytes;
    std::vector<wchar_t> domain(kDomainChars);
    DWORD iDomainSize = kDomainChars;
    SID_NAME_USE use = SidTypeUnknown;
    BOOL bOk = LookupAccountNameW(nullptr, name.c_str(), sid, &iSidSize, domain.data(), &iDomainSize, &use);
    if (!bOk && GetLastError() == ERROR_INSUFFICIENT_BUFFER && iSidSize <= kSidBytes) {
        // Only the domain's name was too long for its buffer: make room and ask again.
        domain.resize(iDomainSize > kDomainChars ? iDomainSize : kDomainChars);
        iDomainSize = static_cast<DWORD>(domain.size());
        iSidSize = kSidBytes;
        bOk = LookupAccountNameW(nullptr, name.c_str(), sid, &iSidSize, domain.data(), &iDomainSize, &use);
    }
    if (!bOk)
        return QString();
    wchar_t *szSid = nullptr;
    if (!ConvertSidToStringSidW(sid, &szSid))
        return QString();
    const QString strSid = QString::fromWCharArray(szSid);
    LocalFree(szSid);
    return strSid;
}

uint32_t windowsSystemVolumeSerial()
{
    wchar_t szSystem[MAX_PATH + 1] = {};
    const UINT iLength = GetSystemDirectoryW(szSystem, MAX_PATH);
    if (iLength == 0 || iLength > MAX_PATH)
        return 0;
    // "C:\Windows\system32" -> "C:\": the root of the system's volume.
    for (UINT i = 0; i < iLength; ++i) {
        if (szSystem[i] == L'\\' || szSystem[i] == L'/') {
            szSystem[i + 1] = L'\0';
            break;
        }
    }
    DWORD iSerial = 0;
    if (!GetVolumeInformationW(szSystem, nullptr, 0, &iSerial, nullptr, nullptr, nullptr, 0))
        return 0;
    return static_cast<uint32_t>(iSerial);
}

} // namespace

MachineIdentitySource platformMachineIdentity()
{
    return MachineIdentitySource{&windowsComputerName, &windowsMachineIdentifier, &windowsSystemVolumeSerial};
}
