#pragma once
// The product row of the list: name, root, install folder and version,
// joined by single tabs.
#include <windows.h>
#include <string>

namespace ProductRow {

inline constexpr wchar_t ProductRoot[] = L"Software\\Velmora";
// The main register's 32-bit view of the product root: on 64-bit Windows a
// 32-bit installer that writes below Software\Velmora writes here. This
// (64-bit) program and the 64-bit registry editor reach it by this path, and
// the editor's exports name its keys so; one name for each key keeps the
// export, the check and the deletion on the same key.
inline constexpr wchar_t ProductRoot32[] = L"Software\\Wow6432Node\\Velmora";
inline constexpr wchar_t MainRootName[] = L"HKEY_LOCAL_MACHINE";
inline constexpr wchar_t UserRootName[] = L"HKEY_CURRENT_USER";
inline constexpr wchar_t UsersRootName[] = L"HKEY_USERS";
// The places of a product as the window's texts, the log and the restore
// files list name them: the main register's 64-bit view, its 32-bit view,
// and the user register.
inline constexpr wchar_t MainLabel[] = L"Hauptregister";
inline constexpr wchar_t Main32Label[] = L"Hauptregister (32-Bit-Ansicht)";
inline constexpr wchar_t UserLabel[] = L"Benutzerregister";
inline constexpr wchar_t NoInstallDir[] = L"<PROGRAMS>";
inline constexpr wchar_t NoVersion[] = L"1.0";

// The product root ("Software\Velmora" unless another is named), a
// backslash and the name.
std::wstring KeyPath(const std::wstring& name, const wchar_t* productRoot = ProductRoot);

// The root's name as a row and the registry editor write it.
const wchar_t* RootName(HKEY root);

std::wstring Make(const std::wstring& name, const std::wstring& root,
                  const std::wstring& installDir, const std::wstring& version);

// The text before the first NUL of a value read from the registry; empty
// when it holds none (a value that is not text).
std::wstring BeforeNul(const std::wstring& value);

} // namespace ProductRow
