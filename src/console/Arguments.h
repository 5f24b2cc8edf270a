#pragma once
// The console program's command line: one verb with its operand and
// options, German switch names, each introduced by "/" or "-", compared
// without regard to case.
//   /liste [/register R] [/alle-benutzer] [/format text|csv|json] [/ordner PFAD]
//   /pruefen NAME [/register R] [/alle-benutzer] [/ordner PFAD]
//   /entfernen NAME [/register R] [/alle-benutzer] [/vorschau] [/ordner PFAD]
//   /wiederherstellen [DATEI] [/ordner PFAD]
//   /dateien [/format text|csv|json] [/ordner PFAD]
//   /? (also /hilfe, /help, -h)
// R is beide (the default), benutzer or haupt. /alle-benutzer puts every
// person's user register (each profile of the machine) in place of the
// running account's own, so it does not go with haupt.
#include <string>
#include <vector>

namespace Arguments {

enum class Verb { Help, List, Check, Remove, Restore, Files };
enum class Format { Text, Csv, Json };

// The scopes as the window's selector numbers them, which the operations take.
inline constexpr int BothRegisters = 0;
inline constexpr int UserRegister = 1;
inline constexpr int MainRegister = 2;

struct Command {
    Verb verb = Verb::Help;
    std::wstring name;   // /pruefen, /entfernen: the product
    std::wstring file;   // /wiederherstellen: a restore file's bare name; empty for Uninstall.reg
    int scope = BothRegisters;
    Format format = Format::Text;
    bool preview = false;
    bool allUsers = false; // every person's user register in place of HKEY_CURRENT_USER
    std::wstring folder; // /ordner; empty for the program's folder
    bool operator==(const Command&) const = default;
};

struct Parsed {
    bool ok = false;
    Command command;
    std::wstring error; // why the command line is refused, in the program's words
};

// The arguments after the program's name. A value-taking switch whose
// value is missing or is itself one of the program's switches refuses the
// line. A restore file may be named without its ".reg".
Parsed Parse(const std::vector<std::wstring>& arguments);

} // namespace Arguments
