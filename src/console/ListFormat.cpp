#include "console/ListFormat.h"

#include "console/Output.h"
#include "catalogue/ProductRow.h"

#include <cwchar>

namespace ListFormat {

namespace {

bool IsSurrogate(wchar_t c) { return IS_HIGH_SURROGATE(c) || IS_LOW_SURROGATE(c); }

bool PairAt(std::wstring_view text, size_t i)
{
    return i + 1 < text.size() && IS_HIGH_SURROGATE(text[i]) && IS_LOW_SURROGATE(text[i + 1]);
}

std::wstring Escaped(wchar_t c)
{
    wchar_t escaped[8];
    std::swprintf(escaped, 8, L"\\u%04x", unsigned(c));
    return escaped;
}

} // namespace

bool Exact(std::wstring_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (PairAt(text, i)) ++i;
        else if (IsSurrogate(text[i])) return false;
    }
    return true;
}

std::wstring Text(const std::vector<Listing::Product>& products)
{
    std::wstring text;
    for (const Listing::Product& p : products) {
        std::wstring line = ProductRow::Make(p.name, ProductRow::RootName(p.root), p.installDir, p.version) + L"\t"
                          + p.view;
        if (!Exact(line)) line += std::wstring(L"\t") + ReplacedNote;
        text += line + Output::EndOfLine;
    }
    return text;
}

std::wstring CsvField(std::wstring_view field)
{
    if (field.find_first_of(L",\"\r\n") == std::wstring_view::npos) return std::wstring(field);
    std::wstring quoted = L"\"";
    for (wchar_t c : field) {
        if (c == L'"') quoted += L'"';
        quoted += c;
    }
    return quoted + L"\"";
}

std::wstring CsvRecord(const std::vector<std::wstring>& fields)
{
    std::wstring record;
    bool exact = true;
    for (const std::wstring& field : fields) {
        record += CsvField(field) + L",";
        exact = exact && Exact(field);
    }
    // RFC 4180 ends every record with CR LF.
    return record + (exact ? L"" : Replaced) + Output::EndOfLine;
}

std::wstring Csv(const std::vector<Listing::Place>& places)
{
    std::wstring text = std::wstring(L"Produkt,Register,Schluessel,Installationsordner,Version,Ersetzt")
                      + Output::EndOfLine;
    for (const Listing::Place& p : places)
        text += CsvRecord({p.name, p.view, p.key, p.installDir.value_or(L""), p.version.value_or(L"")});
    return text;
}

std::wstring JsonString(std::wstring_view text)
{
    std::wstring s = L"\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        switch (c) {
        case L'"': s += L"\\\""; break;
        case L'\\': s += L"\\\\"; break;
        case L'\b': s += L"\\b"; break;
        case L'\f': s += L"\\f"; break;
        case L'\n': s += L"\\n"; break;
        case L'\r': s += L"\\r"; break;
        case L'\t': s += L"\\t"; break;
        default:
            if (PairAt(text, i)) {
                s += c;
                s += text[++i];
            } else if (c < 0x20 || IsSurrogate(c)) {
                // UTF-8 cannot carry a lone surrogate; the escape is the
                // code unit itself, which a JSON reader gives back.
                s += Escaped(c);
            } else {
                s += c;
            }
        }
    }
    return s + L"\"";
}

std::wstring JsonOrNull(const std::optional<std::wstring>& text) { return text ? JsonString(*text) : L"null"; }

std::wstring Json(const std::vector<Listing::Place>& places)
{
    std::wstring text = L"[";
    for (size_t i = 0; i < places.size(); ++i) {
        const Listing::Place& p = places[i];
        text += (i ? L"," : L"");
        text += Output::EndOfLine;
        text += L" ";
        text += L"{\"name\":" + JsonString(p.name) + L",\"register\":" + JsonString(p.view) + L",\"key\":"
                + JsonString(p.key) + L",\"installDir\":" + JsonOrNull(p.installDir) + L",\"version\":"
                + JsonOrNull(p.version) + L"}";
    }
    if (!places.empty()) text += Output::EndOfLine;
    return text + L"]" + Output::EndOfLine;
}

} // namespace ListFormat
