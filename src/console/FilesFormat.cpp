#include "console/FilesFormat.h"

#include "console/ListFormat.h"
#include "console/Output.h"
#include "removal/RestoreFileRow.h"

namespace FilesFormat {

namespace {

bool Restorable(const RestoreFiles::File& f) { return f.refusal == RestoreFiles::Refusal::None; }

} // namespace

std::wstring Text(const std::vector<RestoreFiles::File>& files)
{
    std::wstring text;
    for (const RestoreFiles::File& f : files) {
        const std::wstring products = RestoreFileRow::Products(f);
        std::wstring line = RestoreFileRow::When(f) + L"\t" + (products.empty() ? L"-" : products) + L"\t"
                          + RestoreFileRow::Size(f) + L"\t" + RestoreFileRow::State(f) + L"\t" + f.name;
        if (!ListFormat::Exact(line)) line += std::wstring(L"\t") + ListFormat::ReplacedNote;
        text += line + Output::EndOfLine;
    }
    return text;
}

std::wstring Csv(const std::vector<RestoreFiles::File>& files)
{
    std::wstring text = std::wstring(L"Datei,Entfernt,Produkte,Schluessel,Werte,Wiederherstellbar,Grund,Ersetzt")
                      + Output::EndOfLine;
    for (const RestoreFiles::File& f : files)
        text += ListFormat::CsvRecord({f.name, RestoreFileRow::When(f), RestoreFileRow::Products(f),
                                       std::to_wstring(f.held.keys), std::to_wstring(f.held.values),
                                       Restorable(f) ? L"ja" : L"nein", RestoreFiles::Reason(f.refusal)});
    return text;
}

std::wstring Json(const std::vector<RestoreFiles::File>& files)
{
    std::wstring text = L"[";
    for (size_t i = 0; i < files.size(); ++i) {
        const RestoreFiles::File& f = files[i];
        std::wstring products;
        for (const RestoreFiles::Product& p : f.held.products)
            products += (products.empty() ? L"" : L",") + std::wstring(L"{\"name\":") + ListFormat::JsonString(p.name)
                      + L",\"register\":" + ListFormat::JsonString(p.registerLabel) + L"}";
        text += (i ? L"," : L"");
        text += Output::EndOfLine;
        text += L" {\"file\":" + ListFormat::JsonString(f.name) + L",\"removedAt\":"
                + ListFormat::JsonString(RestoreFileRow::When(f)) + L",\"products\":[" + products + L"],\"keys\":"
                + std::to_wstring(f.held.keys) + L",\"values\":" + std::to_wstring(f.held.values)
                + L",\"restorable\":" + (Restorable(f) ? L"true" : L"false") + L",\"reason\":"
                + (Restorable(f) ? std::wstring(L"null") : ListFormat::JsonString(RestoreFiles::Reason(f.refusal)))
                + L"}";
    }
    if (!files.empty()) text += Output::EndOfLine;
    return text + L"]" + Output::EndOfLine;
}

} // namespace FilesFormat
