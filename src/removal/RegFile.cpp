#include "removal/RegFile.h"

#include <cstdint>
#include <cstring>
#include <cwctype>
#include <string_view>

namespace RegFile {

namespace {

using Line = std::wstring_view;

bool Blank(wchar_t c) { return c == L' ' || c == L'\t'; }

Line SkipBlanks(Line s)
{
    while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
    return s;
}

// Nothing more on the line, or only a comment.
bool Ends(Line s)
{
    s = SkipBlanks(s);
    return s.empty() || s.front() == L';';
}

std::string Bytes(const std::wstring& text)
{
    std::string bytes(text.size() * sizeof(wchar_t), '\0');
    if (!text.empty()) std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

// The file's text, as the import decodes it; false for text it cannot read
// as a whole.
bool Decode(const std::string& bytes, std::wstring& text, bool& unicode)
{
    unicode = bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE;
    if (unicode) {
        if (bytes.size() % 2 != 0) return false;
        text.assign((bytes.size() - 2) / 2, L'\0');
        if (!text.empty()) std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
    } else if (!bytes.empty()) {
        const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
        if (n <= 0) return false;
        text.assign(size_t(n), L'\0');
        if (MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), text.data(), n) != n) return false;
    }
    // The import reads lines as C strings: whatever follows a NUL is lost.
    return text.find(L'\0') == std::wstring::npos;
}

// Lines as the import splits them: at CR, at LF, and at CR LF.
std::vector<Line> Lines(const std::wstring& text)
{
    std::vector<Line> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of(L"\r\n", at);
        if (end == std::wstring::npos) end = text.size();
        lines.emplace_back(text.data() + at, end - at);
        at = end + (end + 1 < text.size() && text[end] == L'\r' && text[end + 1] == L'\n' ? 2 : 1);
    }
    return lines;
}

// What the import makes of hex data for a string type: a terminating NUL
// where it lacks one; in a file of the ANSI code page, the text converted.
void FinishHexString(Value& v, bool unicode)
{
    if (!StringType(v.type)) return;
    if (unicode) {
        if (v.data.size() > 2 && (v.data[v.data.size() - 2] != 0 || v.data.back() != 0)) v.data.append(2, '\0');
        return;
    }
    if (v.data.back() != 0) v.data += '\0';
    const int n = MultiByteToWideChar(CP_ACP, 0, v.data.data(), int(v.data.size()), nullptr, 0);
    std::wstring text(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, v.data.data(), int(v.data.size()), text.data(), n);
    v.data = Bytes(text);
}

// Value lines are read only in the forms an export writes. Where a file
// departs from them, the import goes its own way: it reads numbers with
// wcstoul (blanks, signs, "0x", digits of other scripts), keeps an overflow
// error over to the next line, swallows the line after a broken
// continuation, stops, or crashes. What it writes then cannot be told, so
// every refusal below (each "return false" and Hex::Refused) makes the whole
// file unreadable: it is no backup and no restore file.

// The registry sets no longer value name; the import's value is lost.
constexpr size_t LongestValueName = 16383;

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Exactly count hex digits at the start of s, as a number.
bool HexDigits(Line& s, size_t count, uint32_t& n)
{
    if (s.size() < count) return false;
    n = 0;
    for (size_t i = 0; i < count; ++i) {
        if (HexDigit(s[i]) < 0) return false;
        n = n * 16 + uint32_t(HexDigit(s[i]));
    }
    s.remove_prefix(count);
    return true;
}

// A quoted text from just after its opening quote: the escapes \\ \" \n \r,
// and any other escaped character stands for itself, as the import reads
// them.
bool Unquote(Line& s, std::wstring& out)
{
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        wchar_t c = s[i];
        if (c == L'"') {
            s.remove_prefix(i + 1);
            return true;
        }
        if (c == L'\\') {
            if (++i == s.size()) return false; // a lone "\" at the end: the import stops the file
            c = s[i];
            if (c == L'0') return false;       // "\0": the import stops the file
            if (c == L'n') c = L'\n';
            else if (c == L'r') c = L'\r';
        }
        out += c;
    }
    return false; // no closing quote: the import sets nothing, or stops the file
}

// The type number of hex(N): as exports write it, one to eight hex digits.
bool TypeNumber(Line& s, DWORD& type)
{
    size_t digits = 0;
    while (digits < s.size() && HexDigit(s[digits]) >= 0) ++digits;
    uint32_t n = 0;
    if (digits == 0 || digits > 8 || !HexDigits(s, digits, n) || !s.starts_with(L"):")) return false;
    s.remove_prefix(2);
    type = n;
    return true;
}

enum class Hex { Done, Continues, Refused };

// One line of hex data as exports write it: bytes of two hex digits joined
// by commas; a comma and "\" at the end continue it on the next line.
Hex HexLine(Line s, std::string& data)
{
    for (;;) {
        uint32_t byte = 0;
        if (!HexDigits(s, 2, byte)) return Hex::Refused; // "1", "+2", "0x01", " 01", other scripts' digits
        data += char(byte);
        if (s.empty() || s.front() != L',') return Ends(s) ? Hex::Done : Hex::Refused; // "012", "01 ,02"
        s.remove_prefix(1);
        if (!s.empty() && s.front() == L'\\')
            return Ends(s.substr(1)) ? Hex::Continues : Hex::Refused; // "01,\x": the import loses the value
    }
}

class Reader {
public:
    Reader(const std::vector<Line>& lines, bool unicode) : lines_(lines), unicode_(unicode) {}

    // False when a value line is not in a form an export writes.
    bool Run(Content& content)
    {
        while (next_ < lines_.size())
            if (!LineStart(content, lines_[next_++])) return false;
        return true;
    }

private:
    bool LineStart(Content& content, Line line)
    {
        line = SkipBlanks(line);
        if (line.empty()) return true;
        if (line.front() == L'[') {
            KeyLine(content, line.substr(1));
            return true;
        }
        Value v;
        if (line.front() == L'@') {
            line.remove_prefix(1);
        } else if (line.front() == L'"') {
            line.remove_prefix(1);
            if (!Unquote(line, v.name) || v.name.size() > LongestValueName) return false;
        } else {
            return true; // a comment, or text the import passes over
        }
        if (!Data(line, v)) return false;
        // Values before any key, or after a key deletion, go nowhere.
        if (current_ >= 0) content.keys[size_t(current_)].values.push_back(std::move(v));
        return true;
    }

    void KeyLine(Content& content, Line rest)
    {
        const size_t close = rest.rfind(L']');
        if (rest.empty() || Blank(rest.front()) || close == Line::npos) {
            // Opens nothing; the key opened before stays open.
            content.keys.push_back({std::wstring(rest), false, false, {}});
            return;
        }
        Key key;
        Line name = rest.substr(0, close);
        key.deletion = !name.empty() && name.front() == L'-';
        if (key.deletion) name.remove_prefix(1);
        key.name = name;
        content.keys.push_back(std::move(key));
        current_ = content.keys.back().deletion ? -1 : int(content.keys.size() - 1);
    }

    // The data after a value's name.
    bool Data(Line s, Value& v)
    {
        s = SkipBlanks(s);
        if (s.empty() || s.front() != L'=') return false; // a name without data
        s = SkipBlanks(s.substr(1));
        while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
        if (s.starts_with(L'-')) {
            v.deletion = true;
            return Ends(s.substr(1));
        }
        if (s.starts_with(L'"')) {
            s.remove_prefix(1);
            std::wstring text;
            if (!Unquote(s, text) || !Ends(s)) return false;
            v.type = REG_SZ;
            v.data = Bytes(text + L'\0');
            return true;
        }
        if (s.starts_with(L"dword:")) {
            s.remove_prefix(6);
            uint32_t n = 0;
            if (!HexDigits(s, 8, n) || !Ends(s)) return false; // anything but the eight digits exports write
            const DWORD dword = n;
            v.type = REG_DWORD;
            v.data.assign(reinterpret_cast<const char*>(&dword), sizeof dword);
            return true;
        }
        if (s.starts_with(L"hex:")) {
            v.type = REG_BINARY;
            s.remove_prefix(4);
        } else if (s.starts_with(L"hex(")) {
            s.remove_prefix(4);
            if (!TypeNumber(s, v.type)) return false; // "hex( 2):", "hex(-1):", "hex():"
        } else {
            return false; // a type exports never write
        }
        return HexData(s, v);
    }

    bool HexData(Line s, Value& v)
    {
        // No bytes: exports write nothing after the type, and the import
        // then adds no NUL to a string.
        if (s.empty()) return true;
        for (;;) {
            const Hex hex = HexLine(s, v.data);
            if (hex == Hex::Refused) return false;
            if (hex == Hex::Done) break;
            // The import passes over blank lines and comments here.
            Line more;
            do {
                if (next_ == lines_.size()) return false; // continued past the end: the import crashes on a string
                more = SkipBlanks(lines_[next_++]);
            } while (more.empty() || more.front() == L';');
            s = more; // a line that is not hex data, even a key line, is refused by HexLine
        }
        FinishHexString(v, unicode_);
        return true;
    }

    const std::vector<Line>& lines_;
    const bool unicode_;
    size_t next_ = 1; // the header is line 0
    int current_ = -1;
};

bool KnownHeader(Line line)
{
    line = SkipBlanks(line);
    return line == L"Windows Registry Editor Version 5.00" || line == L"REGEDIT4";
}

} // namespace

Content Read(const std::string& bytes)
{
    Content content;
    std::wstring text;
    bool unicode = false;
    if (!Decode(bytes, text, unicode)) return content;
    const std::vector<Line> lines = Lines(text);
    if (lines.empty() || !KnownHeader(lines.front())) return content;
    if (!Reader(lines, unicode).Run(content)) return Content();
    content.readable = true;
    return content;
}

bool Written(const Content& content, WrittenKeys& keys)
{
    if (!content.readable) return false;
    for (const auto& key : content.keys) {
        if (!key.opens || key.deletion) return false;
        WrittenKey& written = keys[Folded(key.name)];
        if (written.name.empty()) written.name = key.name;
        for (const auto& v : key.values) {
            if (v.deletion) return false;
            written.values[Folded(v.name)] = &v;
        }
    }
    return true;
}

namespace {
bool Surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }
} // namespace

std::wstring Folded(std::wstring_view name)
{
    // One code unit at a time, as CompareStringOrdinal compares: a
    // surrogate stays as it is, so that letters outside the Basic
    // Multilingual Plane keep their case apart, as the registry keeps them.
    // The units between surrogates map one to one, so each such run is
    // mapped in one call, and a run of ASCII letters needs none.
    std::wstring folded(name);
    for (size_t at = 0; at < folded.size();) {
        if (Surrogate(folded[at])) {
            ++at;
            continue;
        }
        size_t end = at;
        bool ascii = true;
        for (; end < folded.size() && !Surrogate(folded[end]); ++end) ascii &= folded[end] < 0x80;
        const int n = int(end - at);
        if (ascii) {
            for (size_t i = at; i < end; ++i)
                if (folded[i] >= L'a' && folded[i] <= L'z') folded[i] = wchar_t(folded[i] - L'a' + L'A');
        } else {
            // The default casing is the file system's, the registry's
            // upper-case table; a run that cannot be mapped stays, which can
            // only refuse.
            std::wstring upper(size_t(n), L'\0');
            if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, folded.data() + at, n, upper.data(), n, nullptr,
                              nullptr, 0)
                == n)
                folded.replace(at, size_t(n), upper);
        }
        at = end;
    }
    return folded;
}

bool Importable(DWORD type, size_t bytes) { return !StringType(type) || bytes % 2 == 0; }

bool StringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

bool SameData(DWORD type, const std::string& a, const std::string& b)
{
    if (!StringType(type)) return a == b;
    auto terminated = [](const std::string& s) {
        const bool ends = s.size() >= 2 && s[s.size() - 2] == 0 && s.back() == 0;
        return s.size() % 2 == 0 && !ends ? s + std::string(2, '\0') : s;
    };
    return terminated(a) == terminated(b);
}

} // namespace RegFile
