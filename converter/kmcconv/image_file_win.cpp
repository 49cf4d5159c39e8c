// The image file on Windows: a temporary file under a random name beside the image, created with
// CREATE_NEW and moved into place with MoveFileExA.
#define _CRT_RAND_S
#include "image_file.h"

#include <cstdio>
#include <cstdlib>

#include <windows.h>

namespace {

std::string systemText(DWORD code)
{
    char *text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string message = length > 0 ? std::string(text, length) : "error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

// A name nobody can guess, so another user of a shared folder cannot plant something there first;
// CREATE_NEW refuses whatever is there anyway (a link included) and the next name is tried.
HANDLE createTemporaryBeside(const std::string &path, std::string &temporary)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        unsigned int random[2] = {};
        if (rand_s(&random[0]) != 0 || rand_s(&random[1]) != 0)
            break;
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".tmp.%08x%08x", random[0], random[1]);
        temporary = path + suffix;
        const HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool writeImageFile(const std::string &path, const unsigned char *image, int size, std::string &error)
{
    std::string temporary;
    const HANDLE file = createTemporaryBeside(path, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        error = systemText(GetLastError());
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, image, DWORD(size), &written, nullptr) && written == DWORD(size);
    DWORD code = ok ? 0 : (GetLastError() != 0 ? GetLastError() : DWORD(ERROR_WRITE_FAULT));
    if (!CloseHandle(file) && ok) {
        code = GetLastError();
        ok = false;
    }
    // The move replaces a link at the final name rather than following it.
    if (ok && !MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        code = GetLastError();
        ok = false;
    }
    if (!ok) {
        error = systemText(code);
        DeleteFileA(temporary.c_str());
    }
    return ok;
}
