// The temporary file's name beside its destination, in both forms of path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/temporary_name.h"

namespace {

template <class Unit> std::basic_string<Unit> named(const std::basic_string<Unit> &destination, uint32_t token)
{
    std::vector<Unit> out(destination.size() + TEMPORARY_ADDED + 1, Unit('?'));
    size_t n = temporary_name(destination.data(), destination.size(), token, out.data(), out.size());
    EXPECT_EQ(out[n], 0) << "terminated";
    return std::basic_string<Unit>(out.data(), n);
}

const std::string ADDED = ".bin2src-1f3a9c0d.part";
const std::u16string ADDED16 = u".bin2src-1f3a9c0d.part";
constexpr size_t KEPT = 255 - 22; // of a name, so that the temporary's is 255 units

TEST(TemporaryName, NameCutAtACharacterAndFolderKept)
{
    const std::string a(KEPT, 'a');
    const struct { std::string destination, expected; } posix[] = {
        {"rom.c", "rom.c" + ADDED},
        {"out/rom.c", "out/rom.c" + ADDED},
        {"/a\\b/c\\d", "/a\\b/c\\d" + ADDED}, // a backslash is part of a POSIX name
        {"dir/" + a, "dir/" + a + ADDED},
        {"dir/" + a + "b", "dir/" + a + ADDED},
        {"dir/" + a.substr(1) + "\xC3\xA9", "dir/" + a.substr(1) + ADDED},              // é across the cut
        {a.substr(2) + "\xE3\x81\x82", a.substr(2) + ADDED},                            // あ across the cut
        {a.substr(3) + "\xF0\x9F\x98\x80z", a.substr(3) + ADDED},                       // U+1F600 across
        {a.substr(4) + "\xF0\x9F\x98\x80z", a.substr(4) + "\xF0\x9F\x98\x80" + ADDED}, // ends at the cut
    };
    for (const auto &c : posix)
        EXPECT_EQ(named(c.destination, 0x1f3a9c0d), c.expected) << c.destination;

    const std::u16string w(KEPT, u'w');
    const struct { std::u16string destination, expected; } windows[] = {
        {u"\\\\?\\C:\\out\\rom.c", u"\\\\?\\C:\\out\\rom.c" + ADDED16},
        {u"C:/out/" + w + u"x", u"C:/out/" + w + ADDED16},
        {u"C:\\" + w.substr(1) + u"\U0001F600", u"C:\\" + w.substr(1) + ADDED16},
        {u"C:\\" + w.substr(2) + u"\U0001F600", u"C:\\" + w.substr(2) + u"\U0001F600" + ADDED16},
    };
    for (const auto &c : windows)
        EXPECT_EQ(named(c.destination, 0x1f3a9c0d), c.expected) << c.destination.size() << " units";

    char exact[5 + TEMPORARY_ADDED + 1];
    EXPECT_EQ(temporary_name("rom.c", 5, 1, exact, sizeof exact - 1), 0u) << "no room for the terminator";
    EXPECT_EQ(temporary_name("rom.c", 5, 1, exact, sizeof exact), 5 + TEMPORARY_ADDED);
}

// Against a reference that cuts by whole characters: random names of every length, of
// characters of one to four bytes.
TEST(TemporaryName, LongestWholeCharacterPrefixThatFits)
{
    std::mt19937 random(22);
    const char32_t samples[] = {U'a', U'.', U'\\', U'\u00E9', U'\u3042', U'\uFFFD', U'\U0001F600', U'\U0010FFFF'};
    for (int round = 0; round < 2000; round++) {
        std::vector<std::string> characters;
        size_t count = random() % 260;
        for (size_t i = 0; i < count; i++) {
            char32_t c = samples[random() % std::size(samples)];
            std::string s;
            if (c < 0x80)
                s = {char(c)};
            else if (c < 0x800)
                s = {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
            else if (c < 0x10000)
                s = {char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
            else
                s = {char(0xF0 | c >> 18), char(0x80 | (c >> 12 & 0x3F)), char(0x80 | (c >> 6 & 0x3F)),
                     char(0x80 | (c & 0x3F))};
            characters.push_back(s);
        }
        std::string name, kept;
        for (const std::string &c : characters) {
            name += c;
            if (kept.size() + c.size() <= KEPT && kept.size() == name.size() - c.size())
                kept += c;
        }
        uint32_t token = uint32_t(random());
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", unsigned(token));
        EXPECT_EQ(named("f/" + name, token), "f/" + kept + ".bin2src-" + digits + ".part") << name.size() << " bytes";
    }
}

TEST(TemporaryName, TokensDifferForEachTryAndProcess)
{
    std::vector<uint32_t> seen;
    for (uint32_t attempt = 0; attempt < 100; attempt++)
        for (uint64_t process : {1u, 2u, 4242u})
            seen.push_back(temporary_token(process, 123456789, attempt));
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << "two tries would take one name";
}

} // namespace
