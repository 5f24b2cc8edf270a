// Tessarine.log: one line for every removal and restore, whatever its
// outcome, with names and counts but never a value's data.
#include "WindowFixture.h"

#include "removal/OperationLog.h"

#include <cwchar>

using namespace test;

namespace {

std::wstring Wide(const std::string& utf8)
{
    std::wstring text(utf8.size(), L'\0');
    text.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), text.data(), int(text.size()))));
    return text;
}

// The account as the system's environment names it, not as the log asks.
std::wstring Account()
{
    wchar_t name[257];
    const DWORD n = GetEnvironmentVariableW(L"USERNAME", name, 257);
    return n > 0 && n < 257 ? std::wstring(name, n) : L"?";
}

ULONGLONG Seconds(const SYSTEMTIME& t)
{
    FILETIME f;
    if (!SystemTimeToFileTime(&t, &f)) return 0;
    return ((ULONGLONG(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000000;
}

// The logged time, "YYYY-MM-DDTHH:MM:SS+HH:MM", has the offset of local
// time, and lies between the two moments (UTC) once that is taken off.
testing::AssertionResult LoggedBetween(const std::wstring& field, const SYSTEMTIME& before, const SYSTEMTIME& after)
{
    unsigned y, mo, d, h, mi, s, oh, om;
    wchar_t sign;
    if (field.size() != 25
        || swscanf(field.c_str(), L"%4u-%2u-%2uT%2u:%2u:%2u%lc%2u:%2u", &y, &mo, &d, &h, &mi, &s, &sign, &oh, &om) != 9
        || (sign != L'+' && sign != L'-'))
        return testing::AssertionFailure() << "not a time with its offset: " << Narrow(field);
    const SYSTEMTIME local{WORD(y), WORD(mo), 0, WORD(d), WORD(h), WORD(mi), WORD(s), 0};
    const long long offset = (sign == L'-' ? -1 : 1) * (long long)(oh * 3600 + om * 60);
    if (offset != MinutesEastOfUtcNow() * 60LL)
        return testing::AssertionFailure() << Narrow(field) << " does not have the offset of local time, "
                                           << MinutesEastOfUtcNow() << " minutes east of UTC";
    const long long utc = (long long)Seconds(local) - offset;
    if (utc < (long long)Seconds(before) || utc > (long long)Seconds(after) + 1)
        return testing::AssertionFailure() << Narrow(field) << " is not the moment of the operation in UTC";
    return testing::AssertionSuccess();
}

struct Log : WindowFixture {
    std::vector<std::wstring> Lines() const
    {
        std::vector<std::wstring> lines = Split(Wide(ReadFileBytes(folder.file(OperationLog::FileName))), L"\r\n");
        if (!lines.empty() && lines.back().empty()) lines.pop_back();
        return lines;
    }
};

const std::wstring Secret = L"C:\\Geheim 4711", SecretVersion = L"0815-geheim";
const std::wstring& Head = RegHead;
const std::wstring Removed =
    L"Die Eintr\u00e4ge wurden aus dem Velmora Haupt- und Benutzerregister entfernt.\\n"
    L"Eine Wiederherstellungsdatei der Registrierung wurde im Arbeitsordner erstellt.\\n"
    L"Klicken Sie die Datei ''Uninstall.reg'' an, um den Eintrag wiederherzustellen.";

} // namespace

TEST_F(Log, OneLineForEveryOperationWithItsFieldsAndNoValueData)
{
    AddProduct(HKEY_LOCAL_MACHINE, L"Beta", Secret.c_str(), SecretVersion.c_str());
    AddProduct(HKEY_CURRENT_USER, L"Beta", Secret.c_str());
    AddProduct(HKEY_CURRENT_USER, L"Gone");
    ASSERT_TRUE(InTheExpectedZone());
    Load();
    const std::wstring kept = L"Uninstall 2026-12-07 09-05-03.reg";

    const struct Case {
        const char* what;
        std::function<void()> run;
        size_t lines; // the restore after a removal logs both
        const wchar_t* operation;
        std::wstring products, registers, outcome, file;
    } cases[] = {
        {"a removal from both registers",
         [&] { Select(L"Beta"); answers = {IDYES, IDOK}; root->bEntfernen_Click(); },
         1, OperationLog::Removal, L"Beta",
         L"Hauptregister: 1 Schl\u00fcssel, 2 Werte, Benutzerregister: 1 Schl\u00fcssel, 1 Wert",
         Removed, L"Uninstall.reg"},
        {"a removal that finds nothing",
         [&] {
             Select(L"Gone");
             ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora\\Gone"), ERROR_SUCCESS);
             answers = {IDYES, IDOK};
             root->bEntfernen_Click();
         },
         1, OperationLog::Removal, L"Gone", L"-",
         L"Die Eintr\u00e4ge wurden in der Registrierung nicht gefunden.\\nEs wurde nichts entfernt.", L"-"},
        {"a restore by the button",
         [&] { answers = {IDYES}; root->bRestored_Click(); },
         1, OperationLog::Restore, L"Beta",
         L"Hauptregister: 1 Schl\u00fcssel, 2 Werte, Benutzerregister: 1 Schl\u00fcssel, 1 Wert",
         L"Die Eintr\u00e4ge wurden wiederhergestellt.", L"Uninstall.reg"},
        {"a kept file refused",
         [&] {
             WriteFileBytes(folder.file(kept),
                            Utf16File(Head + L"[HKEY_CURRENT_USER\\Software\\Velmora\\Alpha]\r\n\"D\"=\"" + L"C:\\\\Geheim 4711"
                                      + L"\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Evil]\r\n\r\n"));
             answers = {IDYES, IDOK};
             root->RestoreFrom(folder.file(kept), root->hwnd());
             EXPECT_TRUE(FileThere(folder.file(kept))) << "a file that fails stays";
         },
         1, OperationLog::Restore, L"Alpha", L"Benutzerregister: 1 Schl\u00fcssel, 1 Wert",
         L"Die Datei ''" + kept + L"'' enth\u00e4lt Eintr\u00e4ge au\u00dferhalb der Velmora-Produkte und wurde nicht "
             L"importiert.\\nDie Datei ''" + kept + L"'' bleibt im Arbeitsordner erhalten.",
         kept},
        {"a restore whose editor cannot start",
         [&] {
             Select(L"Beta");
             answers = {IDYES, IDOK};
             root->bEntfernen_Click();
             onStart = [](const std::wstring&, int) { return ProcessHandle(); };
             answers = {IDYES, IDOK};
             root->bRestored_Click();
             onStart = nullptr;
         },
         2, OperationLog::Restore, L"Beta",
         L"Hauptregister: 1 Schl\u00fcssel, 2 Werte, Benutzerregister: 1 Schl\u00fcssel, 1 Wert",
         L"Der Registrierungseditor konnte nicht gestartet werden.\\nDie Datei ''Uninstall.reg'' bleibt im "
         L"Arbeitsordner erhalten.",
         L"Uninstall.reg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t before = Lines().size();
        SYSTEMTIME started, ended;
        GetSystemTime(&started);
        c.run();
        GetSystemTime(&ended);
        const std::vector<std::wstring> lines = Lines();
        ASSERT_EQ(lines.size(), before + c.lines) << "one line an operation";
        const std::vector<std::wstring> fields = Split(lines.back());
        ASSERT_EQ(fields.size(), 7u) << Narrow(lines.back());
        EXPECT_TRUE(LoggedBetween(fields[0], started, ended));
        EXPECT_EQ(fields[1], Account());
        EXPECT_EQ(fields[2], c.operation);
        EXPECT_EQ(fields[3], c.products);
        EXPECT_EQ(fields[4], c.registers);
        EXPECT_EQ(fields[5], c.outcome);
        EXPECT_EQ(fields[6], c.file);
    }
    const std::string log = ReadFileBytes(folder.file(OperationLog::FileName));
    EXPECT_EQ(Wide(log).find(L"Geheim"), std::wstring::npos) << "a value's data in the log";
    EXPECT_EQ(Wide(log).find(SecretVersion), std::wstring::npos);
}

TEST(OperationLog, ALineEscapesItsFieldsAndNamesAtMostTwentyProducts)
{
    std::vector<std::wstring> many;
    for (int i = 1; i <= 25; ++i) many.push_back(L"P" + std::to_wstring(i));
    const struct {
        const char* what;
        OperationLog::Entry entry;
        int minutesEastOfUtc;
        std::wstring line;
    } cases[] = {
        {"a tab, a backslash and line ends in the fields, west of UTC",
         {OperationLog::Restore, {L"Tab\tName", L"Back\\slash"}, {}, L"eins\r\nzwei   \nC:\\x", L"a\tb.reg"}, -90,
         L"2026-03-04T05:06:07-01:30\tAnna\\tB\tWiederherstellen\tTab\\tName, Back\\\\slash\t-\t"
         L"eins\\r\\nzwei\\nC:\\\\x\ta\\tb.reg\r\n"},
        {"twenty products", {OperationLog::Removal, std::vector<std::wstring>(many.begin(), many.begin() + 20), {}, L"x", L""}, 60,
         L"2026-03-04T05:06:07+01:00\tAnna\\tB\tEntfernen\tP1, P2, P3, P4, P5, P6, P7, P8, P9, P10, P11, P12, P13, P14, "
         L"P15, P16, P17, P18, P19, P20\t-\tx\t-\r\n"},
        {"twenty-five products", {OperationLog::Removal, many, {}, L"x", L""}, 0,
         L"2026-03-04T05:06:07+00:00\tAnna\\tB\tEntfernen\tP1, P2, P3, P4, P5, P6, P7, P8, P9, P10, P11, P12, P13, P14, "
         L"P15, P16, P17, P18, P19, P20 und 5 weitere\t-\tx\t-\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Wide(OperationLog::Line(c.entry, {2026, 3, 3, 4, 5, 6, 7, 0}, c.minutesEastOfUtc, L"Anna\tB")),
                  c.line);
    }
}

// The working folder is not trusted: what lies there under the log's name
// and is no plain file of one link is passed over, never written through.
TEST_F(Log, ALogThatIsNoPlainFileIsPassedOverAndChangesNothing)
{
    const std::wstring log = folder.file(OperationLog::FileName), other = folder.file(L"Anderswo.txt"),
                       nowhere = folder.file(L"Nirgends.txt");
    const struct {
        const char* what;
        std::function<bool()> plant;
        bool symbolic;
    } cases[] = {
        {"a folder", [&] { return CreateDirectoryW(log.c_str(), nullptr) != FALSE; }, false},
        {"a hard link to another file",
         [&] {
             WriteFileBytes(other, "fremd");
             return CreateHardLinkW(log.c_str(), other.c_str(), nullptr) != FALSE;
         },
         false},
        {"a symbolic link to another file",
         [&] {
             WriteFileBytes(other, "fremd");
             return MakeLink(other, log);
         },
         true},
        {"a symbolic link to a file that is not there", [&] { return MakeLink(nowhere, log); }, true},
    };
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    Load();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.plant());
        Scope(0);
        Select(L"Alpha");
        boxes.clear();
        answers = {IDYES, IDOK};
        root->bEntfernen_Click();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].text, RemovedMessage);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Alpha"));
        answers = {IDYES};
        root->bRestored_Click();
        EXPECT_EQ(boxes.size(), 3u) << "the restore says nothing when it worked";
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Alpha"));
        EXPECT_FALSE(FileThere(paths.restore));
        if (FileThere(other)) EXPECT_EQ(ReadFileBytes(other), "fremd") << "nothing written through the link";
        EXPECT_FALSE(FileThere(nowhere)) << "nothing made at the far end of a link";
        EXPECT_FALSE(FileThere(folder.file(OperationLog::OlderFileName)));
        if (c.symbolic) ASSERT_TRUE(RemoveLink(log));
        else if (!RemoveDirectoryW(log.c_str())) ASSERT_TRUE(DeleteFileW(log.c_str()));
    }
}

TEST_F(Log, ALogThatALineWouldTakePastItsLimitRollsOverFirst)
{
    const std::wstring log = folder.file(OperationLog::FileName), older = folder.file(OperationLog::OlderFileName);
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    Load();
    // Every removal of Alpha logs a line of one length: its time has a
    // fixed width, and the rest is the same each time.
    Select(L"Alpha");
    answers = {IDYES, IDOK};
    root->bEntfernen_Click();
    const size_t line = ReadFileBytes(log).size();
    ASSERT_GT(line, 100u);
    answers = {IDYES};
    root->bRestored_Click();
    const size_t limit = size_t(OperationLog::MaxBytes);
    const struct {
        const char* what;
        size_t bytes;
        bool rolls;
    } cases[] = {
        {"a small log", 100, false},
        {"a log that the line fills to the limit exactly", limit - line, false},
        {"a log that the line would take one byte past the limit", limit - line + 1, true},
        {"a log of the limit less one byte", limit - 1, true},
        {"a log of the limit", limit, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string full = std::string(c.bytes - 2, 'x') + "\r\n";
        WriteFileBytes(log, full);
        WriteFileBytes(older, "an older log\r\n");
        Scope(0);
        Select(L"Alpha");
        answers = {IDYES, IDOK};
        root->bEntfernen_Click();
        const std::string now = ReadFileBytes(log);
        // Compared whole but not printed: a log of a megabyte would bury the
        // failure.
        const std::string kept = ReadFileBytes(older);
        if (c.rolls) {
            EXPECT_TRUE(kept == full) << "the full log replaced the older one; it holds " << kept.size() << " bytes";
            EXPECT_EQ(Lines().size(), 1u) << "the new log holds just the new line";
        } else {
            EXPECT_TRUE(kept == "an older log\r\n") << "the older log stays; it holds " << kept.size() << " bytes";
            EXPECT_EQ(now.compare(0, full.size(), full), 0);
            EXPECT_EQ(now.size(), full.size() + line) << "the line as long as the one measured";
            EXPECT_EQ(Lines().size(), 2u);
        }
        EXPECT_NE(now.find("\tEntfernen\tAlpha\t"), std::string::npos);
        answers = {IDYES};
        root->bRestored_Click();
    }
}
