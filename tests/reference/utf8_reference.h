// UTF-16 to UTF-8 by an encoder independent of the program's, the reference of its UTF-8 forms.
// glibc's: for the native tests. Portable: no windows.h here.
#pragma once

#include <gtest/gtest.h>

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>

// glibc's converter, not the program's: it refuses an unpaired surrogate, which the program's
// rule turns into U+FFFD.
inline std::string utf8(const std::u16string &text)
{
    std::string in;
    for (char16_t unit : text)
        in += {char(unit & 0xFF), char(unit >> 8)};
    iconv_t cd = iconv_open("UTF-8", "UTF-16LE");
    EXPECT_NE(cd, iconv_t(-1)) << "iconv_open: " << std::strerror(errno);
    std::string out;
    char *from = in.data();
    size_t left = in.size();
    while (left > 0) {
        char block[4096];
        char *to = block;
        size_t room = sizeof block;
        size_t done = iconv(cd, &from, &left, &to, &room);
        out.append(block, size_t(to - block));
        if (done == size_t(-1) && errno != E2BIG) { // EILSEQ, or EINVAL for a high surrogate at the end
            out += "\xEF\xBF\xBD";
            from += 2;
            left -= 2;
        }
    }
    iconv_close(cd);
    return out;
}
