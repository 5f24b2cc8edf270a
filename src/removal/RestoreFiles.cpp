#include "removal/RestoreFiles.h"

#include "catalogue/ProductRow.h"
#include "platform/FileName.h"
#include "platform/Handles.h"
#include "platform/KeyName.h"
#include "removal/RestoreCheck.h"
#include "removal/RestoreFile.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <tuple>

namespace RestoreFiles {

namespace {

// Kept restore files only: Uninstall.reg is looked up by its name.
std::wstring KeptFiles(const std::wstring& workingFolder)
{
    return workingFolder + L"\\" + RestoreFile::KeptPattern;
}

bool IsFile(const WIN32_FIND_DATAW& data) { return !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY); }

ULONGLONG Ticks(const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

// A file as found, with what orders it: its last write, then Uninstall.reg
// before the kept ones, then the moment and copy its name tells.
struct Found {
    File file;
    ULONGLONG written = 0;
    bool restoreFile = false;
    SYSTEMTIME replacedAt{};
};

auto Order(const Found& f)
{
    const SYSTEMTIME& m = f.replacedAt;
    return std::make_tuple(f.written, f.restoreFile, m.wYear, m.wMonth, m.wDay, m.wHour, m.wMinute, m.wSecond,
                           f.file.copy);
}

// Reads the file once, through one handle: its bytes, and its time, which is
// the file's last write, when its removal made it (moving a file aside keeps
// it, so a kept file tells its own removal, not the next one). written
// receives that time; the directory's entry may be older than the file read.
File Read(const std::wstring& workingFolder, const std::wstring& name, FILETIME& written)
{
    File f;
    f.name = name;
    f.path = workingFolder + L"\\" + name;
    std::string bytes;
    const FileHandle held = RestoreFile::OpenHeld(f.path);
    BY_HANDLE_FILE_INFORMATION info;
    if (held && GetFileInformationByHandle(held.get(), &info)) written = info.ftLastWriteTime;
    SYSTEMTIME utc;
    if (!FileTimeToSystemTime(&written, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &f.when))
        f.when = {};
    const bool read = held && RestoreFile::ReadBytes(held.get(), bytes);
    RestoreFile::Fingerprint fingerprint;
    if (read && RestoreFile::FingerprintOf(held.get(), bytes, fingerprint)) f.fingerprint = fingerprint;
    const RegFile::Content content = RegFile::Read(bytes);
    f.refusal = Check(read, content);
    f.held = WhatItHolds(content);
    return f;
}

} // namespace

bool IsRestoreFileName(const std::wstring& name, SYSTEMTIME* keptAt, int* copy)
{
    if (FileName::Same(name, RestoreFile::RestoreFileName)) return true;
    SYSTEMTIME moment;
    int n = 1;
    if (!RestoreFile::ReadKeptName(name, moment, n)) return false;
    if (keptAt) *keptAt = moment;
    if (copy) *copy = n;
    return true;
}

std::wstring TimeText(const SYSTEMTIME& t)
{
    wchar_t text[32];
    std::swprintf(text, std::size(text), L"%04u-%02u-%02u %02u:%02u:%02u", unsigned(t.wYear), unsigned(t.wMonth),
                  unsigned(t.wDay), unsigned(t.wHour), unsigned(t.wMinute), unsigned(t.wSecond));
    return text;
}

Presence Look(const std::wstring& workingFolder)
{
    // One look by the exact name, whatever else lies in the folder; it is
    // searched only when that finds nothing, and then only up to the first
    // kept file.
    const DWORD attributes = GetFileAttributesW((workingFolder + L"\\" + RestoreFile::RestoreFileName).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {true, true};
    Presence there;
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(KeptFiles(workingFolder).c_str(), &data));
    if (!find) return there;
    do there.any = IsFile(data) && IsRestoreFileName(data.cFileName);
    while (!there.any && FindNextFileW(find.get(), &data));
    return there;
}

namespace {

// The folder's file system is one whose folders' write times follow every
// entry made, renamed or deleted, at once and to a fine grain. FAT keeps
// two seconds at best and may not touch a folder's time at all.
bool KeepsFolderTimes(const std::wstring& folder)
{
    wchar_t volume[MAX_PATH], system[MAX_PATH + 1];
    if (!GetVolumePathNameW(folder.c_str(), volume, MAX_PATH)
        || !GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH + 1))
        return false;
    return CompareStringOrdinal(system, -1, L"NTFS", -1, TRUE) == CSTR_EQUAL
        || CompareStringOrdinal(system, -1, L"ReFS", -1, TRUE) == CSTR_EQUAL;
}


} // namespace

Presence Look(const std::wstring& workingFolder, LastLook& last)
{
    constexpr ULONGLONG SettleTicks = 3ULL * 10'000'000; // three seconds in 100-ns ticks
    if (last.keepsTimes < 0) last.keepsTimes = KeepsFolderTimes(workingFolder);
    // The time first, then the look: a change between the two shows as a
    // newer time at the next tick.
    WIN32_FILE_ATTRIBUTE_DATA folder;
    const bool timed = last.keepsTimes && GetFileAttributesExW(workingFolder.c_str(), GetFileExInfoStandard, &folder);
    if (timed && last.settled && CompareFileTime(&folder.ftLastWriteTime, &last.folderWritten) == 0)
        return last.presence;
    last.presence = Look(workingFolder);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    last.settled = timed && Ticks(folder.ftLastWriteTime) + SettleTicks <= Ticks(now);
    if (timed) last.folderWritten = folder.ftLastWriteTime;
    return last.presence;
}

Refusal Check(bool read, const RegFile::Content& content)
{
    // A file whose values are not in the forms exports have is read by the
    // import its own way: what it would write cannot be told.
    if (!read || !content.readable) return Refusal::NotRead;
    if (!RestoreCheck::OnlyProductKeys(content)) return Refusal::Foreign;
    // The import would stop half-way through the file: what it wrote
    // before could not be told from what the file holds.
    for (const auto& key : content.keys)
        for (const auto& v : key.values)
            if (!RegFile::Importable(v.type, v.data.size())) return Refusal::NotImportable;
    return Refusal::None;
}

const wchar_t* Reason(Refusal refusal)
{
    switch (refusal) {
    case Refusal::NotRead: return L"konnte nicht gelesen werden";
    case Refusal::Foreign: return L"enth\u00e4lt Eintr\u00e4ge au\u00dferhalb der Velmora-Produkte";
    case Refusal::NotImportable: return L"enth\u00e4lt Werte, die der Registrierungseditor nicht importieren kann";
    default: return L"";
    }
}

Held WhatItHolds(const RegFile::Content& content)
{
    Held held;
    auto add = [&held](const std::wstring& keyName, size_t values) {
        ++held.keys;
        held.values += values;
        const RestoreCheck::Place place = RestoreCheck::PlaceOf(keyName);
        if (place.product.empty()) return;
        Product p{place.product, place.registerLabel};
        auto count = std::find_if(held.registers.begin(), held.registers.end(),
                                  [&](const RegisterCount& c) { return c.registerLabel == p.registerLabel; });
        if (count == held.registers.end()) count = held.registers.insert(count, {p.registerLabel});
        ++count->keys;
        count->values += values;
        // One product in one register, however its key is spelled.
        const bool known = std::any_of(held.products.begin(), held.products.end(), [&](const Product& q) {
            return q.registerLabel == p.registerLabel && KeyName::Same(q.name, p.name);
        });
        if (!known) held.products.push_back(std::move(p));
    };
    // What the import writes, a key named twice being one key; a file the
    // import would not take as a whole is counted as it reads.
    RegFile::WrittenKeys keys;
    if (RegFile::Written(content, keys)) {
        for (const auto& key : content.keys) {
            const auto written = keys.find(RegFile::Folded(key.name));
            if (written == keys.end() || written->second.name.empty()) continue;
            add(written->second.name, written->second.values.size());
            written->second.name.clear(); // counted
        }
    } else {
        for (const auto& key : content.keys)
            if (key.opens && !key.deletion) add(key.name, key.values.size());
    }
    return held;
}

std::vector<File> List(const std::wstring& workingFolder)
{
    std::vector<Found> found;
    const std::wstring restoreFile = workingFolder + L"\\" + RestoreFile::RestoreFileName;
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (GetFileAttributesExW(restoreFile.c_str(), GetFileExInfoStandard, &attributes)
        && !(attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        File file = Read(workingFolder, RestoreFile::RestoreFileName, attributes.ftLastWriteTime);
        found.push_back({std::move(file), Ticks(attributes.ftLastWriteTime), true, {}});
    }
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(KeptFiles(workingFolder).c_str(), &data));
    if (find) {
        do {
            Found f;
            int copy = 1;
            if (!IsFile(data) || !RestoreFile::ReadKeptName(data.cFileName, f.replacedAt, copy)) continue;
            f.file = Read(workingFolder, data.cFileName, data.ftLastWriteTime);
            f.file.copy = copy;
            f.written = Ticks(data.ftLastWriteTime);
            found.push_back(std::move(f));
        } while (FindNextFileW(find.get(), &data));
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return Order(a) > Order(b); });
    std::vector<File> files;
    files.reserve(found.size());
    for (auto& f : found) files.push_back(std::move(f.file));
    return files;
}

} // namespace RestoreFiles
