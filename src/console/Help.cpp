#include "console/Verbs.h"

#include <string>

namespace Verbs {

std::wstring Help()
{
    std::wstring text =
        L"Tessarine: Registrierungseintr\u00e4ge der Velmora-Produkte auflisten, entfernen und wiederherstellen.\n"
        L"\n"
        L"Tessarine /liste [/register beide|benutzer|haupt] [/format text|csv|json]\n"
        L"    Listet die Produkte, mit dem Register, in dem sie stehen; csv und json nennen jeden Schl\u00fcssel.\n"
        L"Tessarine /pruefen NAME [/register ...] [/alle-benutzer]\n"
        L"    Endet mit 1, wenn das Produkt Schl\u00fcssel im Register hat, sonst mit 0. \u00c4ndert nichts.\n"
        L"Tessarine /entfernen NAME [/register ...] [/alle-benutzer] [/vorschau]\n"
        L"    Sichert die Schl\u00fcssel des Produkts in Uninstall.reg und entfernt, was gesichert ist.\n"
        L"    /vorschau zeigt jeden Schl\u00fcssel mit seinen Werten und \u00e4ndert nichts.\n"
        L"Tessarine /wiederherstellen [DATEI]\n"
        L"    Stellt Uninstall.reg wieder her, oder die genannte Wiederherstellungsdatei des Arbeitsordners\n"
        L"    (ihr Name ohne Pfad, .reg darf fehlen; den Ordner nennt /ordner).\n"
        L"Tessarine /dateien [/format text|csv|json]\n"
        L"    Listet die Wiederherstellungsdateien des Arbeitsordners, die neueste zuerst.\n"
        L"Tessarine /?   (auch /hilfe, /help, -h)\n"
        L"    Zeigt diese Hilfe.\n"
        L"\n"
        L"/register beide     Haupt- und Benutzerregister (Vorgabe)\n"
        L"/register benutzer  nur das Benutzerregister\n"
        L"/register haupt     nur das Hauptregister (beide Ansichten)\n"
        L"/alle-benutzer      jedes Benutzerregister des Rechners (jedes Profil) statt des eigenen;\n"
        L"                    mit /liste, /pruefen und /entfernen, nicht mit /register haupt\n"
        L"/ordner PFAD        Arbeitsordner f\u00fcr Wiederherstellungsdateien und Tessarine.log;\n"
        L"                    Vorgabe: der Ordner des Programms. Fehlt er, wird er angelegt.\n"
        L"Schalter beginnen mit / oder -; Gro\u00df- und Kleinschreibung z\u00e4hlt nicht.\n"
        L"Ein Wert ist nie ein Schalter: /ordner /vorschau ist eine ung\u00fcltige Befehlszeile.\n"
        L"Namen und Pfade mit Leerzeichen stehen in Anf\u00fchrungszeichen.\n"
        L"\n"
        L"Exitcodes:\n";
    for (const ExitCode::Meaning& m : ExitCode::Table) {
        std::wstring code = std::to_wstring(m.code);
        code.resize(7, L' ');
        text += L"  " + code + m.text + L"\n";
    }
    return text;
}

} // namespace Verbs
