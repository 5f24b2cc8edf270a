#include "support/TestProfiles.h"

#include "platform/Handles.h"
#include "platform/PlainFile.h"
#include "platform/Profiles.h"

namespace test {

namespace {

constexpr wchar_t ScratchRoot[] = L"Software\\Tessarine Profile Scratch";

std::wstring ProfileKey(const std::wstring& sid) { return std::wstring(Profiles::ProfileListKey) + L"\\" + sid; }

// Writes the person's register as the machine keeps it: a hive file saved
// from a key that holds what the person's Software holds.
std::wstring SaveHive(const MachineProfiles::Person& person, const std::wstring& file)
{
    const std::wstring scratch = std::wstring(ScratchRoot) + L"\\" + person.sid;
    for (const std::wstring& product : person.products) {
        const std::wstring key = scratch + L"\\Software\\Velmora\\" + product;
        KeyHandle made;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, made.put(),
                            nullptr) != ERROR_SUCCESS)
            return L"cannot make " + key;
        const std::wstring dir = L"C:\\Users\\" + person.name + L"\\" + product, version = L"3.1";
        if (RegSetValueExW(made.get(), L"InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                           DWORD((dir.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS ||
            RegSetValueExW(made.get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                           DWORD((version.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
            return L"cannot set the values of " + key;
    }
    KeyHandle top;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, top.put(),
                        nullptr) != ERROR_SUCCESS)
        return L"cannot make " + scratch;
    LSTATUS saved;
    {
        const Profiles::Privileges rights({SE_BACKUP_NAME});
        saved = RegSaveKeyW(top.get(), file.c_str(), nullptr);
    }
    top.reset();
    (void)RegDeleteTreeW(HKEY_CURRENT_USER, ScratchRoot); // a scratch key left over is harmless
    (void)RegDeleteKeyW(HKEY_CURRENT_USER, ScratchRoot);
    return saved == ERROR_SUCCESS ? L"" : L"RegSaveKeyW answered " + std::to_wstring(saved);
}

} // namespace

bool HiveThere(const std::wstring& sid) { return KeyExists(HKEY_USERS, sid); }

MachineProfiles::MachineProfiles(std::vector<Person> people) : people_(std::move(people))
{
    held_.resize(people_.size());
    for (std::size_t i = 0; i < people_.size() && problem_.empty(); ++i) {
        const Person& person = people_[i];
        if (!CreateDirectoryW(folder(i).c_str(), nullptr)) problem_ = L"cannot make " + folder(i);
        else if (person.state == State::Damaged)
            WriteFileBytes(hiveFile(i), "regf but nothing a hive holds");
        else if (person.state != State::NoHive)
            problem_ = SaveHive(person, hiveFile(i));
        if (!problem_.empty()) break;
        SetString(HKEY_LOCAL_MACHINE, ProfileKey(person.sid), L"ProfileImagePath", folder(i), REG_EXPAND_SZ);
        SetDword(HKEY_LOCAL_MACHINE, ProfileKey(person.sid), L"Flags", 0);
        if (person.state == State::SignedIn) {
            const Profiles::Privileges rights({SE_BACKUP_NAME, SE_RESTORE_NAME});
            const LSTATUS loaded = RegLoadKeyW(HKEY_USERS, person.sid.c_str(), hiveFile(i).c_str());
            if (loaded != ERROR_SUCCESS) problem_ = L"RegLoadKeyW answered " + std::to_wstring(loaded);
        } else if (person.state == State::Held) {
            held_[i] = FileHandle(CreateFileW(hiveFile(i).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!held_[i]) problem_ = L"cannot hold " + hiveFile(i);
        }
    }
}

MachineProfiles::~MachineProfiles()
{
    for (std::size_t i = 0; i < people_.size(); ++i) {
        release(i);
        if (people_[i].state == State::SignedIn && HiveThere(people_[i].sid)) {
            const Profiles::Privileges rights({SE_BACKUP_NAME, SE_RESTORE_NAME});
            EXPECT_EQ(RegUnLoadKeyW(HKEY_USERS, people_[i].sid.c_str()), ERROR_SUCCESS) << Narrow(people_[i].sid);
        }
        EXPECT_FALSE(HiveThere(people_[i].sid)) << "a hive stays loaded: " << Narrow(people_[i].sid);
        (void)RegDeleteTreeW(HKEY_LOCAL_MACHINE, ProfileKey(people_[i].sid).c_str()); // may never have been made
        (void)RegDeleteKeyW(HKEY_LOCAL_MACHINE, ProfileKey(people_[i].sid).c_str());
        WIN32_FIND_DATAW data;
        FindHandle find(FindFirstFileW((folder(i) + L"\\*").c_str(), &data));
        if (find) {
            do {
                const std::wstring name = data.cFileName;
                if (name != L"." && name != L"..") (void)PlainFile::Remove(folder(i) + L"\\" + name);
            } while (FindNextFileW(find.get(), &data));
        }
        (void)RemoveDirectoryW(folder(i).c_str()); // the scratch folder's own cleanup reports what is left
    }
}

testing::AssertionResult MachineProfiles::ready() const
{
    if (problem_.empty()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << Narrow(problem_);
}

std::wstring MachineProfiles::folder(std::size_t i) const { return root_.path() + L"\\" + people_[i].name; }

void MachineProfiles::release(std::size_t i)
{
    held_[i].reset();
}

std::vector<MachineProfiles::Person> ThreePeople(const std::vector<std::wstring>& annasProducts,
                                                 const std::vector<std::wstring>& berndsProducts,
                                                 const std::vector<std::wstring>& clarasProducts)
{
    using State = MachineProfiles::State;
    return {{AnnaSid, L"Anna", State::SignedIn, annasProducts},
            {BerndSid, L"Bernd J\u00fcrgens", State::Away, berndsProducts},
            {ClaraSid, L"Clara", State::Held, clarasProducts}};
}

} // namespace test
