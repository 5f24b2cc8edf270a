#include "platform/OwnFolder.h"

#include "platform/Account.h"
#include "platform/Handles.h"

#include <windows.h>
#include <sddl.h>

namespace OwnFolder {

bool Create(const std::wstring& path)
{
    const std::wstring user = Account::UserSid();
    if (user.empty()) return false;
    // P: nothing is inherited from the parent. OICI: files and folders made
    // inside get the same entries, so a link planted below is as impossible
    // as one planted here. FA: full control.
    const std::wstring sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + user + L")";
    LocalMemory<void> descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, descriptor.put(), nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    // CreateDirectoryW makes the folder and its access list in one step, and
    // fails on any name that is taken: a folder, a file or a link.
    return CreateDirectoryW(path.c_str(), &attributes) != FALSE;
}

} // namespace OwnFolder
