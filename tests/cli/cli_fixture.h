// What the tests of the built bin2src share: the fixture that runs it in a scratch folder, and
// the texts it is expected to write, from the independent reference and the window's own
// segment formatter.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "run_helpers.h"
#include "tests/reference/source_reference.h"
#include "view/segment_text.h"

inline const char *const FORMAT_NAMES[] = {"", "c", "asm", "basic"};

inline std::string expected_utf8(int format, const std::u16string &label, const std::vector<uint8_t> &bytes)
{
    return utf8(reference_source_text(format, label, bytes));
}

// The segment printing: the window's own formatter, narrowed to UTF-8.
inline std::string formatted(const std::vector<uint8_t> &bytes, uint64_t segment, ViewMode view)
{
    static std::vector<char16_t> text(VIEW_TEXT_CAPACITY);
    size_t at = size_t(segment) * SEGMENT_SIZE;
    size_t count = std::min<size_t>(SEGMENT_SIZE, bytes.size() - std::min(at, bytes.size()));
    size_t n = format_segment(bytes.data() + std::min(at, bytes.size()), count, view, int64_t(segment), text.data());
    return utf8(std::u16string(text.data(), n));
}

// "bin2src: " and the text, one line.
inline std::string line(const std::string &text) { return "bin2src: " + text + "\n"; }

// The two lines of a failure once the text was on its way: the reason, then what became of
// the destination, which is as it was before the run.
inline std::string failed_unchanged(const std::string &reason, const std::string &destination, bool existed)
{
    return line(reason) + line("'" + destination + (existed ? "' was left as it was" : "' was not created"));
}

class Bin2src : public Scratch {
protected:
    // bin2src reading `source` from a pipe, which delivers the bytes in pieces of its own size.
    Result piped(const std::string &source, const std::string &options) const
    {
        return run_program({"/bin/sh", "-c", "cat '" + source + "' | '" + BIN2SRC + "' " + options});
    }
    // getfacl's listing of a file, its name left out; empty when getfacl cannot read it.
    std::string acl_of(const std::string &file) const
    {
        Result r = run_program({"getfacl", "--omit-header", "--numeric", file});
        return r.status == 0 ? r.out : "";
    }
};
