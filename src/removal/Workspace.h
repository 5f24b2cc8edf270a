#pragma once
// A folder of one operation's own inside the working folder, made with an
// access list of its own (OwnFolder): the registry editor writes its exports
// and reads its import there, where nobody else can put a file or a link
// under the names it uses. The working folder itself may be open to others.
#include <string>

namespace Workspace {

// The prefix of every such folder's name: "~Tessarine-<process>-<n>".
inline constexpr wchar_t Prefix[] = L"~Tessarine-";

class Folder {
public:
    // Makes a new folder in the working folder; made() tells whether it could.
    explicit Folder(const std::wstring& workingFolder);
    // Takes the folder and what is in it away, unless it was kept.
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    bool made() const { return !path_.empty(); }
    const std::wstring& path() const { return path_; }
    // The folder's name, as the working folder holds it.
    std::wstring name() const;
    std::wstring file(const std::wstring& fileName) const { return path_ + L"\\" + fileName; }
    // A file in it is the only copy of something: the folder stays.
    void keep() { kept_ = true; }

private:
    std::wstring path_;
    bool kept_ = false;
};

} // namespace Workspace
