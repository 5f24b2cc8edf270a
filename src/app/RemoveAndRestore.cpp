// The window's remove and restore buttons, and the restore files dialog's
// restore: each asks, runs its operation in the busy state, and shows what
// came of it.
#include "app/Root.h"

#include "platform/Dateiexistenz.h"
#include "platform/Wartezeit.h"
#include "removal/Removal.h"
#include "removal/Overwritten.h"
#include "removal/Restore.h"

namespace {

constexpr wchar_t Confirmation[] =
    L"M\u00f6chten Sie die Eintr\u00e4ge aus dem Haupt- und Benutzerregister entfernt ?   ";
constexpr wchar_t RestoreTitle[] = L" Wiederherstellungsdateien";

} // namespace

void Root::bEntfernen_Click()
{
    Operation operation(*this);
    const std::wstring name = SelectedProductName();
    // The scope the user confirms: the question names what goes from it, and
    // one picked while the removal runs is listed afterwards but never
    // widens the deletion.
    const Removal::Request request{name, LRegister.selected(), workingFolder_};
    if (Removal::Outcome refused; !Removal::MayTry(name, refused)) {
        Ask(Removal::Message(refused), L" " + (name.empty() ? Caption() : name),
            MB_OK | (Removal::Warns(refused) ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
        return;
    }
    const std::wstring question =
        std::wstring(Confirmation) + L"\n" + Removal::PreviewLines(Removal::Preview(name, request.scope));
    if (Ask(question, L" " + Caption(), MB_YESNO | MB_ICONQUESTION) != IDYES) return;

    BusyState busy(*this, PointerArrowHourglass);
    const Removal::Outcome outcome =
        Removal::Remove(request, EditorSeams(), [this] { SetMousePointer(PointerHourglass); });
    // The row goes when nothing of the product is left in the scope.
    const int selected = LProdukte.selected();
    if (outcome.result == Removal::Result::Removed && selected >= 0) {
        LProdukte.remove(selected);
        LTemp.remove(selected);
        UpdateListExtentAfterRemoval();
        if (LProdukte.count() != 0) LProdukte.select(0);
    }
    Wartezeit::DoEvents();
    busy.End();
    Ask(Removal::Message(outcome), L" " + name,
        MB_OK | (Removal::Warns(outcome) ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}

std::wstring Root::SelectedProductName() const
{
    // The name list holds each row's own key name at the row's position: a
    // name may hold a tab, so the row's text before its first tab may name
    // another product.
    const int row = LProdukte.selected();
    return row < 0 ? std::wstring() : LTemp.text(row);
}

void Root::bRestored_Click()
{
    RestoreFrom(RestoreFile::PathsIn(workingFolder_).restore, hwnd_);
}

void Root::RestoreFrom(const std::wstring& file, HWND owner, const std::optional<RestoreFile::Fingerprint>& listed)
{
    Operation operation(*this);
    // The operation gets its own copies: a dialog that lists the files anew
    // meanwhile must not change what is restored.
    const Restore::Request request{file, workingFolder_, listed};
    const std::wstring name = file.substr(file.find_last_of(L'\\') + 1);
    // A click after the file went asks nothing. A file that a list showed
    // and that changed or went since is not asked about: the question would
    // name what the user did not see.
    if (listed && !Restore::StillAsListed(file, *listed)) {
        Ask(Restore::Message({Restore::Result::Changed, name, {}, {}, {}}), RestoreTitle, MB_OK | MB_ICONEXCLAMATION, owner);
        return;
    }
    if (!Dateiexistenz::FileExists(file)) return;
    // What the question names is read once here; the restore reads the file
    // again while it holds it.
    std::string bytes;
    const std::vector<RestoreFiles::Product> overwritten =
        RestoreFile::ReadBytes(file, bytes) ? Overwritten::Existing(RegFile::Read(bytes))
                                            : std::vector<RestoreFiles::Product>();
    if (Ask(Restore::Question(name, overwritten), RestoreTitle, MB_YESNO | MB_ICONEXCLAMATION, owner) != IDYES) return;

    BusyState busy(*this, PointerArrowHourglass);
    Wartezeit::DoEvents();
    const Restore::Outcome outcome = Restore::Run(request, EditorSeams());
    LRegister_Click();
    busy.End();
    if (LProdukte.count() != 0) LProdukte.select(0);
    Wartezeit::DoEvents();

    if (const std::wstring told = Restore::Message(outcome); !told.empty())
        Ask(told, RestoreTitle, MB_OK | MB_ICONEXCLAMATION, owner);
}
