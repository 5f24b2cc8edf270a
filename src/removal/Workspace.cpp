#include "removal/Workspace.h"

#include "platform/Handles.h"
#include "platform/OwnFolder.h"

#include <windows.h>

namespace Workspace {

Folder::Folder(const std::wstring& workingFolder)
{
    static LONG counter = 0;
    const std::wstring stem = workingFolder + L"\\" + Prefix + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring path = stem + std::to_wstring(InterlockedIncrement(&counter));
        if (OwnFolder::Create(path)) {
            path_ = path;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
}

Folder::~Folder()
{
    if (path_.empty() || kept_) return;
    // Only the program and the editor it started wrote here: the names are
    // theirs, and nothing in it can be a link someone else put there.
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((path_ + L"\\*").c_str(), &data));
    if (find) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) (void)DeleteFileW(file(data.cFileName).c_str());
        } while (FindNextFileW(find.get(), &data));
    }
    find.reset();
    // A file that could not be deleted keeps the folder; it names itself as
    // the program's and holds nothing anyone relies on.
    (void)RemoveDirectoryW(path_.c_str());
}

std::wstring Folder::name() const { return path_.substr(path_.find_last_of(L'\\') + 1); }

} // namespace Workspace
