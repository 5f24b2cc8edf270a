#include "platform/Account.h"

#include "platform/Handles.h"

#include <windows.h>
#include <sddl.h>

#include <vector>

namespace Account {

std::wstring UserSid()
{
    ProcessHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
    DWORD bytes = 0;
    // The first call only measures; it fails with ERROR_INSUFFICIENT_BUFFER by design.
    if (!GetTokenInformation(token.get(), TokenUser, nullptr, 0, &bytes) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return {};
    // TOKEN_USER holds a pointer, so the buffer must be aligned as one.
    std::vector<void*> buffer((bytes + sizeof(void*) - 1) / sizeof(void*));
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), bytes, &bytes)) return {};
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    LocalMemory<wchar_t> text;
    if (!ConvertSidToStringSidW(user->User.Sid, text.put())) return {};
    return text.get();
}

bool IsServiceAccount(const std::wstring& sid)
{
    for (const wchar_t* service : {L"S-1-5-18", L"S-1-5-19", L"S-1-5-20"})
        if (sid == service) return true;
    return false;
}

bool ServiceAccount() { return IsServiceAccount(UserSid()); }

} // namespace Account
