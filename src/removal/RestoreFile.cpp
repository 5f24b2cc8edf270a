#include "removal/RestoreFile.h"

#include "platform/FileName.h"
#include "platform/Handles.h"
#include "platform/LoadLibraries.h"
#include "platform/PlainFile.h"

#include <bcrypt.h>

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace RestoreFile {

namespace {

constexpr wchar_t KeptExtension[] = L".reg";
constexpr size_t KeptExtensionChars = std::size(KeptExtension) - 1;

constexpr char Header[] = "Windows Registry Editor Version 5.00";
constexpr size_t HeaderChars = sizeof Header - 1;
// Byte order mark and header, as the registry editor writes them.
constexpr size_t Utf16HeadBytes = 2 + 2 * HeaderChars;

// A leftover goes as a name: when it is a link someone put there, its
// target stays as it is.
bool DeleteIfExists(const std::wstring& file) { return PlainFile::Remove(file); }

// Creates the file anew and writes it through to the disk. A file of that
// name that is there already is someone else's and stays as it is.
Pending WriteNew(const std::wstring& file, const std::string& bytes)
{
    if (PlainFile::WriteNew(file, bytes)) return Pending::Written;
    return GetLastError() == ERROR_FILE_EXISTS ? Pending::Taken : Pending::Failed;
}

// Where the keys of an export begin: right after the text of its header
// line, found in UTF-16LE or in single-byte form; 74 bytes in when there is
// no header.
size_t BodyStart(const std::string& bytes)
{
    std::string wide;
    for (char c : std::string_view(Header, HeaderChars)) { wide += c; wide += '\0'; }
    auto same = [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); };
    auto find = [&](const std::string& what) {
        auto it = std::search(bytes.begin(), bytes.end(), what.begin(), what.end(), same);
        return it == bytes.end() ? std::string::npos : size_t(it - bytes.begin()) + what.size();
    };
    if (size_t end = find(wide); end != std::string::npos) return end;
    if (size_t end = find(std::string(Header, HeaderChars)); end != std::string::npos) return end;
    return Utf16HeadBytes;
}

} // namespace

Paths PathsIn(const std::wstring& workingFolder) { return PathsIn(workingFolder, workingFolder); }

Paths PathsIn(const std::wstring& workingFolder, const std::wstring& exportFolder)
{
    return {exportFolder + L"\\" + ExportNames[0], exportFolder + L"\\" + ExportNames[1],
            exportFolder + L"\\" + ExportNames[2], workingFolder + L"\\Uninstall.tmp",
            workingFolder + L"\\" + RestoreFileName, workingFolder + L"\\" + BackupFileName};
}

bool ClearTemporaries(const Paths& paths)
{
    const bool main = DeleteIfExists(paths.mainExport);
    const bool user = DeleteIfExists(paths.userExport);
    const bool main32 = DeleteIfExists(paths.mainExport32);
    const bool pending = DeleteIfExists(paths.pending);
    return main && user && main32 && pending;
}

bool ReadBytes(const std::wstring& file, std::string& bytes)
{
    const FileHandle in = OpenHeld(file);
    return in && ReadBytes(in.get(), bytes);
}

FileHandle OpenHeld(const std::wstring& file) { return PlainFile::Open(file, GENERIC_READ, FILE_SHARE_READ); }

FileHandle OpenHeldToDelete(const std::wstring& file)
{
    return PlainFile::Open(file, GENERIC_READ | DELETE, FILE_SHARE_READ);
}

bool ReadBytes(HANDLE file, std::string& bytes)
{
    LARGE_INTEGER size, start{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart > 0x7FFFFFFF
        || !SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    std::string content(size_t(size.QuadPart), '\0');
    size_t done = 0;
    while (done < content.size()) {
        DWORD got = 0;
        if (!ReadFile(file, content.data() + done, DWORD(content.size() - done), &got, nullptr)) return false;
        if (got == 0) return false; // shorter than its size said
        done += got;
    }
    bytes = std::move(content);
    return true;
}

std::string Merge(const std::string& first, const std::string& second)
{
    if (first.empty() || second.empty()) return first.empty() ? second : first;
    return first + second.substr(std::min(BodyStart(second), second.size()));
}

Pending WritePending(const Paths& paths, const std::string& bytes, std::string& onDisk)
{
    if (const Pending written = WriteNew(paths.pending, bytes); written != Pending::Written) return written;
    if (ReadBytes(paths.pending, onDisk)) return Pending::Written;
    (void)PlainFile::Remove(paths.pending);
    return Pending::Failed;
}

std::wstring KeptName(const SYSTEMTIME& replacedAt, int copy)
{
    wchar_t moment[32];
    std::swprintf(moment, std::size(moment), L" %04u-%02u-%02u %02u-%02u-%02u", unsigned(replacedAt.wYear),
                  unsigned(replacedAt.wMonth), unsigned(replacedAt.wDay), unsigned(replacedAt.wHour),
                  unsigned(replacedAt.wMinute), unsigned(replacedAt.wSecond));
    // The restore file's name without its ".reg".
    std::wstring name = std::wstring(RestoreFileName, std::size(RestoreFileName) - 1 - KeptExtensionChars) + moment;
    if (copy > 1) name += L" (" + std::to_wstring(copy) + L")";
    return name + KeptExtension;
}

std::wstring KeptPath(const Paths& paths, const SYSTEMTIME& replacedAt, int copy)
{
    return paths.restore.substr(0, paths.restore.size() - (std::size(RestoreFileName) - 1))
         + KeptName(replacedAt, copy);
}

bool ReadKeptName(const std::wstring& name, SYSTEMTIME& replacedAt, int& copy)
{
    // "Uninstall YYYY-MM-DD HH-MM-SS.reg" or "... (n).reg": the numbers
    // read at their places, then the name written again from them must be
    // the name, so that only what KeptName writes is taken.
    const size_t stem = std::size(RestoreFileName) - 1 - KeptExtensionChars;
    constexpr size_t MomentChars = 20; // " YYYY-MM-DD HH-MM-SS"
    if (name.size() < stem + MomentChars + KeptExtensionChars) return false;
    auto number = [&](size_t at, size_t digits) {
        int n = 0;
        for (size_t i = at; i < at + digits; ++i) {
            if (name[i] < L'0' || name[i] > L'9') return -1;
            n = n * 10 + (name[i] - L'0');
        }
        return n;
    };
    const size_t at = stem + 1;
    const int fields[] = {number(at, 4),      number(at + 5, 2),  number(at + 8, 2),
                          number(at + 11, 2), number(at + 14, 2), number(at + 17, 2)};
    for (int field : fields)
        if (field < 0) return false;
    SYSTEMTIME moment{WORD(fields[0]), WORD(fields[1]), 0, WORD(fields[2]), WORD(fields[3]), WORD(fields[4]),
                      WORD(fields[5]), 0};
    // The system's own test of a date and time (month 1 to 12, hour,
    // minute, second), and the day within its month, which not every
    // system's test checks for February.
    const int year = fields[0];
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    FILETIME asFileTime;
    if (!SystemTimeToFileTime(&moment, &asFileTime) || fields[1] < 1 || fields[1] > 12
        || fields[2] > Days[fields[1] - 1] + (fields[1] == 2 && leap ? 1 : 0))
        return false;
    int n = 1;
    const size_t copyAt = stem + MomentChars + 2; // after " ("
    const size_t copyEnd = name.size() - KeptExtensionChars - 1; // at ")"
    if (name.size() > stem + MomentChars + KeptExtensionChars) {
        if (copyEnd <= copyAt || copyEnd - copyAt > 4 || (n = number(copyAt, copyEnd - copyAt)) < 2
            || n > MaxKeptCopies)
            return false;
    }
    if (!FileName::Same(name, KeptName(moment, n)))
        return false;
    replacedAt = moment;
    copy = n;
    return true;
}

namespace {

// Moves the restore file to the first free kept name, which kept receives;
// kept stays empty when there is no restore file. False when the file
// cannot be moved: it is then where it was.
bool MoveAside(const Paths& paths, const SYSTEMTIME& replacedAt, std::wstring& kept)
{
    for (int copy = 1; copy <= MaxKeptCopies; ++copy) {
        const std::wstring name = KeptPath(paths, replacedAt, copy);
        // Without MOVEFILE_REPLACE_EXISTING a name that is taken refuses
        // the move, so no file is ever overwritten, not even one made
        // between a look and the move.
        if (MoveFileExW(paths.restore.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH)) {
            kept = name;
            return true;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return true; // no old restore file to keep
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

} // namespace

bool ReplaceRestoreFile(const Paths& paths, const SYSTEMTIME& replacedAt)
{
    std::wstring kept;
    if (!MoveAside(paths, replacedAt, kept)) return false;
    if (MoveFileExW(paths.pending.c_str(), paths.restore.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    // The old file goes back, so that the restore button finds the last
    // removal as before; if even that fails it stays kept under its name.
    if (!kept.empty()) (void)MoveFileExW(kept.c_str(), paths.restore.c_str(), MOVEFILE_WRITE_THROUGH);
    return false;
}

bool ReplaceRestoreFile(const Paths& paths)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ReplaceRestoreFile(paths, now);
}

void DeleteExports(const Paths& paths)
{
    (void)DeleteIfExists(paths.mainExport);
    (void)DeleteIfExists(paths.userExport);
    (void)DeleteIfExists(paths.mainExport32);
}

namespace {

// The hash's calls, from the system folder's bcrypt.dll (see
// LoadLibraries::FromTheSystemFolder). Loaded at the first fingerprint and
// kept for the process's life: a list of restore files asks once a file,
// and each load of the DLL sets up its cryptography anew.
struct Hashing {
    decltype(&BCryptOpenAlgorithmProvider) open = nullptr;
    decltype(&BCryptCreateHash) create = nullptr;
    decltype(&BCryptHashData) data = nullptr;
    decltype(&BCryptFinishHash) finish = nullptr;
    decltype(&BCryptDestroyHash) destroy = nullptr;
    decltype(&BCryptCloseAlgorithmProvider) close = nullptr;
    bool complete() const { return open && create && data && finish && destroy && close; }
};

template <typename Call>
void Take(HMODULE dll, const char* name, Call& call)
{
    call = reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

const Hashing& Bcrypt()
{
    static const Hashing calls = [] {
        Hashing h;
        if (const HMODULE dll = LoadLibraries::FromTheSystemFolder(L"bcrypt.dll")) {
            Take(dll, "BCryptOpenAlgorithmProvider", h.open);
            Take(dll, "BCryptCreateHash", h.create);
            Take(dll, "BCryptHashData", h.data);
            Take(dll, "BCryptFinishHash", h.finish);
            Take(dll, "BCryptDestroyHash", h.destroy);
            Take(dll, "BCryptCloseAlgorithmProvider", h.close);
        }
        return h;
    }();
    return calls;
}

} // namespace

bool FingerprintOf(HANDLE file, const std::string& bytes, Fingerprint& fingerprint)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return false;
    fingerprint.volume = info.dwVolumeSerialNumber;
    fingerprint.index = (ULONGLONG(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    const Hashing& bcrypt = Bcrypt();
    if (!bcrypt.complete()) return false;
    // The calls of Windows 7: the one-call hash came with Windows 10.
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(bcrypt.open(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) return false;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool done = BCRYPT_SUCCESS(bcrypt.create(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    done = done
        && BCRYPT_SUCCESS(bcrypt.data(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                                      ULONG(bytes.size()), 0))
        && BCRYPT_SUCCESS(bcrypt.finish(hash, fingerprint.digest.data(), ULONG(fingerprint.digest.size()), 0));
    // Closing what was opened cannot change the digest already taken.
    if (hash) (void)bcrypt.destroy(hash);
    (void)bcrypt.close(algorithm, 0);
    return done;
}

} // namespace RestoreFile
