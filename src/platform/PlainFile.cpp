#include "platform/PlainFile.h"

#include "platform/FileName.h"

#include <cstring>
#include <vector>

namespace PlainFile {

namespace {

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }
std::wstring LeafOf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

std::wstring FinalPath(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFinalPathNameByHandleW(handle, path.data(), DWORD(path.size()), FILE_NAME_NORMALIZED);
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(n);
    }
}

// A name of the program's own beside path, made as a new file: nobody can
// have put anything under it before.
FileHandle NewBeside(const std::wstring& path, DWORD flags)
{
    static LONG counter = 0;
    const std::wstring stem = FolderOf(path) + L"\\~Tessarine-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring name = stem + std::to_wstring(InterlockedIncrement(&counter)) + L".tmp";
        FileHandle file(CreateFileW(name.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | flags, nullptr));
        if (file || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return FileHandle();
}

} // namespace

bool RenameOver(HANDLE file, const std::wstring& path)
{
    // FILE_RENAME_INFO ends in the name; room for it and its NUL.
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + (path.size() + 1) * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = DWORD(path.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    // A rename replaces the name itself: a link under it goes, its target
    // stays as it is.
    return SetFileInformationByHandle(file, FileRenameInfo, rename, DWORD(buffer.size())) != FALSE;
}

bool DeleteOnClose(HANDLE file)
{
    FILE_DISPOSITION_INFO gone{TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &gone, sizeof gone) != FALSE;
}

bool IsPlain(HANDLE file, const std::wstring& path)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)
        || info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)
        || info.nNumberOfLinks != 1)
        return false;
    FileHandle folder(CreateFileW(FolderOf(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) return false;
    const std::wstring folderPath = FinalPath(folder.get()), filePath = FinalPath(file);
    return !folderPath.empty() && !filePath.empty() && FileName::Same(filePath, folderPath + L"\\" + LeafOf(path));
}

FileHandle Open(const std::wstring& path, DWORD access, DWORD share)
{
    FileHandle file(CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return file;
    if (IsPlain(file.get(), path)) return file;
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return FileHandle();
}

FileHandle OpenOrCreate(const std::wstring& path, DWORD access, DWORD share)
{
    // CREATE_NEW refuses any name that is there, a link leading nowhere
    // included, which OPEN_ALWAYS would follow and create at its far end.
    FileHandle file(CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES, share, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file || GetLastError() != ERROR_FILE_EXISTS) return file;
    return Open(path, access, share);
}

bool Remove(const std::wstring& path)
{
    const FileHandle stand = NewBeside(path, FILE_FLAG_DELETE_ON_CLOSE);
    // Without its folder there is no name to take away.
    if (!stand) return GetLastError() == ERROR_PATH_NOT_FOUND;
    // Renamed over the name, the new file takes its place and goes with its
    // handle; where nothing was, it only passes through.
    return RenameOver(stand.get(), path);
}

bool Replace(const std::wstring& path, const std::string& bytes)
{
    const FileHandle file = NewBeside(path, 0);
    if (!file) return false;
    DWORD written = 0;
    if (WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size()
        && FlushFileBuffers(file.get()) && RenameOver(file.get(), path))
        return true;
    // If even this fails, a file of the program's own name stays beside.
    (void)DeleteOnClose(file.get());
    return false;
}

bool WriteNew(const std::wstring& path, const std::string& bytes, Durability durability)
{
    FileHandle out(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    if (!out) return false;
    DWORD written = 0;
    if (WriteFile(out.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size()
        && (durability == Durability::WhileUsed || FlushFileBuffers(out.get())))
        return true;
    // A partial file of ours must not pass for a complete one.
    (void)DeleteOnClose(out.get());
    SetLastError(ERROR_WRITE_FAULT);
    return false;
}

} // namespace PlainFile
