// Running the built bin2src from the native tests: a scratch folder, files in it, and a child
// process with its standard streams redirected to files.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/reference/utf8_reference.h"
#include "tests/shared/bytes.h"

struct Result {
    int status;      // the exit status, or 128 + the signal that ended it
    std::string out; // standard output, unless it went to a file of the test's choice
    std::string err;
};

struct Redirect {
    std::string input = "/dev/null"; // a path for standard input
    long input_offset = 0;           // where standard input stands, as an earlier reader left it
    std::string output;              // a path for standard output; empty: captured
    std::string error;               // a path for standard error (a terminal's); empty: captured
    bool append = false;             // output opened for appending, as a shell's ">>"
    bool output_closed = false;      // no standard output at all, as a shell's ">&-"
    long file_size_limit = -1;       // RLIMIT_FSIZE in bytes
    bool size_signal = false;        // with that limit, SIGXFSZ ends the process instead of EFBIG
    bool as_nobody = false;          // through setpriv, as user and group 65534
};

class Scratch : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string path(const std::string &name) const { return dir + "/" + name; }
    std::string write(const std::string &name, const std::vector<uint8_t> &bytes) const;
    std::vector<uint8_t> read(const std::string &name) const; // by name or by absolute path
    bool exists(const std::string &name) const;

    // bin2src with these arguments (argv[0] is added).
    Result run(const std::vector<std::string> &args, const Redirect &redirect = {}) const;
    // Any program, argv[0] included.
    Result run_program(const std::vector<std::string> &argv, const Redirect &redirect = {}) const;
    // The same in two steps, for a test that acts while bin2src runs.
    pid_t start(const std::vector<std::string> &argv, const Redirect &redirect = {}) const;
    Result finish(pid_t pid, const Redirect &redirect = {}) const;
    // The names in the scratch folder, sorted, but for the captured standard streams.
    std::vector<std::string> names() const;

    std::string dir;
};

extern const char *const BIN2SRC;
