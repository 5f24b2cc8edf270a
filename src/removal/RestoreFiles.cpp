#include "removal/RestoreFiles.h"

#include "catalogue/ProductRow.h"
#include "platform/Handles.h"
#include "removal/RestoreCheck.h"
#include "removal/RestoreFile.h"

#include <algorithm>
#include <cwctype>
#include <tuple>

namespace RestoreFiles {

namespace {

constexpr wchar_t RestoreFileName[] = L"Uninstall.reg";
constexpr wchar_t Pattern[] = L"\\Uninstall*.reg";

// The file system's idea of the same name: without regard to case.
bool SameName(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() && RegFile::Folded(a) == RegFile::Folded(b);
}

// Exactly n digits at s[at]; their number.
bool Digits(const std::wstring& s, size_t at, size_t n, int& number)
{
    if (at + n > s.size()) return false;
    number = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (s[i] < L'0' || s[i] > L'9') return false;
        number = number * 10 + (s[i] - L'0');
    }
    return true;
}

auto Order(const File& f)
{
    return std::make_tuple(f.when.wYear, f.when.wMonth, f.when.wDay, f.when.wHour, f.when.wMinute, f.when.wSecond,
                           f.copy);
}

} // namespace

bool IsRestoreFileName(const std::wstring& name, SYSTEMTIME* keptAt, int* copy)
{
    if (SameName(name, RestoreFileName)) return true;
    // "Uninstall YYYY-MM-DD HH-MM-SS.reg" or "... (n).reg", as KeptPath makes them.
    constexpr size_t Moment = 10, Stem = Moment + 19;
    if (name.size() < Stem + 4 || !SameName(name.substr(0, Moment), L"Uninstall ")
        || !SameName(name.substr(name.size() - 4), L".reg"))
        return false;
    int y, mo, d, h, mi, s;
    const std::wstring at = name.substr(Moment, 19);
    if (!Digits(at, 0, 4, y) || at[4] != L'-' || !Digits(at, 5, 2, mo) || at[7] != L'-' || !Digits(at, 8, 2, d)
        || at[10] != L' ' || !Digits(at, 11, 2, h) || at[13] != L'-' || !Digits(at, 14, 2, mi) || at[16] != L'-'
        || !Digits(at, 17, 2, s))
        return false;
    int n = 1;
    const std::wstring rest = name.substr(Stem, name.size() - 4 - Stem);
    if (!rest.empty()) {
        if (rest.size() < 4 || rest.compare(0, 2, L" (") != 0 || rest.back() != L')'
            || !Digits(rest, 2, rest.size() - 3, n) || n < 2)
            return false;
    }
    if (keptAt) *keptAt = SYSTEMTIME{WORD(y), WORD(mo), 0, WORD(d), WORD(h), WORD(mi), WORD(s), 0};
    if (copy) *copy = n;
    return true;
}

Presence Look(const std::wstring& workingFolder)
{
    Presence there;
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((workingFolder + Pattern).c_str(), &data));
    if (!find) return there;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY || !IsRestoreFileName(data.cFileName)) continue;
        there.any = true;
        there.restoreFile = SameName(data.cFileName, RestoreFileName);
    } while (!there.restoreFile && FindNextFileW(find.get(), &data));
    return there;
}

Refusal Check(bool read, const RegFile::Content& content)
{
    // A file whose values are not in the forms exports have is read by the
    // import its own way: what it would write cannot be told.
    if (!read || !content.readable) return Refusal::NotRead;
    if (!RestoreCheck::OnlyProductKeys(content)) return Refusal::Foreign;
    return Refusal::None;
}

const wchar_t* Reason(Refusal refusal)
{
    switch (refusal) {
    case Refusal::NotRead: return L"konnte nicht gelesen werden";
    case Refusal::Foreign: return L"enth\u00e4lt Eintr\u00e4ge au\u00dferhalb der Velmora-Produkte";
    default: return L"";
    }
}

Held WhatItHolds(const RegFile::Content& content)
{
    Held held;
    auto add = [&held](const std::wstring& keyName, size_t values) {
        ++held.keys;
        held.values += values;
        Product p;
        if (!RestoreCheck::ProductOf(keyName, p.registerLabel, p.name)) return;
        auto count = std::find_if(held.registers.begin(), held.registers.end(),
                                  [&](const RegisterCount& c) { return c.registerLabel == p.registerLabel; });
        if (count == held.registers.end()) count = held.registers.insert(count, {p.registerLabel});
        ++count->keys;
        count->values += values;
        // One product in one register, however its key is spelled.
        const bool known = std::any_of(held.products.begin(), held.products.end(), [&](const Product& q) {
            return q.registerLabel == p.registerLabel && RegFile::Folded(q.name) == RegFile::Folded(p.name);
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
    std::vector<File> files;
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((workingFolder + Pattern).c_str(), &data));
    if (!find) return files;
    do {
        File f;
        f.name = data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY || !IsRestoreFileName(f.name, &f.when, &f.copy))
            continue;
        f.path = workingFolder + L"\\" + f.name;
        if (SameName(f.name, RestoreFileName)) {
            SYSTEMTIME utc;
            if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &f.when))
                f.when = {};
        }
        std::string bytes;
        const FileHandle held = RestoreFile::OpenHeld(f.path);
        const bool read = held && RestoreFile::ReadBytes(held.get(), bytes);
        RestoreFile::Fingerprint fingerprint;
        if (read && RestoreFile::FingerprintOf(held.get(), bytes, fingerprint)) f.fingerprint = fingerprint;
        const RegFile::Content content = RegFile::Read(bytes);
        f.refusal = Check(read, content);
        f.held = WhatItHolds(content);
        files.push_back(std::move(f));
    } while (FindNextFileW(find.get(), &data));
    std::sort(files.begin(), files.end(), [](const File& a, const File& b) {
        const bool aLast = SameName(a.name, RestoreFileName), bLast = SameName(b.name, RestoreFileName);
        if (aLast != bLast) return aLast;
        return Order(a) > Order(b);
    });
    return files;
}

} // namespace RestoreFiles
