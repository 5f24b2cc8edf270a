#pragma once
// The console program's exit codes, the one table that the help and the
// README print. Fleet tools judge a run by its code alone: 0 is success
// (nothing to do included), a detection script's 1 starts the remediation,
// 1639 is Windows Installer's "bad command line", and the program's own
// codes lie in 69000-69099, outside every retry list. 3010 and 1641 ask
// for a restart and never appear.
namespace ExitCode {

inline constexpr int Done = 0;                   // done, or nothing to do
inline constexpr int Found = 1;                  // /pruefen: a key of the product exists
inline constexpr int BadCommandLine = 1639;
inline constexpr int KeptNoBackup = 69001;       // nothing removed: no verified backup
inline constexpr int PartlyRemoved = 69002;      // some keys removed, some stay
inline constexpr int RestoreIncomplete = 69003;  // the import did not bring everything back, or the file stays
inline constexpr int RestoreFileRefused = 69004; // missing, unreadable or refused before the import
inline constexpr int EditorOrRights = 69005;     // the editor did not start, or rights are missing
inline constexpr int FolderUnusable = 69006;     // the working folder cannot be used
inline constexpr int ProfileUnreachable = 69007; // /alle-benutzer: a person's profile could not be reached
inline constexpr int Unexpected = 69099;         // an error the program did not expect

struct Meaning {
    int code;
    const wchar_t* text;
};

inline constexpr Meaning Table[] = {
    {Done, L"erledigt, oder nichts zu tun"},
    {Found, L"/pruefen: das Produkt hat Schl\u00fcssel im Register"},
    {BadCommandLine, L"ung\u00fcltige Befehlszeile; nichts wurde ge\u00e4ndert"},
    {KeptNoBackup, L"nichts entfernt: keine gepr\u00fcfte Sicherung"},
    {PartlyRemoved, L"teilweise entfernt: Schl\u00fcssel sind geblieben"},
    {RestoreIncomplete, L"Wiederherstellung unvollst\u00e4ndig"},
    {RestoreFileRefused, L"Wiederherstellungsdatei fehlt, ist unlesbar oder wurde abgelehnt"},
    {EditorOrRights, L"Registrierungs-Editor nicht gestartet, oder Rechte fehlen"},
    {FolderUnusable, L"Arbeitsordner nicht verwendbar"},
    {ProfileUnreachable, L"/alle-benutzer: ein Benutzerprofil war nicht erreichbar und blieb, wie es war"},
    {Unexpected, L"unerwarteter Fehler"},
};

} // namespace ExitCode
