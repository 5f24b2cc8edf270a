// A bcrypt.dll put beside the console program, as anyone who may write in
// a fleet's folder can: it is never loaded, and the work is done with the
// system's own copy. Wine takes its builtin copy of a system DLL unless
// DllOverrides asks for the one beside the program first, which is what
// Windows does for a DLL that is not one of its known ones; the test asks.
#include "console/ExitCodes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

// While it lives, Wine looks for bcrypt.dll beside the program first.
class BesideTheProgramFirst {
public:
    explicit BesideTheProgramFirst(const std::wstring& program) : key_(L"Software\\Wine\\AppDefaults\\" + program)
    {
        SetString(HKEY_CURRENT_USER, key_ + L"\\DllOverrides", L"bcrypt", L"native,builtin");
    }
    ~BesideTheProgramFirst() { EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()), ERROR_SUCCESS); }
    BesideTheProgramFirst(const BesideTheProgramFirst&) = delete;
    BesideTheProgramFirst& operator=(const BesideTheProgramFirst&) = delete;

private:
    std::wstring key_;
};

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

} // namespace

TEST(PlantedDll, ABcryptBesideTheProgramIsNeverLoaded)
{
    CleanVelmora clean;
    ScratchFolder folder;
    ASSERT_TRUE(CopyFileW(TESSARINE_PLANTED_BCRYPT, folder.file(L"bcrypt.dll").c_str(), TRUE));
    const std::wstring marker = folder.file(L"bcrypt.dll.loaded");
    AddProduct(HKEY_CURRENT_USER, L"Alpha", L"C:\\Alpha");
    const std::wstring alpha = std::wstring(Velmora) + L"\\Alpha";
    const std::wstring hashed = folder.file(L"abc.reg");
    WriteFileBytes(hashed, "abc");
    const std::wstring sha256OfAbc = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

    struct Case {
        const char* what;
        const wchar_t* program; // copied beside the planted DLL and started there
        const wchar_t* name;
        std::wstring arguments;
        DWORD exitCode;
        bool loads;
        bool alphaThere; // afterwards
    };
    const Case cases[] = {
        // Without this row, a marker that never appears would prove nothing.
        {"a program that imports it statically loads it", TESSARINE_STATIC_IMPORTER, L"static_importer.exe", L"", 0,
         true, true},
        {"a removal", TESSARINE_COM, L"Tessarine.com", L"/entfernen Alpha /register benutzer", ExitCode::Done, false,
         false},
        {"a restore", TESSARINE_COM, L"Tessarine.com", L"/wiederherstellen", ExitCode::Done, false, true},
        {"a restore file's fingerprint", TESSARINE_HASH_PROBE, L"hash_probe.exe",
         Quoted(hashed) + L" " + sha256OfAbc, 0, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring program = folder.file(c.name);
        ASSERT_TRUE(CopyFileW(c.program, program.c_str(), FALSE));
        BesideTheProgramFirst nativeFirst(c.name);
        DWORD exitCode = ~0u;
        ASSERT_TRUE(RunAndWait(Quoted(program) + L" " + c.arguments, &exitCode));
        EXPECT_EQ(exitCode, c.exitCode);
        EXPECT_EQ(FileThere(marker), c.loads);
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, alpha), c.alphaThere);
        EXPECT_TRUE(!FileThere(marker) || DeleteFileW(marker.c_str()));
    }
}
