// Tessarine.log: one line for every removal and restore, whatever its
// outcome, with names and counts but never a value's data.
#include "WindowFixture.h"

#include "removal/OperationLog.h"

#include <regex>

using namespace test;

namespace {

std::wstring Wide(const std::string& utf8)
{
    std::wstring text(utf8.size(), L'\0');
    text.resize(size_t(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), text.data(), int(text.size()))));
    return text;
}

std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& by)
{
    std::vector<std::wstring> parts;
    for (size_t at = 0;;) {
        const size_t end = text.find(by, at);
        parts.push_back(text.substr(at, end == std::wstring::npos ? end : end - at));
        if (end == std::wstring::npos) return parts;
        at = end + by.size();
    }
}

// A message as the log tells it: each line without its trailing blanks, the
// line ends written as \n.
std::wstring AsLogged(const std::wstring& message)
{
    std::wstring out;
    for (auto line : Split(message, L"\n")) {
        while (!line.empty() && line.back() == L' ') line.pop_back();
        out += (out.empty() ? L"" : L"\\n") + line;
    }
    return out;
}

std::wstring Account()
{
    wchar_t name[257];
    DWORD size = 257;
    return GetUserNameW(name, &size) ? name : L"?";
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
const std::wstring Head = L"Windows Registry Editor Version 5.00\r\n\r\n";

} // namespace

TEST_F(Log, OneLineForEveryOperationWithItsFieldsAndNoValueData)
{
    AddProduct(HKEY_LOCAL_MACHINE, L"Beta", Secret.c_str(), SecretVersion.c_str());
    AddProduct(HKEY_CURRENT_USER, L"Beta", Secret.c_str());
    AddProduct(HKEY_CURRENT_USER, L"Gone");
    Load();
    const std::wstring kept = L"Uninstall 2026-12-07 09-05-03.reg";
    const std::wstring removed = RemovedMessage;

    const struct Case {
        const char* what;
        std::function<void()> run;
        const wchar_t* operation;
        std::wstring products, registers, outcome, file;
    } cases[] = {
        {"a removal from both registers",
         [&] { Select(L"Beta"); answers = {IDYES, IDOK}; root->bEntfernen_Click(); },
         OperationLog::Removal, L"Beta",
         L"Hauptregister: 1 Schl\u00fcssel, 2 Werte, Benutzerregister: 1 Schl\u00fcssel, 1 Werte",
         AsLogged(removed), L"Uninstall.reg"},
        {"a removal that finds nothing",
         [&] {
             Select(L"Gone");
             ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora\\Gone"), ERROR_SUCCESS);
             answers = {IDYES, IDOK};
             root->bEntfernen_Click();
         },
         OperationLog::Removal, L"Gone", L"-",
         L"Die Eintr\u00e4ge wurden in der Registrierung nicht gefunden.\\nEs wurde nichts entfernt.", L"-"},
        {"a restore by the button",
         [&] { answers = {IDYES}; root->bRestored_Click(); },
         OperationLog::Restore, L"Beta",
         L"Hauptregister: 1 Schl\u00fcssel, 2 Werte, Benutzerregister: 1 Schl\u00fcssel, 1 Werte",
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
         OperationLog::Restore, L"Alpha", L"Benutzerregister: 1 Schl\u00fcssel, 1 Werte",
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
         OperationLog::Restore, L"Beta",
         L"Hauptregister: 1 Schl\u00fcssel, 2 Werte, Benutzerregister: 1 Schl\u00fcssel, 1 Werte",
         L"Der Registrierungseditor konnte nicht gestartet werden.\\nDie Datei ''Uninstall.reg'' bleibt im "
         L"Arbeitsordner erhalten.",
         L"Uninstall.reg"},
    };
    const std::wregex time(LR"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t before = Lines().size();
        c.run();
        const std::vector<std::wstring> lines = Lines();
        // The restore case runs a removal first, which logs too.
        ASSERT_GE(lines.size(), before + 1);
        const std::vector<std::wstring> fields = Split(lines.back(), L"\t");
        ASSERT_EQ(fields.size(), 7u) << Narrow(lines.back());
        EXPECT_TRUE(std::regex_match(fields[0], time)) << Narrow(fields[0]);
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

TEST_F(Log, ALogThatCannotBeWrittenChangesNothing)
{
    AddProduct(HKEY_CURRENT_USER, L"Alpha");
    ASSERT_TRUE(CreateDirectoryW(folder.file(OperationLog::FileName).c_str(), nullptr));
    Load();
    Select(L"Alpha");
    answers = {IDYES, IDOK};
    root->bEntfernen_Click();
    EXPECT_EQ(boxes.back().text, RemovedMessage);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Alpha"));
    answers = {IDYES};
    root->bRestored_Click();
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Velmora\\Alpha"));
    EXPECT_FALSE(FileThere(paths.restore));
}
