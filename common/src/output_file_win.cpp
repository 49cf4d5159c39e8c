// The rules of output_file.h on Windows: what an existing name is comes from the handle
// (GetFileType tells a device such as NUL, CON or COMn and a pipe from a file on disk); a file is
// replaced through a CREATE_NEW temporary file in its final folder, FlushFileBuffers and
// MoveFileExW; a link is followed to its final file with GetFinalPathNameByHandleW.
#include "output_file.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <random>

namespace {

std::wstring widened(const std::string &utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(std::size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), wide.data(), length);
    return wide;
}

std::string narrowed(const std::wstring &wide)
{
    if (wide.empty())
        return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
}

bool fail(DWORD error, std::string &reason)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::wstring message(text ? text : L"", length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
        message.pop_back();
    reason = message.empty() ? "system error " + std::to_string(error) : narrowed(message);
    return false;
}

bool fail(const char *ownReason, std::string &reason)
{
    reason = ownReason;
    return false;
}

// WriteFile takes at most a DWORD at a time and may write less than asked.
bool writeAll(HANDLE handle, const unsigned char *data, std::size_t size, DWORD &error)
{
    while (size > 0) {
        const DWORD chunk = size > 0x40000000u ? 0x40000000u : DWORD(size);
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr)) {
            error = GetLastError();
            return false;
        }
        if (written == 0) {
            error = ERROR_WRITE_FAULT;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

std::wstring randomSuffix()
{
    thread_local std::mt19937_64 generator(std::random_device {}() ^ GetTickCount64() ^ GetCurrentProcessId());
    static const wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyz0123456789"; // names ignore case here
    std::wstring suffix(8, L' ');
    for (wchar_t &c : suffix)
        c = kLetters[generator() % (sizeof kLetters / sizeof kLetters[0] - 1)];
    return suffix;
}

std::wstring::size_type lastSeparator(const std::wstring &path)
{
    return path.find_last_of(L"\\/");
}

bool replaceFile(const std::wstring &path, const unsigned char *data, std::size_t size, std::string &reason)
{
    const std::wstring::size_type separator = lastSeparator(path);
    const std::wstring folder = separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
    const std::wstring name = path.substr(separator == std::wstring::npos ? 0 : separator + 1);
    std::wstring temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = folder + name + L".tmp." + randomSuffix();
        handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return fail(GetLastError(), reason);
    }
    if (handle == INVALID_HANDLE_VALUE)
        return fail(DWORD(ERROR_FILE_EXISTS), reason);
    DWORD error = ERROR_SUCCESS;
    if (writeAll(handle, data, size, error) && !FlushFileBuffers(handle))
        error = GetLastError();
    CloseHandle(handle);
    if (error == ERROR_SUCCESS &&
        !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temporary.c_str());
        return fail(error, reason);
    }
    return true;
}

// The file a name finally leads to, links followed, as a \\?\ path the wide calls accept.
bool finalPathOf(HANDLE handle, std::wstring &path, std::string &reason)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), DWORD(buffer.size()), FILE_NAME_NORMALIZED);
        if (length == 0)
            return fail(GetLastError(), reason);
        if (length < buffer.size()) {
            path.assign(buffer.data(), length);
            return true;
        }
        buffer.resize(length);
    }
}

bool writeInto(HANDLE handle, const unsigned char *data, std::size_t size, std::string &reason)
{
    DWORD error = ERROR_SUCCESS;
    const bool written = writeAll(handle, data, size, error);
    CloseHandle(handle);
    return written || fail(error, reason);
}

} // namespace

bool writeOutputFile(const std::string &target, const void *data, std::size_t size, std::string &reason)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    if (target == kStandardOutputName) {
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        if (out == nullptr || out == INVALID_HANDLE_VALUE)
            return fail(DWORD(ERROR_INVALID_HANDLE), reason);
        DWORD error = ERROR_SUCCESS;
        return writeAll(out, bytes, size, error) || fail(error, reason);
    }
    const std::wstring path = widened(target);
    if (path.empty())
        return fail(DWORD(target.empty() ? ERROR_FILE_NOT_FOUND : ERROR_NO_UNICODE_TRANSLATION), reason);

    // Opened for writing, sharing everything, so that a device is opened as a device: its type
    // decides. Opening neither creates nor truncates.
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return fail("is a folder", reason);
        if (error != ERROR_FILE_NOT_FOUND)
            return fail(error, reason);
        // Nothing there, or a link that leads nowhere: only the first is created.
        if (attributes != INVALID_FILE_ATTRIBUTES)
            return fail("is a link that leads nowhere", reason);
        return replaceFile(path, bytes, size, reason);
    }
    const DWORD type = GetFileType(handle);
    if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE)
        return writeInto(handle, bytes, size, reason);
    BY_HANDLE_FILE_INFORMATION information {};
    if (!GetFileInformationByHandle(handle, &information)) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        return fail(error, reason);
    }
    std::wstring finalPath;
    const bool found = !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && finalPathOf(handle, finalPath, reason);
    CloseHandle(handle);
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return fail("is a folder", reason);
    return found && replaceFile(finalPath, bytes, size, reason);
}
