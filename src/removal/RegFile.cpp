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

// One line of a file in a code page, converted as the import converts it:
// with its terminating NUL, which a lead byte at the line's end may take
// for its second byte on some systems. False unless the text ends exactly
// at that NUL: the import would read on past it, or stop short.
bool LineText(std::string_view bytes, UINT codePage, std::wstring& text)
{
    const std::string line = std::string(bytes) + '\0';
    const int n = MultiByteToWideChar(codePage, 0, line.data(), int(line.size()), nullptr, 0);
    if (n <= 0) return false;
    std::wstring converted(size_t(n), L'\0');
    if (MultiByteToWideChar(codePage, 0, line.data(), int(line.size()), converted.data(), n) != n) return false;
    if (converted.find(L'\0') != converted.size() - 1) return false;
    text.append(converted, 0, converted.size() - 1);
    return true;
}

// The file's lines, as the import decodes and splits them; false for text
// it cannot read as a whole. A file in a code page is split at its CR and
// LF bytes first and each line converted alone: converted in one piece, a
// lead byte of a double-byte code page just before a line end would take
// that line end, and the next line would vanish into the one before.
bool DecodeLines(const std::string& bytes, UINT codePage, std::wstring& text, std::vector<Line>& lines, bool& unicode)
{
    unicode = bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE;
    if (unicode) {
        if (bytes.size() % 2 != 0) return false;
        text.assign((bytes.size() - 2) / 2, L'\0');
        if (!text.empty()) std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
        // The import reads lines as C strings: whatever follows a NUL is lost.
        if (text.find(L'\0') != std::wstring::npos) return false;
        lines = Lines(text);
        return true;
    }
    if (bytes.find('\0') != std::string::npos) return false;
    std::vector<std::pair<size_t, size_t>> spans; // each line's place in text, taken once text stops growing
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", at);
        if (end == std::string::npos) end = bytes.size();
        const size_t start = text.size();
        if (!LineText(std::string_view(bytes).substr(at, end - at), codePage, text)) return false;
        spans.emplace_back(start, text.size() - start);
        at = end + (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n' ? 2 : 1);
    }
    for (const auto& [start, length] : spans) lines.emplace_back(text.data() + start, length);
    return true;
}

// What the import makes of hex data for a string type: a terminating NUL
// where the last whole character is not one, so that even "41,00" gets
// one; in a file of a code page, the text converted.
void FinishHexString(Value& v, bool unicode, UINT codePage)
{
    if (!StringType(v.type)) return;
    if (unicode) {
        const size_t units = v.data.size() / 2;
        if (units > 0 && (v.data[2 * units - 2] != 0 || v.data[2 * units - 1] != 0)) v.data.append(2, '\0');
        return;
    }
    if (v.data.back() != 0) v.data += '\0';
    const int n = MultiByteToWideChar(codePage, 0, v.data.data(), int(v.data.size()), nullptr, 0);
    std::wstring text(size_t(n > 0 ? n : 0), L'\0');
    // Data that cannot be converted leaves the import nothing to write.
    if (n <= 0 || MultiByteToWideChar(codePage, 0, v.data.data(), int(v.data.size()), text.data(), n) != n)
        text.clear();
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
// Nor does it create a key with a longer level, as Windows documents it
// (Wine takes one character more); the import's key is lost, and its
// values with it.
constexpr size_t LongestKeyLevel = 255;

bool LevelsFit(Line name)
{
    for (size_t at = 0;;) {
        const size_t end = name.find(L'\\', at);
        if ((end == Line::npos ? name.size() : end) - at > LongestKeyLevel) return false;
        if (end == Line::npos) return true;
        at = end + 1;
    }
}

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
    Reader(const std::vector<Line>& lines, bool unicode, UINT codePage)
        : lines_(lines), unicode_(unicode), codePage_(codePage)
    {
    }

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
        if (line.front() == L'[') return KeyLine(content, line.substr(1));
        Value v;
        if (line.front() == L'@') {
            line.remove_prefix(1);
        } else if (line.front() == L'"') {
            line.remove_prefix(1);
            if (!Unquote(line, v.name) || v.name.size() > LongestValueName) return false;
        } else {
            return true; // a comment, or text the import passes over
        }
        // A value that no key takes (before any key, after a key deletion)
        // goes nowhere, yet the import still reads it, and crashes on some.
        if (current_ < 0 || !Data(line, v)) return false;
        content.keys[size_t(current_)].values.push_back(std::move(v));
        return true;
    }

    // False for a key the registry cannot hold.
    bool KeyLine(Content& content, Line rest)
    {
        const size_t close = rest.rfind(L']');
        if (rest.empty() || Blank(rest.front()) || close == Line::npos) {
            // Opens nothing; the key opened before stays open.
            content.keys.push_back({std::wstring(rest), false, false, {}});
            return true;
        }
        Key key;
        Line name = rest.substr(0, close);
        key.deletion = !name.empty() && name.front() == L'-';
        if (key.deletion) name.remove_prefix(1);
        if (!LevelsFit(name)) return false;
        key.name = name;
        content.keys.push_back(std::move(key));
        current_ = content.keys.back().deletion ? -1 : int(content.keys.size() - 1);
        return true;
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
        FinishHexString(v, unicode_, codePage_);
        return true;
    }

    const std::vector<Line>& lines_;
    const bool unicode_;
    const UINT codePage_;
    size_t next_ = 1; // the header is line 0
    int current_ = -1;
};

bool KnownHeader(Line line)
{
    line = SkipBlanks(line);
    return line == L"Windows Registry Editor Version 5.00" || line == L"REGEDIT4";
}

} // namespace

Content Read(const std::string& bytes) { return Read(bytes, CP_ACP); }

Content Read(const std::string& bytes, UINT codePage)
{
    Content content;
    std::wstring text;
    std::vector<Line> lines;
    bool unicode = false;
    if (!DecodeLines(bytes, codePage, text, lines, unicode)) return content;
    if (lines.empty() || !KnownHeader(lines.front())) return content;
    if (!Reader(lines, unicode, codePage).Run(content)) return Content();
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
