#include "Driver.h"

#include "app/ControlIds.h"
#include "support/Screen.h"
#include "support/TestSupport.h"

#include <commctrl.h>
#include <cwchar>

Driver::Driver(const std::wstring& program, const std::wstring& workingFolder)
{
    const std::wstring exe = workingFolder + L"\\Tessarine.exe";
    if (!CopyFileW(program.c_str(), exe.c_str(), FALSE)) return;
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + exe + L"\"";
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, workingFolder.c_str(),
                        &startup, &pi))
        return;
    ProcessHandle thread(pi.hThread);
    process_ = ProcessHandle(pi.hProcess);
    processId_ = pi.dwProcessId;
    WaitFor([this] {
        HWND found = nullptr;
        while ((found = FindWindowExW(nullptr, found, TESSARINE_WINDOW_CLASS, L"Velmora Tessarine"))) {
            DWORD pid = 0;
            GetWindowThreadProcessId(found, &pid);
            if (pid == processId_ && IsWindowVisible(found)) { window_ = found; return true; }
        }
        return false;
    }, 20000);
    if (window_) WaitIdle();
}

Driver::~Driver()
{
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 5000);
    }
}

std::vector<std::wstring> Driver::Rows() const
{
    return ListRows(control(ControlIds::LProdukte));
}

std::vector<std::wstring> ListRows(HWND list)
{
    std::vector<std::wstring> rows;
    const int n = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        // The program may empty the list meanwhile: what is read so far.
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, WPARAM(i), 0);
        if (length == LB_ERR) break;
        std::wstring s(size_t(length) + 1, L'\0');
        const LRESULT got = SendMessageW(list, LB_GETTEXT, WPARAM(i), LPARAM(s.data()));
        if (got == LB_ERR || got > length) break;
        s.resize(size_t(got));
        rows.push_back(s);
    }
    return rows;
}

namespace {

// A block of memory in another process, given back when it goes.
class RemoteMemory {
public:
    RemoteMemory(HWND owner, size_t bytes)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        process_ = ProcessHandle(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
        if (process_) at_ = VirtualAllocEx(process_.get(), nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteMemory()
    {
        if (at_) VirtualFreeEx(process_.get(), at_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    explicit operator bool() const { return at_ != nullptr; }
    char* at(size_t offset) const { return static_cast<char*>(at_) + offset; }
    bool Write(size_t offset, const void* data, size_t bytes) const
    {
        return WriteProcessMemory(process_.get(), at(offset), data, bytes, nullptr) != FALSE;
    }
    bool Read(size_t offset, void* data, size_t bytes) const
    {
        return ReadProcessMemory(process_.get(), at(offset), data, bytes, nullptr) != FALSE;
    }

private:
    ProcessHandle process_;
    void* at_ = nullptr;
};

constexpr int TextMax = 1024;
// The item or column structure first, then room for the text.
constexpr size_t TextAt = 256;

std::wstring ReadText(const RemoteMemory& memory)
{
    std::wstring text(TextMax, L'\0');
    if (!memory.Read(TextAt, text.data(), TextMax * sizeof(wchar_t))) return L"<unreadable>";
    text.resize(std::wcslen(text.c_str()));
    return text;
}

} // namespace

std::vector<std::vector<std::wstring>> ListViewRows(HWND list)
{
    std::vector<std::vector<std::wstring>> rows;
    RemoteMemory memory(list, TextAt + TextMax * sizeof(wchar_t));
    if (!memory) return rows;
    const int columns = int(ListViewHeaders(list).size());
    const int n = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        rows.emplace_back();
        for (int c = 0; c < columns; ++c) {
            LVITEMW item{};
            item.iSubItem = c;
            item.pszText = reinterpret_cast<wchar_t*>(memory.at(TextAt));
            item.cchTextMax = TextMax;
            const wchar_t none = 0;
            memory.Write(TextAt, &none, sizeof none);
            memory.Write(0, &item, sizeof item);
            SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(i), LPARAM(memory.at(0)));
            rows.back().push_back(ReadText(memory));
        }
    }
    return rows;
}

std::vector<std::wstring> ListViewHeaders(HWND list)
{
    std::vector<std::wstring> headers;
    RemoteMemory memory(list, TextAt + TextMax * sizeof(wchar_t));
    if (!memory) return headers;
    for (int c = 0;; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = reinterpret_cast<wchar_t*>(memory.at(TextAt));
        column.cchTextMax = TextMax;
        memory.Write(0, &column, sizeof column);
        if (!SendMessageW(list, LVM_GETCOLUMNW, WPARAM(c), LPARAM(memory.at(0)))) return headers;
        headers.push_back(ReadText(memory));
    }
}

int ListViewSelected(HWND list)
{
    return int(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
}

int Driver::SelectedRow() const
{
    return int(SendMessageW(control(ControlIds::LProdukte), LB_GETCURSEL, 0, 0));
}

void Driver::SelectRow(int i) const
{
    SendMessageW(control(ControlIds::LProdukte), LB_SETCURSEL, WPARAM(i), 0);
}

std::wstring Driver::Text(HWND hwnd) const
{
    wchar_t text[1024] = L"";
    SendMessageW(hwnd, WM_GETTEXT, std::size(text), LPARAM(text));
    return text;
}

void Driver::PickScope(int i) const
{
    HWND combo = control(ControlIds::LRegister);
    SendMessageW(combo, CB_SETCURSEL, WPARAM(i), 0);
    // The combo box sends its notification, so the pick returns only after
    // the window has handled it.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window_, WM_COMMAND, MAKEWPARAM(ControlIds::LRegister, CBN_SELCHANGE), LPARAM(combo),
                        SMTO_NORMAL, 20000, &result);
}

void Driver::Click(int id) const
{
    // Posted: a modal box behind the click would block a sent message.
    PostMessageW(control(id), BM_CLICK, 0, 0);
}

HWND Driver::Focus() const
{
    GUITHREADINFO info{sizeof info};
    return GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info) ? info.hwndFocus : nullptr;
}

void Driver::Key(UINT vk) const
{
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    HWND target = Focus();
    PostMessageW(target, WM_KEYDOWN, vk, LPARAM(1 | scan << 16));
    PostMessageW(target, WM_KEYUP, vk, LPARAM(1 | scan << 16 | 3u << 30));
}

void Driver::AltKey(wchar_t c) const
{
    // Bit 29: the Alt key is held.
    PostMessageW(Focus(), WM_SYSCHAR, WPARAM(c), LPARAM(1 | 1u << 29));
}

HWND Driver::WaitForBox(const std::wstring& title, std::wstring* text, DWORD ms) const
{
    HWND box = nullptr;
    WaitFor([&] {
        HWND found = nullptr;
        while ((found = FindWindowExW(nullptr, found, L"#32770", title.c_str()))) {
            DWORD pid = 0;
            GetWindowThreadProcessId(found, &pid);
            if (pid == processId_ && IsWindowVisible(found)) { box = found; return true; }
        }
        return false;
    }, ms);
    if (box && text) *text = Text(GetDlgItem(box, 0xFFFF));
    return box;
}

void Driver::Press(HWND box, int button) const
{
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(box, button)));
}

bool Driver::WaitIdle(DWORD ms) const
{
    return WaitFor([this] {
        DWORD_PTR result = 0;
        // A window that answers messages again and whose list is usable.
        return SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result)
            && IsWindowEnabled(control(ControlIds::LProdukte));
    }, ms);
}

bool Driver::Close(DWORD ms)
{
    PostMessageW(window_, WM_CLOSE, 0, 0);
    return WaitForSingleObject(process_.get(), ms) == WAIT_OBJECT_0;
}

// The window as a picture, for a person to compare with the layout.
void Screenshot(HWND window, const std::wstring& file)
{
    RECT r;
    GetWindowRect(window, &r);
    const test::Picture picture = test::Capture(r);
    BITMAPINFOHEADER info{sizeof(BITMAPINFOHEADER), picture.width, picture.height, 1, 24, BI_RGB};
    const DWORD size = DWORD(picture.bits.size());
    BITMAPFILEHEADER head{0x4D42, DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                          DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))};
    std::string bytes(reinterpret_cast<const char*>(&head), sizeof head);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    bytes.append(picture.bits);
    CreateDirectoryW(TESSARINE_RESULTS, nullptr);
    test::WriteFileBytes(std::wstring(TESSARINE_RESULTS) + L"\\" + file, bytes);
}

// Removes the selected row as a user does, confirming it; the final
// message's text, or "" when a message did not come.
std::wstring RemoveSelected(const Driver& app, const std::wstring& name)
{
    app.Click(ControlIds::bEntfernen);
    HWND ask = app.WaitForBox(L" Velmora Tessarine");
    if (!ask) return {};
    app.Press(ask, IDYES);
    std::wstring text;
    HWND done = app.WaitForBox(L" " + name, &text);
    if (!done) return {};
    app.Press(done, IDOK);
    // Until the box is gone the removal has not returned: a scope picked
    // meanwhile would wait for its end, and a look at the list would come
    // before that listing.
    if (!WaitFor([&] { return !IsWindow(done); }, 5000)) return {};
    return text;
}

