// How often a verb over every person's register loads each hive. A hive that
// is loaded is one its owner cannot sign in to, and on a machine of many
// profiles each load is a file opened and parsed: a verb that loaded a
// person's NTUSER.DAT once to list and again to read would double both.
// The loads are counted where the program makes them, at its call of
// RegLoadKeyW, which this executable binds through its import table.
#include "console/Arguments.h"
#include "console/Verbs.h"
#include "support/TestProfiles.h"
#include "support/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace test;

namespace {

using LoadFunction = LSTATUS(WINAPI*)(HKEY, LPCWSTR, LPCWSTR);

LoadFunction original = nullptr;
std::map<std::wstring, int> loads; // by the SID named under HKEY_USERS

LSTATUS WINAPI CountedLoad(HKEY root, LPCWSTR subkey, LPCWSTR file)
{
    if (root == HKEY_USERS && subkey != nullptr) ++loads[subkey];
    return original(root, subkey, file);
}

// The import table's slots for one function of one library in this
// executable; the linker may give a library more than one descriptor.
std::vector<void**> ImportSlots(const char* library, const char* function)
{
    auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<void**> slots;
    if (imports.VirtualAddress == 0) return slots;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d) {
        if (_stricmp(reinterpret_cast<const char*>(base + d->Name), library) != 0) continue;
        const auto* names =
            reinterpret_cast<const IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        auto* bound = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++bound) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                slots.push_back(reinterpret_cast<void**>(&bound->u1.Function));
        }
    }
    return slots;
}

bool Bind(void** slot, void* to)
{
    DWORD was = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &was)) return false;
    *slot = to;
    DWORD ignored = 0;
    // The slot holds the new target either way; its old protection is only tidiness.
    (void)VirtualProtect(slot, sizeof *slot, was, &ignored);
    return true;
}

// Points RegLoadKeyW at the counter for the life of the object.
class LoadCounter {
public:
    LoadCounter() : slots_(ImportSlots("advapi32.dll", "RegLoadKeyW"))
    {
        for (void** slot : slots_) {
            if (original == nullptr) original = reinterpret_cast<LoadFunction>(*slot);
            bound_ += Bind(slot, reinterpret_cast<void*>(&CountedLoad)) ? 1 : 0;
        }
    }
    ~LoadCounter()
    {
        for (void** slot : slots_) EXPECT_TRUE(Bind(slot, reinterpret_cast<void*>(original)));
    }
    LoadCounter(const LoadCounter&) = delete;
    LoadCounter& operator=(const LoadCounter&) = delete;

    testing::AssertionResult ready() const
    {
        if (slots_.empty()) return testing::AssertionFailure() << "RegLoadKeyW is not in the import table";
        if (bound_ != slots_.size()) return testing::AssertionFailure() << "an import slot could not be written";
        return testing::AssertionSuccess();
    }

private:
    std::vector<void**> slots_;
    std::size_t bound_ = 0;
};

} // namespace

TEST(HiveLoads, ListAndCheckLoadEachHiveThatIsNotLoadedOnceAndGiveItBack)
{
    CleanVelmora clean;
    using State = MachineProfiles::State;
    const std::vector<std::wstring> products = {L"Produkt 0", L"Produkt 1", L"Produkt 2"};
    // One signed in, four away: the first person's hive is to be used where it is.
    std::vector<MachineProfiles::Person> people;
    for (int i = 0; i < 5; ++i)
        people.push_back({L"S-1-5-21-1000-2000-3000-" + std::to_wstring(1101 + i), L"Person " + std::to_wstring(i),
                          i == 0 ? State::SignedIn : State::Away, products});
    MachineProfiles machine(people);
    ASSERT_TRUE(machine.ready());
    LoadCounter counter;
    ASSERT_TRUE(counter.ready());

    struct Row {
        std::vector<std::wstring> arguments;
        int code;
    };
    const Row rows[] = {
        {{L"/pruefen", L"Produkt 2", L"/alle-benutzer"}, ExitCode::Found},
        {{L"/pruefen", L"Produkt 9", L"/alle-benutzer"}, ExitCode::Done},
        {{L"/pruefen", L"Produkt 1", L"/alle-benutzer", L"/register", L"benutzer"}, ExitCode::Found},
        {{L"/liste", L"/alle-benutzer"}, ExitCode::Done},
        {{L"/liste", L"/alle-benutzer", L"/format", L"csv"}, ExitCode::Done},
        {{L"/liste", L"/alle-benutzer", L"/register", L"benutzer", L"/format", L"json"}, ExitCode::Done},
    };
    for (const Row& row : rows) {
        std::wstring line;
        for (const std::wstring& a : row.arguments) line += a + L" ";
        SCOPED_TRACE(Narrow(line));
        const Arguments::Parsed parsed = Arguments::Parse(row.arguments);
        ASSERT_TRUE(parsed.ok) << Narrow(parsed.error);
        loads.clear();
        const Verbs::Report report = Verbs::Run(parsed.command);
        EXPECT_EQ(report.exitCode, row.code) << Narrow(report.err);
        for (const MachineProfiles::Person& person : people) {
            EXPECT_EQ(loads[person.sid], person.state == State::Away ? 1 : 0) << Narrow(person.sid);
            EXPECT_EQ(HiveThere(person.sid), person.state == State::SignedIn) << Narrow(person.sid);
        }
        for (const auto& [sid, times] : loads) EXPECT_LE(times, 1) << Narrow(sid) << " loaded more than once";
    }
}
