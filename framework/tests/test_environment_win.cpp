// The platform part of the tests' helpers on Windows.
#include "test_environment.h"

#include <QDir>

#include <vector>

#include <aclapi.h>
#include <windows.h>

bool testenv::isOwnerOnlyFile(const QString &strPath)
{
    HANDLE hToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return false;
    DWORD iSize = 0;
    GetTokenInformation(hToken, TokenUser, nullptr, 0, &iSize);
    std::vector<BYTE> user(iSize);
    const bool bUser = GetTokenInformation(hToken, TokenUser, user.data(), iSize, &iSize);
    CloseHandle(hToken);
    if (!bUser)
        return false;

    const QString strNative = QDir::toNativeSeparators(strPath);
    PACL pDacl = nullptr;
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (GetNamedSecurityInfoW(reinterpret_cast<const wchar_t *>(strNative.utf16()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &pDacl, nullptr, &pDescriptor)
        != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD iRevision = 0;
    void *pAce = nullptr;
    const bool bOwnerOnly = pDacl != nullptr && GetSecurityDescriptorControl(pDescriptor, &control, &iRevision)
                            && (control & SE_DACL_PROTECTED) != 0 && pDacl->AceCount == 1 && GetAce(pDacl, 0, &pAce)
                            && static_cast<ACE_HEADER *>(pAce)->AceType == ACCESS_ALLOWED_ACE_TYPE
                            && EqualSid(&static_cast<ACCESS_ALLOWED_ACE *>(pAce)->SidStart, reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid);
    LocalFree(pDescriptor);
    return bOwnerOnly;
}
