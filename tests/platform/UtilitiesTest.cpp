#include "platform/Dateiexistenz.h"
#include "platform/FileName.h"
#include "platform/ListComboFind.h"
#include "platform/PlainFile.h"
#include "platform/Wartezeit.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace test;

TEST(FileName, SameIsTheFileSystemsOwnComparison)
{
    const struct {
        const wchar_t* a;
        const wchar_t* b;
        bool same;
    } cases[] = {
        {L"Uninstall.reg", L"UNINSTALL.REG", true},
        {L"C:\\Velmora\\Arbeit", L"c:\\VELMORA\\arbeit", true},
        {L"\u00c4nderung.reg", L"\u00e4NDERUNG.REG", true},
        {L"Uninstall.reg", L"Uninstall.re", false},
        {L"Uninstall.reg", L"Uninstall.reg ", false},
        // Not the user's language: one letter is never two.
        {L"Stra\u00dfe.reg", L"Strasse.reg", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileName::Same(c.a, c.b), c.same) << Narrow(c.a) << " / " << Narrow(c.b);
        EXPECT_EQ(FileName::Same(c.b, c.a), c.same) << Narrow(c.b) << " / " << Narrow(c.a);
    }
}

TEST(FileExists, MatchesDirectoryEntries)
{
    ScratchFolder folder;
    EXPECT_TRUE(Dateiexistenz::FileExists(folder.path())) << "a folder counts as existing";
    EXPECT_FALSE(Dateiexistenz::FileExists(folder.path() + L"\\*.reg")) << "empty folder";
    WriteFileBytes(folder.file(L"Uninstall.reg"), "x");
    EXPECT_TRUE(Dateiexistenz::FileExists(folder.path() + L"\\*.reg"));
    EXPECT_TRUE(Dateiexistenz::FileExists(folder.file(L"Uninstall.reg")));
    EXPECT_FALSE(Dateiexistenz::FileExists(folder.file(L"Uninstall.bak")));
    EXPECT_FALSE(Dateiexistenz::FileExists(L""));
}

namespace {

struct ListFixture : ::testing::Test {
    void SetUp() override
    {
        list = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(list);
        for (const wchar_t* s : {L"Alpha", L"Beta", L"Beta2"}) SendMessageW(list, LB_ADDSTRING, 0, LPARAM(s));
    }
    void TearDown() override { DestroyWindow(list); }
    int selected() const { return int(SendMessageW(list, LB_GETCURSEL, 0, 0)); }
    HWND list = nullptr;
};

} // namespace

TEST_F(ListFixture, ExactSearchIgnoresCaseAndWrapsAround)
{
    EXPECT_EQ(ListComboFind::ListFind(list, L"BETA", -1, 0, -1), 1);
    EXPECT_EQ(ListComboFind::ListFind(list, L"Bet", -1, 0, -1), -1);
    EXPECT_EQ(ListComboFind::ListFind(list, L"Beta", 1, 0, -1), 1) << "runs past the end and back to the start";
    EXPECT_EQ(selected(), -1);
    EXPECT_EQ(ListComboFind::ListFind(list, L"beta2", -1, -1, -1), 2);
    EXPECT_EQ(selected(), 2);
    EXPECT_EQ(ListComboFind::ListFind(list, L"Gamma", -1, -1, -1), -1);
    EXPECT_EQ(selected(), -1) << "no match clears the selection";
}

TEST_F(ListFixture, PrefixSearchFindsOrSelects)
{
    EXPECT_EQ(ListComboFind::ListFind(list, L"Bet", -1, 0, 0), 1);
    EXPECT_EQ(selected(), -1);
    EXPECT_EQ(ListComboFind::ListFind(list, L"Bet", -1, -1, 0), 1);
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(ListComboFind::ListFind(list, L"Alp", -1, 1, 0), 0) << "searches nothing";
    EXPECT_EQ(ListComboFind::ListFind(list, L"Alp", -1, -1, 5), 0);
    EXPECT_EQ(selected(), 1) << "the list is unchanged";
}

namespace {

// Counts messages posted to a message-only window.
struct Probe {
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l)
    {
        if (m == WM_APP) ++count;
        return DefWindowProcW(h, m, w, l);
    }
    Probe()
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = L"TessarineProbe";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        count = 0;
    }
    ~Probe() { DestroyWindow(hwnd); }
    HWND hwnd;
    static inline int count = 0;
};

} // namespace

TEST(WaitSeconds, KeepsTheWindowResponsiveForTheWholeWait)
{
    Probe probe;
    PostMessageW(probe.hwnd, WM_APP, 0, 0);
    Wartezeit::WaitSeconds(0);
    Wartezeit::WaitSeconds(-1);
    EXPECT_EQ(Probe::count, 0) << "no wait, no events processed";

    const ULONGLONG start = GetTickCount64();
    Wartezeit::WaitSeconds(0.3);
    const ULONGLONG took = GetTickCount64() - start;
    EXPECT_EQ(Probe::count, 1) << "a pending event is processed during the wait";
    EXPECT_GE(took, 290u);
    EXPECT_LT(took, 3000u);
}

TEST(WaitSeconds, CountsOnAcrossMidnight)
{
    // A clock that starts half a second before midnight and moves 0.1 s a reading.
    double now = 86399.5;
    int readings = 0;
    auto clock = [&] {
        ++readings;
        const double t = now;
        now += 0.1;
        if (now >= 86400.0) now -= 86400.0;
        return t;
    };
    Wartezeit::WaitSeconds(2, clock);
    // Two readings a pass advance 0.2 s: about ten passes for two seconds.
    EXPECT_GE(readings, 20);
    EXPECT_LE(readings, 24) << "returns about two seconds after it began, not a day later";
}

TEST(WaitForProcess, ReturnsWhenTheProcessEndsOrTheBoundPasses)
{
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION pi{};
    std::wstring quick = L"cmd.exe /c exit 0";
    ASSERT_TRUE(CreateProcessW(nullptr, quick.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &pi));
    CloseHandle(pi.hThread);
    EXPECT_TRUE(Wartezeit::WaitForProcess(pi.hProcess, 30));
    CloseHandle(pi.hProcess);

    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(Wartezeit::WaitForProcess(never, 0.2));
    EXPECT_GE(GetTickCount64() - start, 190u);
    CloseHandle(never);
}

namespace {

enum class Kind { Link, LinkToNothing, Plain, Missing };
enum class Op { Open, OpenOrCreate, Remove, Replace, WriteNew, WriteNewWhileUsed };

bool Carry(Op op, const std::wstring& name)
{
    switch (op) {
    case Op::Open: return bool(PlainFile::Open(name, GENERIC_READ, FILE_SHARE_READ));
    case Op::OpenOrCreate: return bool(PlainFile::OpenOrCreate(name, FILE_APPEND_DATA, FILE_SHARE_READ));
    case Op::Remove: return PlainFile::Remove(name);
    case Op::Replace: return PlainFile::Replace(name, "new");
    case Op::WriteNew: return PlainFile::WriteNew(name, "new");
    case Op::WriteNewWhileUsed: return PlainFile::WriteNew(name, "new", PlainFile::Durability::WhileUsed);
    }
    return false;
}

} // namespace

// Whoever may create files in a folder may put a link under a name the
// program uses; the far end is a file the program's rights reach.
TEST(PlainFile, ANameThatIsALinkIsNeitherFollowedNorWrittenThrough)
{
    struct Row {
        const char* what;
        Kind kind;
        Op op;
        bool done;
        const char* nameHolds; // what reading the name gives afterwards; nullptr: nothing there
    };
    const Row rows[] = {
        {"open a link", Kind::Link, Op::Open, false, "target"},
        {"open a link to nothing", Kind::LinkToNothing, Op::Open, false, nullptr},
        {"open a plain file", Kind::Plain, Op::Open, true, "mine"},
        {"open a missing file", Kind::Missing, Op::Open, false, nullptr},
        {"open or create a link", Kind::Link, Op::OpenOrCreate, false, "target"},
        {"open or create a link to nothing", Kind::LinkToNothing, Op::OpenOrCreate, false, nullptr},
        {"open or create a plain file", Kind::Plain, Op::OpenOrCreate, true, "mine"},
        {"open or create a missing file", Kind::Missing, Op::OpenOrCreate, true, ""},
        {"remove a link", Kind::Link, Op::Remove, true, nullptr},
        {"remove a link to nothing", Kind::LinkToNothing, Op::Remove, true, nullptr},
        {"remove a plain file", Kind::Plain, Op::Remove, true, nullptr},
        {"remove a missing file", Kind::Missing, Op::Remove, true, nullptr},
        {"replace a link", Kind::Link, Op::Replace, true, "new"},
        {"replace a link to nothing", Kind::LinkToNothing, Op::Replace, true, "new"},
        {"replace a plain file", Kind::Plain, Op::Replace, true, "new"},
        {"replace a missing file", Kind::Missing, Op::Replace, true, "new"},
        {"write a link anew", Kind::Link, Op::WriteNew, false, "target"},
        {"write a link to nothing anew", Kind::LinkToNothing, Op::WriteNew, false, nullptr},
        {"write a plain file anew", Kind::Plain, Op::WriteNew, false, "mine"},
        {"write a missing file anew", Kind::Missing, Op::WriteNew, true, "new"},
        // Unflushed, as the import's copy is written: only the flush is left out.
        {"write a link anew, unflushed", Kind::Link, Op::WriteNewWhileUsed, false, "target"},
        {"write a link to nothing anew, unflushed", Kind::LinkToNothing, Op::WriteNewWhileUsed, false, nullptr},
        {"write a plain file anew, unflushed", Kind::Plain, Op::WriteNewWhileUsed, false, "mine"},
        {"write a missing file anew, unflushed", Kind::Missing, Op::WriteNewWhileUsed, true, "new"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScratchFolder working, outside;
        const std::wstring name = working.file(L"Uninstall.bak"), target = outside.file(L"system.dat"),
                           nothing = outside.file(L"not-yet.dat");
        WriteFileBytes(target, "target");
        if (row.kind == Kind::Plain) WriteFileBytes(name, "mine");
        if (row.kind == Kind::Link) ASSERT_TRUE(MakeLink(target, name));
        if (row.kind == Kind::LinkToNothing) ASSERT_TRUE(MakeLink(nothing, name));

        EXPECT_EQ(Carry(row.op, name), row.done);
        EXPECT_EQ(ReadFileBytes(target), "target") << "the far end of a link stays as it was";
        EXPECT_FALSE(FileThere(nothing)) << "nothing is made at the far end of a link";
        EXPECT_EQ(FileThere(name), row.nameHolds != nullptr);
        if (row.nameHolds) EXPECT_EQ(ReadFileBytes(name), row.nameHolds);
    }
}
