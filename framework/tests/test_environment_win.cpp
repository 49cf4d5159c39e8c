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
    // Every entry that lets anyone in names the user or the system itself (Wine keeps no access
    // list of its own but makes one from the file's mode, with the system beside the owner, so the
    // entries are compared rather than the descriptor's flags). Users, groups, everyone: refused.
    BYTE systemSid[SECURITY_MAX_SID_SIZE] = {};
    DWORD iSystemSize = sizeof(systemSid);
    bool bOwnerOnly = pDacl != nullptr && pDacl->AceCount > 0 && CreateWellKnownSid(WinLocalSystemSid, nullptr, systemSid, &iSystemSize);
    bool bUserAllowed = false;
    for (DWORD i = 0; bOwnerOnly && i < pDacl->AceCount; ++i) {
        void *pAce = nullptr;
        bOwnerOnly = GetAce(pDacl, i, &pAce);
        if (!bOwnerOnly || static_cast<ACE_HEADER *>(pAce)->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        PSID pSid = &static_cast<ACCESS_ALLOWED_ACE *>(pAce)->SidStart;
        const bool bUser = EqualSid(pSid, reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid);
        bUserAllowed = bUserAllowed || bUser;
        bOwnerOnly = bUser || EqualSid(pSid, systemSid);
    }
    bOwnerOnly = bOwnerOnly && bUserAllowed;
    LocalFree(pDescriptor);
    return bOwnerOnly;
}

const char *const testenv::kStampPattern = "\\[\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\]";
const char *const testenv::kNumberPattern = "\\d+";
const char *const testenv::kRestOfLinePattern = ".*"; // "." takes no line break there
const int testenv::kExitStatusOfMinusOne = -1;

bool testenv::plantLink(const QString &strTarget, const QString &strLink)
{
    const QString strNativeTarget = QDir::toNativeSeparators(strTarget), strNativeLink = QDir::toNativeSeparators(strLink);
    // Wine answers success without making anything: only a link that is there counts.
    const wchar_t *szLink = reinterpret_cast<const wchar_t *>(strNativeLink.utf16());
    const DWORD iAttributes = (CreateSymbolicLinkW(szLink, reinterpret_cast<const wchar_t *>(strNativeTarget.utf16()), 0), GetFileAttributesW(szLink));
    return iAttributes != INVALID_FILE_ATTRIBUTES && (iAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool testenv::canPlantLinks()
{
    const QString strDir = QDir::tempPath() + "/trevik-link-probe"_q;
    QDir(strDir).removeRecursively();
    QDir().mkpath(strDir);
    const bool bCan = writeFile(strDir + "/target"_q, "x") && plantLink(strDir + "/target"_q, strDir + "/link"_q);
    QDir(strDir).removeRecursively();
    return bCan;
}
