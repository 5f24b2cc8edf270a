// Randomised product trees, removed and restored in every scope: after each
// cycle the registry must be exactly as before. TESSARINE_SOAK_CYCLES sets
// the number of cycles (a few by default), TESSARINE_SOAK_SEED the seed.
#include "WindowFixture.h"

#include <cstdio>
#include <cstdlib>
#include <random>

using namespace test;

namespace {

int EnvNumber(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

class TreeMaker {
public:
    TreeMaker(unsigned seed, bool large) : random_(seed), large_(large) {}

    // A name a product key may have: blanks, umlauts, characters outside
    // any ANSI code page, up to the longest legal key name.
    std::wstring Name()
    {
        static const std::wstring alphabet =
            L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -_.,()&+"
            L"\u00e4\u00f6\u00fc\u00c4\u00d6\u00dc\u00df\u00e9"
            L"\u65e5\u672c\u0436\u03bb\u20ac\u0160";
        const int length = Chance(10) ? 255 : Between(1, 24);
        std::wstring name;
        for (int i = 0; i < length; ++i) name += alphabet[size_t(Between(0, int(alphabet.size()) - 1))];
        // The registry keeps blanks at the ends, but such names are the
        // bad-input suite's business.
        while (!name.empty() && name.back() == L' ') name.back() = L'x';
        if (name.front() == L' ') name.front() = L'y';
        return name;
    }

    void Fill(HKEY root, const std::wstring& key, int depth)
    {
        CreateKey(root, key);
        const int values = Between(0, 5);
        for (int i = 0; i < values; ++i) AddValue(root, key, i == 0 && Chance(3) ? L"" : Name());
        if (depth < 3)
            for (int i = Between(0, 2); i > 0; --i) Fill(root, key + L"\\" + Name().substr(0, 40), depth + 1);
    }

    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool Chance(int oneIn) { return Between(1, oneIn) == 1; }

private:
    void AddValue(HKEY root, const std::wstring& key, const std::wstring& name)
    {
        switch (Between(0, 5)) {
        case 0: SetString(root, key, name, Text()); break;
        case 1: SetString(root, key, name, L"%TEMP%\\" + Text(), REG_EXPAND_SZ); break;
        case 2: {
            std::wstring multi = Text() + L'\0' + Text() + L'\0' + L'\0';
            SetValue(root, key, name, REG_MULTI_SZ, multi.data(), DWORD(multi.size() * 2));
            break;
        }
        case 3: SetDword(root, key, name, DWORD(random_())); break;
        case 4: {
            const ULONGLONG q = (ULONGLONG(random_()) << 32) | random_();
            SetValue(root, key, name, REG_QWORD, &q, sizeof q);
            break;
        }
        default: {
            const int size = Chance(8) ? (large_ ? 1 << 20 : 1 << 14) : Between(0, 64);
            std::string bytes(size_t(size), '\0');
            for (char& b : bytes) b = char(random_());
            SetValue(root, key, name, REG_BINARY, bytes.data(), DWORD(bytes.size()));
        }
        }
    }

    std::wstring Text()
    {
        // Quotes and backslashes included: the editor must escape them.
        static const std::wstring alphabet = L"abc XYZ 019 \\\"=[]@ \u00e4\u00df\u65e5";
        std::wstring text;
        for (int i = Between(0, 30); i > 0; --i) text += alphabet[size_t(Between(0, int(alphabet.size()) - 1))];
        return text;
    }

    std::mt19937 random_;
    bool large_;
};

struct Soak : WindowFixture {};

} // namespace

TEST_F(Soak, EveryRemovalIsUndoneExactly)
{
    const int cycles = EnvNumber("TESSARINE_SOAK_CYCLES", 6);
    const unsigned seed = unsigned(EnvNumber("TESSARINE_SOAK_SEED", 20261207));
    TreeMaker maker(seed, cycles > 20);
    int differences = 0, done = 0;
    Load();
    // A cycle counts once its removal and restore ran; a draw that lists
    // nothing in its scope is drawn again.
    for (int cycle = 0; done < cycles; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle) + ", seed " + std::to_string(seed));
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Velmora);
        RegDeleteTreeW(HKEY_CURRENT_USER, Velmora);
        // A few products, some of them in both registers, spelt alike or not.
        std::vector<std::wstring> names;
        for (int i = maker.Between(1, 3); i > 0; --i) names.push_back(maker.Name());
        for (const auto& name : names) {
            const int where = maker.Between(0, 2);
            if (where != 1) maker.Fill(HKEY_LOCAL_MACHINE, std::wstring(Velmora) + L"\\" + name, 0);
            if (where != 0) {
                std::wstring spelling = name;
                if (maker.Chance(2)) CharUpperBuffW(spelling.data(), DWORD(spelling.size()));
                maker.Fill(HKEY_CURRENT_USER, std::wstring(Velmora) + L"\\" + spelling, 0);
            }
        }
        const int scope = cycle % 3;
        Scope(scope);
        if (root->LProdukte.count() == 0) continue; // nothing listed in this scope
        const std::string before = RegistryDump();
        const int row = maker.Between(0, root->LProdukte.count() - 1);
        root->LProdukte.select(row);
        const std::wstring key = std::wstring(Velmora) + L"\\" + root->LTemp.text(row);
        boxes.clear();
        startFailures = 0;
        answers = {IDYES, IDOK, IDYES};
        root->bEntfernen_Click();
        ASSERT_EQ(boxes.size(), 2u);
        if (startFailures > 0) {
            // The machine could not start the editor: no finding about the program.
            std::printf("soak: harness error in cycle %d, the editor did not start\n", cycle);
            continue;
        }
        EXPECT_EQ(boxes[1].text, std::wstring(RemovedMessage)) << "removal reported: " << Narrow(boxes[1].text);
        EXPECT_FALSE((scope != 1 && KeyExists(HKEY_LOCAL_MACHINE, key)) || (scope != 2 && KeyExists(HKEY_CURRENT_USER, key)))
            << "the product's keys in scope are gone before the restore";
        root->bRestored_Click();
        ASSERT_EQ(boxes.size(), 3u) << "the restore reported: " << Narrow(boxes.back().text);
        const bool same = RegistryDump() == before;
        EXPECT_TRUE(same) << "the registry differs after remove and restore";
        differences += same ? 0 : 1;
        ++done;
    }
    std::printf("soak: %d cycles, %d differences\n", done, differences);
    EXPECT_GT(done, 0);
}
