#include "app/console/ListFormat.h"

#include "app/console/Output.h"
#include "catalogue/ProductRow.h"

#include <cwchar>

namespace ListFormat {

std::wstring Text(const std::vector<Listing::Product>& products)
{
    std::wstring text;
    for (const Listing::Product& p : products)
        text += ProductRow::Make(p.name, ProductRow::RootName(p.root), p.installDir, p.version) + L"\t" + p.view
                + Output::EndOfLine;
    return text;
}

std::wstring CsvField(const std::wstring& field)
{
    if (field.find_first_of(L",\"\r\n") == std::wstring::npos) return field;
    std::wstring quoted = L"\"";
    for (wchar_t c : field) {
        if (c == L'"') quoted += L'"';
        quoted += c;
    }
    return quoted + L"\"";
}

std::wstring Csv(const std::vector<Listing::Product>& products)
{
    // RFC 4180 ends every record with CR LF.
    std::wstring text = std::wstring(L"Produkt,Wurzel,Register,Installationsordner,Version") + Output::EndOfLine;
    for (const Listing::Product& p : products)
        text += CsvField(p.name) + L"," + ProductRow::RootName(p.root) + L"," + CsvField(p.view) + L","
                + CsvField(p.installDir) + L"," + CsvField(p.version) + Output::EndOfLine;
    return text;
}

std::wstring JsonString(const std::wstring& text)
{
    std::wstring s = L"\"";
    for (wchar_t c : text) {
        switch (c) {
        case L'"': s += L"\\\""; break;
        case L'\\': s += L"\\\\"; break;
        case L'\b': s += L"\\b"; break;
        case L'\f': s += L"\\f"; break;
        case L'\n': s += L"\\n"; break;
        case L'\r': s += L"\\r"; break;
        case L'\t': s += L"\\t"; break;
        default:
            if (c < 0x20) {
                wchar_t escaped[8];
                std::swprintf(escaped, 8, L"\\u%04x", unsigned(c));
                s += escaped;
            } else {
                s += c;
            }
        }
    }
    return s + L"\"";
}

std::wstring Json(const std::vector<Listing::Product>& products)
{
    std::wstring text = L"[";
    for (size_t i = 0; i < products.size(); ++i) {
        const Listing::Product& p = products[i];
        text += (i ? L"," : L"");
        text += Output::EndOfLine;
        text += L" ";
        text += L"{\"name\":" + JsonString(p.name) + L",\"root\":" + JsonString(ProductRow::RootName(p.root))
                + L",\"register\":" + JsonString(p.view) + L",\"installDir\":" + JsonString(p.installDir)
                + L",\"version\":" + JsonString(p.version) + L"}";
    }
    if (!products.empty()) text += Output::EndOfLine;
    return text + L"]" + Output::EndOfLine;
}

} // namespace ListFormat
