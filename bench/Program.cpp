#include "Program.h"

#include "Clock.h"

#include "app/ControlIds.h"

namespace bench {

namespace {

// A sent message that the program does not answer within this time counts
// as no answer; the program only pumps messages between its steps.
constexpr UINT AnswerMs = 5000;

LRESULT Ask(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, AnswerMs, &result)) return -1;
    return LRESULT(result);
}

} // namespace

Program::~Program() { Kill(); }

bool Program::Start(const std::wstring& exe, const std::wstring& folder)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &pi))
        return false;
    ProcessHandle thread(pi.hThread);
    process_ = ProcessHandle(pi.hProcess);
    processId_ = pi.dwProcessId;
    window_ = nullptr;
    return true;
}

bool Program::WaitListed(double timeoutSeconds)
{
    return Poll([this] {
        if (!window_) {
            // The window exists, hidden, before the listing; it is shown
            // after the listing has selected its first row.
            HWND found = nullptr;
            while ((found = FindWindowExW(nullptr, found, TESSARINE_WINDOW_CLASS, L"Velmora Tessarine"))) {
                DWORD pid = 0;
                GetWindowThreadProcessId(found, &pid);
                if (pid == processId_) { window_ = found; break; }
            }
            if (!window_) return false;
        }
        return IsWindowVisible(window_) && SelectedRow() == 0;
    }, timeoutSeconds);
}

bool Program::Close(double timeoutSeconds)
{
    if (!process_) return true;
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(process_.get(), DWORD(timeoutSeconds * 1000)) == WAIT_OBJECT_0;
    if (!ended) Kill();
    process_.reset();
    return ended;
}

void Program::Kill()
{
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        // Nothing is left to measure; a process that cannot be ended is
        // found by the next run's search for a single match.
        (void)TerminateProcess(process_.get(), 1);
        (void)WaitForSingleObject(process_.get(), 5000);
    }
}

int Program::Rows() const { return int(Ask(control(ControlIds::LProdukte), LB_GETCOUNT)); }

int Program::SelectedRow() const { return int(Ask(control(ControlIds::LProdukte), LB_GETCURSEL)); }

void Program::SelectRow(int row) const { Ask(control(ControlIds::LProdukte), LB_SETCURSEL, WPARAM(row)); }

std::wstring Program::Row(int row) const
{
    HWND list = control(ControlIds::LProdukte);
    const LRESULT length = Ask(list, LB_GETTEXTLEN, WPARAM(row));
    if (length < 0) return {};
    std::wstring text(size_t(length) + 1, L'\0');
    const LRESULT got = Ask(list, LB_GETTEXT, WPARAM(row), LPARAM(text.data()));
    text.resize(got < 0 ? 0 : size_t(got));
    return text;
}

void Program::Click(int id) const { PostMessageW(control(id), BM_CLICK, 0, 0); }

HWND Program::FindBox(const std::wstring& title) const
{
    HWND found = nullptr;
    while ((found = FindWindowExW(nullptr, found, L"#32770", title.c_str()))) {
        DWORD pid = 0;
        GetWindowThreadProcessId(found, &pid);
        if (pid == processId_ && IsWindowVisible(found)) return found;
    }
    return nullptr;
}

void Program::Press(HWND box, int button) const
{
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(box, button)));
}

} // namespace bench
