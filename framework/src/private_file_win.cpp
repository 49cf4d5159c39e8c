// New private files on Windows: CREATE_NEW with a security descriptor that lets in only the
// user who runs the program.
#include "private_file.h"

#include <QDir>
#include <QFile>

#include <vector>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

// The token's user: the one account the file's access list names.
std::vector<BYTE> currentUser()
{
    HANDLE hToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return {};
    DWORD iSize = 0;
    GetTokenInformation(hToken, TokenUser, nullptr, 0, &iSize);
    std::vector<BYTE> user(iSize);
    if (iSize == 0 || !GetTokenInformation(hToken, TokenUser, user.data(), iSize, &iSize))
        user.clear();
    CloseHandle(hToken);
    return user;
}

} // namespace

bool openNewPrivateFile(QFile &file, const QString &strPath, bool *pbTaken)
{
    *pbTaken = false;
    const std::vector<BYTE> user = currentUser();
    if (user.empty())
        return false;
    PSID pSid = reinterpret_cast<const TOKEN_USER *>(user.data())->User.Sid;

    // One entry, full access for the owner; protected, so the shared folder's inherited entries
    // (which let others read) do not come in. It is given at creation: a change afterwards would
    // leave a moment in which another user could open the file and keep it open.
    const DWORD iAclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(pSid);
    std::vector<BYTE> acl(iAclSize);
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeAcl(reinterpret_cast<PACL>(acl.data()), iAclSize, ACL_REVISION)
        || !AddAccessAllowedAce(reinterpret_cast<PACL>(acl.data()), ACL_REVISION, GENERIC_ALL, pSid)
        || !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)
        || !SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE)
        || !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), &descriptor, FALSE};

    // CREATE_NEW refuses any existing name, a link or junction included, so nothing planted can
    // redirect the write; readers may look at the log while it grows.
    const QString strNative = QDir::toNativeSeparators(strPath);
    const HANDLE hFile = CreateFileW(reinterpret_cast<const wchar_t *>(strNative.utf16()), GENERIC_WRITE, FILE_SHARE_READ, &attributes,
                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        const DWORD iError = GetLastError();
        *pbTaken = iError == ERROR_FILE_EXISTS || iError == ERROR_ALREADY_EXISTS;
        return false;
    }
    const int iFd = _open_osfhandle(reinterpret_cast<intptr_t>(hFile), _O_WRONLY | _O_BINARY);
    if (iFd < 0) {
        CloseHandle(hFile);
        return false;
    }
    file.setFileName(strPath);
    if (!file.open(iFd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        _close(iFd);
        return false;
    }
    return true;
}
