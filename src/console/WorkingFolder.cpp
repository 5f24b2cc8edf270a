#include "console/WorkingFolder.h"

#include "platform/OwnFolder.h"
#include "platform/ProgramFolder.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

namespace WorkingFolder {

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

// The folder and every missing level above it, each made with an access list
// of its own: a level that inherited "every user may create" from
// %ProgramData% would let anyone plant a link below it. A level that someone
// else makes meanwhile is theirs, and the folder is not used.
State MakeLevels(const std::wstring& path)
{
    std::vector<std::wstring> missing{path};
    for (;;) {
        const size_t cut = missing.back().find_last_of(L"\\/");
        if (cut == std::wstring::npos || cut == 0) return State::NotMade;
        // "C:" and "\\server\share" end the walk: a drive or a share is not made.
        std::wstring parent = missing.back().substr(0, cut);
        if (parent.size() == 2 && parent[1] == L':') parent += L'\\';
        const DWORD attributes = GetFileAttributesW(parent.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return State::NotFolder;
            break;
        }
        const DWORD error = GetLastError();
        if ((error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) || parent.back() == L'\\')
            return State::NotMade;
        missing.push_back(parent);
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level)
        if (!OwnFolder::Create(*level)) return State::NotMade;
    return State::Ready;
}

} // namespace

std::wstring DefaultPath(bool serviceAccount)
{
    if (!serviceAccount) return ProgramFolder::Path();
    wchar_t shared[MAX_PATH];
    // The shell's answer, not %ProgramData%: the environment is the caller's.
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, shared))) return {};
    return std::wstring(shared) + L"\\Velmora\\Tessarine";
}

Folder Prepare(const std::wstring& named, Need need, bool serviceAccount)
{
    Folder f;
    f.path = named.empty() ? DefaultPath(serviceAccount) : FullPath(named);
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
    if (need == Need::Look) {
        f.state = State::Missing;
        return f;
    }
    f.state = MakeLevels(f.path);
    return f;
}

std::wstring Why(const Folder& folder)
{
    switch (folder.state) {
    case State::Ready:
    case State::Missing: return {};
    case State::NotFolder: return L"\"" + folder.path + L"\" ist kein Ordner.";
    case State::NotMade: return L"Der Arbeitsordner \"" + folder.path + L"\" konnte nicht angelegt werden.";
    }
    return {};
}

} // namespace WorkingFolder
