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

// A quoted text from just after its opening quote: the escapes \\ \" \n \r,
// and any other escaped character stands for itself. False without the
// closing quote or with \0, which the import refuses.
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
            if (++i == s.size()) return false;
            c = s[i];
            if (c == L'0') return false;
            if (c == L'n') c = L'\n';
            else if (c == L'r') c = L'\r';
        }
        out += c;
    }
    return false;
}

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Hex digits at the start of s, as a number; false without any or when it
// exceeds limit.
bool HexNumber(Line& s, uint64_t limit, uint64_t& n)
{
    n = 0;
    size_t i = 0;
    for (; i < s.size() && HexDigit(s[i]) >= 0; ++i) {
        n = n * 16 + uint64_t(HexDigit(s[i]));
        if (n > limit) return false;
    }
    s.remove_prefix(i);
    return i > 0;
}

enum class Hex { Done, Continues, Invalid };

// One line's worth of comma-separated bytes, appended to data.
Hex HexBytes(Line s, std::string& data)
{
    for (;;) {
        s = SkipBlanks(s);
        if (s.empty()) return Hex::Done;
        uint64_t byte = 0;
        if (!HexNumber(s, 0xFF, byte)) {
            if (HexDigit(s.front()) >= 0) return Hex::Invalid; // a number above 0xFF
            if (s.front() == L'\\') return Ends(s.substr(1)) ? Hex::Continues : Hex::Invalid;
            return s.front() == L';' ? Hex::Done : Hex::Invalid;
        }
        data += char(byte);
        if (!s.empty() && s.front() == L',') {
            s.remove_prefix(1);
            continue;
        }
        return Ends(s) ? Hex::Done : Hex::Invalid;
    }
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
    if (v.data.empty() || v.data.back() != 0) v.data += '\0';
    const int n = MultiByteToWideChar(CP_ACP, 0, v.data.data(), int(v.data.size()), nullptr, 0);
    std::wstring text(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, v.data.data(), int(v.data.size()), text.data(), n);
    v.data = Bytes(text);
}

class Reader {
public:
    Reader(const std::vector<Line>& lines, bool unicode) : lines_(lines), unicode_(unicode) {}

    void Run(Content& content)
    {
        while (next_ < lines_.size()) LineStart(content, lines_[next_++]);
    }

private:
    void LineStart(Content& content, Line line)
    {
        line = SkipBlanks(line);
        if (line.empty()) return;
        if (line.front() == L'[') {
            KeyLine(content, line.substr(1));
            return;
        }
        Value v;
        if (line.front() == L'@') {
            line.remove_prefix(1);
        } else if (line.front() == L'"') {
            line.remove_prefix(1);
            if (!Unquote(line, v.name)) return;
        } else {
            return; // a comment, or text the import passes over
        }
        if (Data(content, line, v) && current_ >= 0) content.keys[size_t(current_)].values.push_back(std::move(v));
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

    // The data after a value's name; false when the import would set nothing.
    bool Data(Content& content, Line s, Value& v)
    {
        s = SkipBlanks(s);
        if (s.empty() || s.front() != L'=') return false;
        s = SkipBlanks(s.substr(1));
        while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
        if (!s.empty() && s.front() == L'-') {
            v.deletion = true;
            return Ends(s.substr(1));
        }
        if (!s.empty() && s.front() == L'"') {
            s.remove_prefix(1);
            std::wstring text;
            if (!Unquote(s, text) || !Ends(s)) return false;
            v.type = REG_SZ;
            v.data = Bytes(text + L'\0');
            return true;
        }
        if (s.starts_with(L"dword:")) {
            s = SkipBlanks(s.substr(6));
            size_t digits = 0;
            while (digits < s.size() && HexDigit(s[digits]) >= 0) ++digits;
            uint64_t n = 0;
            // Eight digits at most; none at all before a comment reads as 0.
            if (s.empty() || digits > 8 || (digits > 0 && !HexNumber(s, 0xFFFFFFFF, n)) || !Ends(s)) return false;
            const DWORD dword = DWORD(n);
            v.type = REG_DWORD;
            v.data.assign(reinterpret_cast<const char*>(&dword), sizeof dword);
            return true;
        }
        if (s.starts_with(L"hex:")) {
            v.type = REG_BINARY;
            s.remove_prefix(4);
        } else if (s.starts_with(L"hex(")) {
            s.remove_prefix(4);
            uint64_t type = 0;
            if (!HexNumber(s, 0xFFFFFFFF, type) || !s.starts_with(L"):")) return false;
            v.type = DWORD(type);
            s.remove_prefix(2);
        } else {
            return false;
        }
        return HexData(content, s, v);
    }

    bool HexData(Content& content, Line s, Value& v)
    {
        for (;;) {
            const Hex hex = HexBytes(s, v.data);
            if (hex == Hex::Invalid) return false;
            if (hex == Hex::Done) break;
            // Continued: blank lines and comments are passed over; a line
            // that is not hex data ends the value unset and is itself lost.
            Line more;
            do {
                if (next_ == lines_.size()) {
                    FinishHexString(v, unicode_);
                    return true;
                }
                more = SkipBlanks(lines_[next_++]);
            } while (more.empty() || more.front() == L';');
            if (HexDigit(more.front()) < 0) {
                // A key line lost this way is no key the import opens.
                if (more.front() == L'[') content.keys.push_back({std::wstring(more.substr(1)), false, false, {}});
                return false;
            }
            s = more;
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
    content.readable = true;
    Reader(lines, unicode).Run(content);
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

std::wstring Folded(std::wstring_view name)
{
    std::wstring folded(name);
    if (!folded.empty()
        && LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name.data(), int(name.size()), folded.data(),
                         int(folded.size()), nullptr, nullptr, 0) != int(folded.size()))
        return std::wstring(name); // unchanged: a mismatch can only refuse
    return folded;
}

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
