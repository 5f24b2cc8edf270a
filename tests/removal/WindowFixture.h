#pragma once
// A real window in the test process, its message boxes answered by script
// and recorded, its working folder a scratch folder.
#include "app/ControlIds.h"
#include "app/Root.h"
#include "platform/RegistryEditor.h"
#include "platform/Wartezeit.h"
#include "removal/RestoreFile.h"
#include "removal/Workspace.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <deque>

struct Box {
    std::wstring text, title;
    UINT style;
};

// Starts the registry editor's stand-in with the program's command line;
// mode says what it does (see StandInEditor.cpp).
inline ProcessHandle StartStandIn(const wchar_t* mode, const std::wstring& line, int show)
{
    SetEnvironmentVariableW(L"TESSARINE_STAND_IN", mode);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = WORD(show);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = line;
    const BOOL started = CreateProcessW(TESSARINE_STAND_IN_EXE, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(L"TESSARINE_STAND_IN", nullptr);
    if (!started) return ProcessHandle();
    ProcessHandle thread(process.hThread);
    return ProcessHandle(process.hProcess);
}

struct WindowFixture : ::testing::Test {
    void SetUp() override
    {
        RootSeams seams;
        seams.workingFolder = folder.path();
        seams.messageBox = [this](HWND, const std::wstring& text, const std::wstring& title, UINT style) {
            boxes.push_back({text, title, style});
            if (onBox) onBox();
            if (answers.empty()) return (style & MB_YESNO) ? IDNO : IDOK;
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        };
        seams.startProcess = [this](const std::wstring& line, int show) {
            commands.push_back(AsInWorkingFolder(line));
            ProcessHandle started = onStart ? onStart(line, show) : RegistryEditor::Start(line, show);
            if (!started) ++startFailures;
            return started;
        };
        seams.editorTimeoutSeconds = EditorTimeout();
        root = std::make_unique<Root>(GetModuleHandleW(nullptr), std::move(seams));
        ASSERT_TRUE(root->Create());
    }

    void TearDown() override
    {
        root.reset();
        test::TakeQuit();
    }

    virtual double EditorTimeout() const { return 30; }

    // The start-up, with the registry as the test arranged it.
    void Load() { root->Form_Load(); }
    // Lets the window carry out what the end of an operation posted to it.
    void Settle() const { Wartezeit::DoEvents(); }

    void Select(const std::wstring& name)
    {
        const std::wstring prefix = name + L"\t";
        for (int i = 0; i < root->LProdukte.count(); ++i)
            if (root->LProdukte.text(i).compare(0, prefix.size(), prefix) == 0) { root->LProdukte.select(i); return; }
        FAIL() << "no row for " << test::Narrow(name);
    }
    // A scope picked as the user picks it: the notification arrives
    // through the event loop, for instance while an operation runs.
    void PickScope(int scope) const
    {
        root->LRegister.select(scope);
        PostMessageW(root->hwnd(), WM_COMMAND, MAKEWPARAM(ControlIds::LRegister, CBN_SELCHANGE),
                     LPARAM(root->LRegister.hwnd));
    }
    void Scope(int scope)
    {
        root->LRegister.select(scope);
        root->LRegister_Click();
    }
    std::vector<std::wstring> Names() const
    {
        std::vector<std::wstring> names;
        for (int i = 0; i < root->LTemp.count(); ++i) names.push_back(root->LTemp.text(i));
        return names;
    }
    // The stand-in editor's notes: one line a run.
    std::string StandInRuns() const { return test::ReadFileBytes(folder.file(L"stand-in-ran.txt")); }

    // The editor's command line with the file named as if it lay in the
    // working folder: the program hands the editor files in a workspace of
    // its own there, which inWorkspace counts.
    std::wstring AsInWorkingFolder(std::wstring line)
    {
        const std::wstring space = folder.path() + L"\\" + Workspace::Prefix;
        const size_t at = line.find(space);
        const size_t end = at == std::wstring::npos ? at : line.find(L'\\', at + space.size());
        if (end == std::wstring::npos) return line;
        ++inWorkspace;
        return line.erase(at + folder.path().size(), end - at - folder.path().size());
    }

    test::CleanVelmora clean;
    test::ScratchFolder folder;
    RestoreFile::Paths paths = RestoreFile::PathsIn(folder.path());
    std::unique_ptr<Root> root;
    std::vector<Box> boxes;
    std::deque<int> answers;
    std::vector<std::wstring> commands;
    int startFailures = 0; // editors that could not be started
    size_t inWorkspace = 0; // editor runs whose file lay in a workspace
    std::function<void()> onBox;
    std::function<ProcessHandle(const std::wstring&, int)> onStart;
};
