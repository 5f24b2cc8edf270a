#include "console/Editor.h"

namespace Editor {

RegistryEditor::Seams Seams(Starts& starts)
{
    RegistryEditor::Seams seams = RegistryEditor::ConsoleSeams();
    seams.start = [&starts](const std::wstring& commandLine, int) {
        // The editor's own show style would give it a window; a console
        // program started by a fleet tool shows none.
        ProcessHandle editor = RegistryEditor::Start(commandLine, SW_HIDE);
        if (!editor) {
            ++starts.failed;
            starts.lastError = GetLastError();
        }
        return editor;
    };
    return seams;
}

} // namespace Editor
