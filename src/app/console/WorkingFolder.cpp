#include "app/console/WorkingFolder.h"

#include <windows.h>
#include <shlobj.h>

namespace WorkingFolder {

std::wstring ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\'));
}

namespace {

std::wstring FullPath(const std::wstring& named)
{
    const DWORD n = GetFullPathNameW(named.c_str(), 0, nullptr, nullptr);
    if (n == 0) return {};
    std::wstring full(n, L'\0');
    const DWORD got = GetFullPathNameW(named.c_str(), n, full.data(), nullptr);
    if (got == 0 || got >= n) return {};
    full.resize(got);
    while (full.size() > 1 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    return full;
}

} // namespace

Folder Prepare(const std::wstring& named, bool create)
{
    Folder f;
    f.path = named.empty() ? ProgramFolder() : FullPath(named);
    if (f.path.empty()) {
        f.path = named;
        f.state = State::NotFolder;
        return f;
    }
    // "C:" alone would name the drive's current folder; its root is meant.
    const std::wstring probe = f.path.size() == 2 && f.path[1] == L':' ? f.path + L"\\" : f.path;
    const DWORD attributes = GetFileAttributesW(probe.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        f.state = attributes & FILE_ATTRIBUTE_DIRECTORY ? State::Ready : State::NotFolder;
        return f;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
        f.state = State::NotFolder;
        return f;
    }
    if (!create) {
        f.state = State::Missing;
        return f;
    }
    // The shell's call makes the folders above it too, and shows nothing
    // without a window.
    const int made = SHCreateDirectoryExW(nullptr, probe.c_str(), nullptr);
    f.state = made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS ? State::Ready : State::NotMade;
    if (f.state == State::Ready) {
        const DWORD now = GetFileAttributesW(probe.c_str());
        if (now == INVALID_FILE_ATTRIBUTES || !(now & FILE_ATTRIBUTE_DIRECTORY)) f.state = State::NotFolder;
    }
    return f;
}

std::wstring Why(const Folder& folder)
{
    switch (folder.state) {
    case State::Ready: return {};
    case State::Missing: return L"Der Arbeitsordner \"" + folder.path + L"\" existiert nicht.";
    case State::NotFolder: return L"\"" + folder.path + L"\" ist kein Ordner.";
    case State::NotMade: return L"Der Arbeitsordner \"" + folder.path + L"\" konnte nicht angelegt werden.";
    }
    return {};
}

} // namespace WorkingFolder
