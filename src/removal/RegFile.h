#pragma once
// The one reader of registry files (the exports, the restore file): it reads
// a file the way the registry editor's import reads it, and yields what the
// import would write.
//
// - UTF-16LE after the byte order mark FF FE, or else the ANSI code page,
//   split at CR and LF bytes first and each line converted alone.
// - The first line is the header "Windows Registry Editor Version 5.00" or
//   "REGEDIT4"; a file with any other first line is not imported at all.
// - A CR, an LF or CR LF ends a line; blanks and tabs at the start of a line
//   are skipped; a line that begins with anything but "[", "@" or a quote
//   is passed over (comments, continuation text, rubbish).
// - "[name]" opens a key (the name runs to the line's last "]"); "[-name]"
//   deletes one. A "[" line without "]", or with a blank after "[", opens
//   nothing: the values after it still go to the key opened before. A key
//   line naming a level longer than the registry takes (255 characters)
//   makes the file unreadable: the import cannot create that key.
// - "name"=data and @=data, with the escapes \\ \" \n \r in names and
//   strings; data as "string", dword:, hex: and hex(N):, hex data continued
//   by a "\" at the end of a line. "name"=- deletes a value. A value line
//   that no key takes (before the first key line, after a key deletion)
//   makes the file unreadable: the import reads it all the same, and
//   crashes on some.
// - Hex data of a string type gets a terminating NUL where its last whole
//   character is not one, as the import adds it, even to "hex(1):41,00".
// - A value line is read only in the form an export writes (the rules, and
//   why, are in RegFile.cpp): the import reads any other its own way.
#include <windows.h>
#include <string>
#include <unordered_map>
#include <vector>

namespace RegFile {

struct Value {
    std::wstring name;  // "" for the default value (@)
    DWORD type = REG_NONE;
    std::string data;   // as the import writes it; a quoted string carries its NUL
    bool deletion = false;
};

struct Key {
    std::wstring name;  // the full name as the line writes it ("HKEY_CURRENT_USER\...")
    bool deletion = false;
    // False for a "[" line the import passes over (no "]", or a blank after
    // "["): it opens no key, and name holds the line's text after "[".
    bool opens = true;
    std::vector<Value> values;
};

struct Content {
    // False when the import would take nothing from the file (no header it
    // knows, text it cannot read: a NUL character, an odd length), or when
    // what it takes cannot be told: a value line in a form no export writes,
    // or one that no key takes; or when it would not write a key that the
    // file names (a level too long). Such a file then has no keys.
    bool readable = false;
    std::vector<Key> keys; // in the order of the file; a name may come twice
};

// A file without a byte order mark is read in the code page: CP_ACP, as the
// import reads it, unless a test asks for another.
Content Read(const std::string& bytes);
Content Read(const std::string& bytes, UINT codePage);

// One key as the import leaves it: its name as first written, and its
// values by their Folded() names; of two values of the same name the later
// one counts.
struct WrittenKey {
    std::wstring name;
    std::unordered_map<std::wstring, const Value*> values;
};
using WrittenKeys = std::unordered_map<std::wstring, WrittenKey>; // by Folded() key name

// The keys and values importing the content writes, a key named twice (in
// any letter case) being one key. False when the content does anything else:
// text that cannot be read, a deletion of a key or a value, or a key line
// that the import passes over. The values point into content.
bool Written(const Content& content, WrittenKeys& keys);

// A name in one spelling for all the spellings that are the same name to
// the registry: two names have the same Folded() exactly when
// KeyName::Same() holds for them. It keys the maps of WrittenKeys.
std::wstring Folded(std::wstring_view name);

// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ: data the import treats as text.
bool StringType(DWORD type);

// Whether the import can write the data as it is. String data of odd length
// it cannot: it crashes on one byte, losing the rest of the file, and
// writes longer ones two bytes longer. Such data is no backup, and a file
// that holds it is no restore file.
bool Importable(DWORD type, size_t bytes);

// Whether two values' data bring back the same thing: byte for byte, except
// that a string (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) stored without its
// terminating NUL counts as if it had one.
bool SameData(DWORD type, const std::string& a, const std::string& b);

} // namespace RegFile
