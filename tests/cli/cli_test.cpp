// The built bin2src, run as a build would run it: files, pipes, the standard streams, and
// every way it can fail.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>

#include "cli/message.h"
#include "common/utf8.h"
#include "run_helpers.h"
#include "tests/reference/source_reference.h"
#include "view/segment_text.h"

namespace {

const char *const FORMAT_NAMES[] = {"", "c", "asm", "basic"};

std::string expected_utf8(int format, const std::u16string &label, const std::vector<uint8_t> &bytes)
{
    return utf8(reference_source_text(format, label, bytes));
}

// The segment printing: the window's own formatter, narrowed to UTF-8.
std::string formatted(const std::vector<uint8_t> &bytes, uint64_t segment, ViewMode view)
{
    static std::vector<char16_t> text(VIEW_TEXT_CAPACITY);
    size_t at = size_t(segment) * SEGMENT_SIZE;
    size_t count = std::min<size_t>(SEGMENT_SIZE, bytes.size() - std::min(at, bytes.size()));
    size_t n = format_segment(bytes.data() + std::min(at, bytes.size()), count, view, int64_t(segment), text.data());
    return utf8(std::u16string(text.data(), n));
}

// "bin2src: " and the text, one line.
std::string line(const std::string &text) { return "bin2src: " + text + "\n"; }

// The two lines of a failure once the text was on its way: the reason, then what became of
// the destination, which is as it was before the run.
std::string failed_unchanged(const std::string &reason, const std::string &destination, bool existed)
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

TEST_F(Bin2src, SameTextAsTheWindowsExportForEverySizeFormatAndLabel)
{
    const size_t sizes[] = {1, 15, 16, 17, 63, 64, 65, 4097, (1u << 20) + 3};
    const std::pair<std::string, std::u16string> labels[] = {
        {"exe_dt", u"exe_dt"}, {"", u""}, {"abcdefghijklmno", u"abcdefghijklmno"}};
    for (size_t size : sizes) {
        std::vector<uint8_t> bytes = random_bytes(size, unsigned(size));
        std::string source = write("data.bin", bytes);
        for (int format = 1; format <= 3; format++) {
            for (size_t which = 0; which < 3; which++) {
                // The big source with one label per format, so that the test stays quick under
                // the sanitizers; the small ones with every label.
                if (size > 4097 && which != size_t(format - 1))
                    continue;
                const auto &[label_utf8, label] = labels[which];
                std::u16string text = reference_source_text(format, label, bytes);
                std::string out = path("out.txt");
                std::remove(out.c_str());
                Result r = run({"-f", FORMAT_NAMES[format], "-n", label_utf8, "-o", out, source});
                ASSERT_EQ(r.status, 0) << r.err;
                EXPECT_EQ(r.err, "");
                ASSERT_EQ(first_difference(read(out), utf16le(text)), "")
                    << "UTF-16LE, format " << format << ", label '" << label_utf8 << "', " << size << " bytes";
                std::remove(out.c_str());
                r = run({"--format=" + std::string(FORMAT_NAMES[format]), "--name=" + label_utf8, "--encoding=utf8",
                         "--output=" + out, source});
                ASSERT_EQ(r.status, 0) << r.err;
                ASSERT_EQ(first_difference(read(out), bytes_of(utf8(text))), "")
                    << "UTF-8, format " << format << ", label '" << label_utf8 << "', " << size << " bytes";
            }
        }
    }
}

TEST_F(Bin2src, DefaultsAreCExeDtAndUtf16leOnStandardOutput)
{
    std::vector<uint8_t> bytes = random_bytes(1000, 1);
    Result r = run({write("rom.bin", bytes)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(first_difference(bytes_of(r.out), utf16le(reference_source_text(1, u"exe_dt", bytes))), "");
    // No byte-order mark: the text starts with TAB as a little-endian unit.
    ASSERT_GE(r.out.size(), 2u);
    EXPECT_EQ(r.out.substr(0, 2), std::string("\t\0", 2));
}

TEST_F(Bin2src, NonAsciiDataNameInBothEncodings)
{
    std::vector<uint8_t> bytes = random_bytes(130, 2);
    std::string source = write("rom.bin", bytes);
    const std::u16string label = u"データー名𝄞"; // 5 characters, 7 units with the pair
    for (int format = 1; format <= 3; format++) {
        Result r = run({"-f", FORMAT_NAMES[format], "-n", utf8(label), source});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(first_difference(bytes_of(r.out), utf16le(reference_source_text(format, label, bytes))), "");
        r = run({"-f", FORMAT_NAMES[format], "-n", utf8(label), "-e", "utf8", source});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, expected_utf8(format, label, bytes));
    }
}

TEST_F(Bin2src, Utf8OutputCompiledByTheSystemCompilerHoldsEveryByte)
{
    if (system("command -v gcc >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no gcc on this machine to compile the output with";
    std::vector<uint8_t> bytes = random_bytes(100003, 3);
    std::string source = write("blob.bin", bytes);
    Result r = run({"-e", "utf8", "-n", "blob_data_15chr", "-o", path("blob.c"), source});
    ASSERT_EQ(r.status, 0) << r.err;
    // The declaration ends in "}" without ";": the includer adds it, and names BYTE.
    std::string check = "#include <stdio.h>\n"
                        "typedef unsigned char BYTE;\n"
                        "#include \"blob.c\"\n"
                        ";\n"
                        "int main(int argc, char **argv)\n"
                        "{\n"
                        "    FILE *f = fopen(argv[1], \"rb\");\n"
                        "    size_t n = 0;\n"
                        "    int c;\n"
                        "    if (!f)\n"
                        "        return 2;\n"
                        "    while ((c = getc(f)) != EOF) {\n"
                        "        if (n >= sizeof blob_data_15chr || blob_data_15chr[n] != c) {\n"
                        "            printf(\"byte %zu differs\\n\", n);\n"
                        "            return 1;\n"
                        "        }\n"
                        "        n++;\n"
                        "    }\n"
                        "    printf(\"%zu of %zu bytes equal\\n\", n, sizeof blob_data_15chr);\n"
                        "    return n == sizeof blob_data_15chr ? 0 : 1;\n"
                        "}\n";
    write("check.c", bytes_of(check));
    Result compiled = run_program({"gcc", "-std=c99", "-Wall", "-Werror", "-o", path("check"), path("check.c")});
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    Result checked = run_program({path("check"), source});
    EXPECT_EQ(checked.status, 0) << checked.out;
    EXPECT_EQ(checked.out, "100003 of 100003 bytes equal\n");
    // The same program fails on a source with one byte changed, so the check can fail.
    bytes[54321] ^= 0x40;
    write("blob.bin", bytes);
    checked = run_program({path("check"), source});
    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.out, "byte 54321 differs\n");
}

TEST_F(Bin2src, StandardInputFromAFileAndFromAPipe)
{
    std::vector<uint8_t> bytes = random_bytes(300001, 4);
    std::string source = write("rom.bin", bytes);
    Redirect from_file{.input = source};
    Result r = run({"-f", "asm", "-e", "utf8"}, from_file);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_utf8(2, u"exe_dt", bytes));
    r = run({"-f", "asm", "-e", "utf8", "-"}, from_file);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_utf8(2, u"exe_dt", bytes)) << "- names standard input";
    r = piped(source, "-f basic -o '" + path("out.bas") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(first_difference(read("out.bas"), utf16le(reference_source_text(3, u"exe_dt", bytes))), "");
}

TEST_F(Bin2src, StandardOutputByDashAndToAFile)
{
    std::vector<uint8_t> bytes = random_bytes(777, 5);
    std::string source = write("rom.bin", bytes);
    Result r = run({"-o", "-", "-e", "utf8", source});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_utf8(1, u"exe_dt", bytes));
    Redirect to_file{.output = path("redirected.c")};
    r = run({"-e", "utf8", source}, to_file);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read("redirected.c"), bytes_of(expected_utf8(1, u"exe_dt", bytes)));
}

TEST_F(Bin2src, EmptySourceIsRefusedAndLeavesNoDestination)
{
    std::string source = write("empty.bin", {});
    Result r = run({"-o", path("out.c"), source});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("'" + source + "' is empty (0 bytes): there is no data to convert"));
    EXPECT_FALSE(exists("out.c"));
    // From a pipe, and with --force onto a file that exists: nothing is created or replaced.
    write("keep.c", bytes_of("keep\n"));
    r = piped(source, "--force -o '" + path("keep.c") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("standard input is empty (0 bytes): there is no data to convert"));
    EXPECT_EQ(read("keep.c"), bytes_of("keep\n"));
    EXPECT_EQ(names(), (std::vector<std::string>{"empty.bin", "keep.c"}));
    r = run({}, {.input = source});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("standard input is empty (0 bytes): there is no data to convert"));
    EXPECT_EQ(r.out, "");
}

TEST_F(Bin2src, MissingSource)
{
    Result r = run({"-o", path("out.c"), path("no-such.bin")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("cannot open '" + path("no-such.bin") + "': " + std::strerror(ENOENT)));
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(exists("out.c")) << "nothing is created";
}

TEST_F(Bin2src, UnreadableSourceCreatesNoDestination)
{
    // A directory opens for reading on Linux but every read of it fails.
    mkdir(path("folder").c_str(), 0755);
    Result r = run({"-o", path("out.c"), path("folder")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, failed_unchanged("cannot read '" + path("folder") + "': " + std::strerror(EISDIR), path("out.c"),
                                      false));
    EXPECT_EQ(names(), std::vector<std::string>{"folder"});
}

TEST_F(Bin2src, SourceWithoutReadPermission)
{
    std::string source = write("secret.bin", random_bytes(10, 6));
    chmod(source.c_str(), 0);
    Redirect redirect;
    if (geteuid() == 0) {
        // Root reads any file; another user is needed to be refused.
        if (system("command -v setpriv >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "running as root without setpriv: no user here is refused a file";
        redirect.as_nobody = true;
    }
    Result r = run({"-e", "utf8", source}, redirect);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, line("cannot open '" + source + "': " + std::strerror(EACCES)));
    EXPECT_EQ(r.out, "");
}

TEST_F(Bin2src, ExistingDestinationIsKeptWithoutForce)
{
    std::vector<uint8_t> bytes = random_bytes(100, 7);
    std::string source = write("rom.bin", bytes);
    std::string destination = write("rom.c", bytes_of("old text"));
    Result r = run({"-o", destination, source});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("'" + destination + "' exists; it is not replaced without --force"));
    EXPECT_EQ(read(destination), bytes_of("old text"));
    // Replaced with --force; a longer old file shows when it is not truncated.
    write(destination, std::vector<uint8_t>(100000, 'x'));
    r = run({"--force", "-o", destination, source});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(first_difference(read(destination), utf16le(reference_source_text(1, u"exe_dt", bytes))), "");
}

TEST_F(Bin2src, DestinationThatIsTheSourceUnderAnyNameIsRefused)
{
    std::vector<uint8_t> bytes = random_bytes(5000, 8);
    std::string source = write("rom.bin", bytes);
    mkdir(path("sub").c_str(), 0755);
    ASSERT_EQ(link(source.c_str(), path("hard.bin").c_str()), 0);
    ASSERT_EQ(symlink(source.c_str(), path("soft.bin").c_str()), 0);
    const std::string names[] = {source, path("sub/../rom.bin"), path("./rom.bin"), path("hard.bin"),
                                 path("soft.bin")};
    for (const std::string &name : names) {
        for (bool force : {false, true}) {
            std::vector<std::string> args = {"-o", name, source};
            if (force)
                args.insert(args.begin(), "--force");
            Result r = run(args);
            EXPECT_EQ(r.status, 1) << name;
            EXPECT_EQ(r.err, line("'" + name + "' is the source file itself; it is never written to (choose another "
                                  "destination)"));
            EXPECT_EQ(read(source), bytes) << name << (force ? " with --force" : "");
        }
    }
    // A shell's ">>" onto the source, and the source given as standard input.
    Result r = run({source}, {.output = source, .append = true});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("standard output is the source file '" + source +
                          "' itself; it is not written to (choose another destination)"));
    EXPECT_EQ(read(source), bytes);
    r = run({"--force", "-o", path("hard.bin")}, {.input = source});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is the source file itself"), std::string::npos) << r.err;
    EXPECT_EQ(read(source), bytes);
    r = run({}, {.input = source, .output = source, .append = true});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("standard output is the same file as standard input; it is not written to (choose another "
                          "destination)"));
    EXPECT_EQ(read(source), bytes);
}

TEST_F(Bin2src, DestinationInAMissingFolder)
{
    std::string source = write("rom.bin", random_bytes(10, 9));
    Result r = run({"-o", path("missing/rom.c"), source});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              line("cannot create a file in the folder of '" + path("missing/rom.c") + "': " + std::strerror(ENOENT)));
    EXPECT_FALSE(exists("missing"));
}

TEST_F(Bin2src, WriteFailureOnStandardOutput)
{
    std::string source = write("rom.bin", random_bytes(1000, 10));
    // A conversion, and help and a segment, which fail too when they cannot be written.
    for (const std::vector<std::string> &args : {std::vector<std::string>{source}, {"--help"}, {"-s", "0", source}}) {
        Result r = run(args, {.output = "/dev/full"});
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err, line(std::string("cannot write standard output: ") + std::strerror(ENOSPC))) << args[0];
        // No standard output at all: the source, opened next, must not pass for it.
        r = run(args, {.output_closed = true});
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err, line(std::string("cannot write standard output: ") + std::strerror(EBADF))) << args[0];
    }
}

TEST_F(Bin2src, WriteFailureOnADeviceLeavesTheDevice)
{
    std::string source = write("rom.bin", random_bytes(1000, 11));
    Result r = run({"-o", "/dev/full", source});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("'/dev/full' exists; it is not replaced without --force"));
    r = run({"--force", "-o", "/dev/full", source});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line(std::string("cannot write '/dev/full': ") + std::strerror(ENOSPC)));
    EXPECT_TRUE(exists("/dev/full")) << "a device is never removed";
}

TEST_F(Bin2src, WriteFailureHalfWayLeavesEveryDestinationAsItWas)
{
    // A file-size limit stops the writes after the first block has gone out. The destination
    // is new, a file replaced with --force, a symbolic link to one, and one of two hard links.
    std::string source = write("rom.bin", random_bytes(1 << 20, 12));
    write("old.c", bytes_of("important\n"));
    ASSERT_EQ(symlink("old.c", path("link.c").c_str()), 0);
    write("one.c", bytes_of("linked\n"));
    ASSERT_EQ(link(path("one.c").c_str(), path("two.c").c_str()), 0);
    const std::vector<std::string> before = names();
    for (const char *name : {"new.c", "old.c", "link.c", "two.c"}) {
        bool existed = exists(name);
        Result r = run({"--force", "-o", path(name), source}, {.file_size_limit = 600000});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_EQ(r.err, failed_unchanged("cannot write '" + path(name) + "': " + std::strerror(EFBIG), path(name),
                                          existed));
        EXPECT_EQ(names(), before) << "no file made, none left behind, for " << name;
    }
    EXPECT_EQ(read("old.c"), bytes_of("important\n"));
    EXPECT_EQ(read("one.c"), bytes_of("linked\n"));
    char target[16] = {};
    EXPECT_EQ(readlink(path("link.c").c_str(), target, sizeof target - 1), 5);
    EXPECT_STREQ(target, "old.c");
}

TEST_F(Bin2src, ReplacedDestinationKeepsLinksAndPermissionBits)
{
    std::vector<uint8_t> bytes = random_bytes(70000, 17);
    std::string source = write("rom.bin", bytes);
    const std::vector<uint8_t> text = utf16le(reference_source_text(1, u"exe_dt", bytes));
    // A symbolic link: the file it names is replaced, the link stays; so is a link to a file
    // still to be made, which is made where the link points.
    write("target.c", bytes_of("old"));
    chmod(path("target.c").c_str(), 0640);
    mkdir(path("sub").c_str(), 0755);
    ASSERT_EQ(symlink("target.c", path("link.c").c_str()), 0);
    ASSERT_EQ(symlink("sub/later.c", path("dangling.c").c_str()), 0);
    // A hard link: the name given gets the text, the other name keeps the old file.
    write("one.c", bytes_of("old"));
    ASSERT_EQ(link(path("one.c").c_str(), path("two.c").c_str()), 0);
    for (const char *name : {"link.c", "dangling.c", "two.c"}) {
        Result r = run({"--force", "-o", path(name), source});
        ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    }
    struct stat st;
    ASSERT_EQ(lstat(path("link.c").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(first_difference(read("target.c"), text), "");
    ASSERT_EQ(stat(path("target.c").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_EQ(lstat(path("dangling.c").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(first_difference(read("sub/later.c"), text), "");
    EXPECT_EQ(first_difference(read("two.c"), text), "");
    EXPECT_EQ(read("one.c"), bytes_of("old"));
    EXPECT_EQ(names(), (std::vector<std::string>{"dangling.c", "link.c", "one.c", "rom.bin", "sub", "target.c",
                                                 "two.c"}));
}

std::string attribute_of(const std::string &file, const char *name)
{
    char value[256];
    ssize_t n = getxattr(file.c_str(), name, value, sizeof value);
    return n < 0 ? std::string("(none: ") + std::strerror(errno) + ")" : std::string(value, size_t(n));
}

TEST_F(Bin2src, ReplacedFileKeepsItsAclAttributesAndSetIdBitsAndWidensNothing)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "not root: the files of another user cannot be made here";
    if (run_program({"setfacl", "--version"}).status != 0)
        GTEST_SKIP() << "no setfacl here (Debian package acl)";
    std::string source = write("rom.bin", random_bytes(3000, 22));
    const std::vector<uint8_t> text = utf16le(reference_source_text(1, u"exe_dt", random_bytes(3000, 22)));

    // A named user in the ACL widens its mask beyond the owning group's own r--.
    std::string acl = write("acl.c", bytes_of("old"));
    ASSERT_EQ(chmod(acl.c_str(), 0640), 0);
    ASSERT_EQ(run_program({"setfacl", "-m", "u:nobody:rw", acl}).status, 0);
    ASSERT_EQ(setxattr(acl.c_str(), "user.origin", "rom", 3, 0), 0) << std::strerror(errno);
    std::string listed = acl_of(acl);
    ASSERT_NE(listed.find("group::r--"), std::string::npos) << listed;
    Result r = run({"--force", "-o", acl, source});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(first_difference(read(acl), text), "");
    EXPECT_EQ(acl_of(acl), listed);
    EXPECT_EQ(attribute_of(acl, "user.origin"), "rom");

    // Run by the owner, not root: set-user-ID and set-group-ID survive the writing. A file of
    // another owner and group becomes the runner's, and that group is given nothing.
    mkdir(path("own").c_str(), 0755);
    ASSERT_EQ(chown(path("own").c_str(), 65534, 65534), 0);
    const struct { const char *name; uid_t owner; mode_t before, after; std::string err; } cases[] = {
        {"own/tool", 65534, 06755, 06755, ""},
        {"own/root.c", 0, 06664, 0604,
         line("warning: '" + path("own/root.c") + "' now belongs to you, not to its owner: " + std::strerror(EPERM) +
              "; its set-user-ID bit is dropped") +
             line("warning: '" + path("own/root.c") + "' now has your group, not its own: " + std::strerror(EPERM) +
                  "; that group gets no access to it")},
    };
    for (const auto &c : cases) {
        std::string file = write(c.name, bytes_of("old"));
        ASSERT_EQ(chown(file.c_str(), c.owner, c.owner), 0);
        ASSERT_EQ(chmod(file.c_str(), c.before), 0);
        r = run({"--force", "-o", file, source}, {.as_nobody = true});
        ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_EQ(r.err, c.err) << c.name;
        struct stat st;
        ASSERT_EQ(stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.after) << c.name << std::oct << ": " << (st.st_mode & 07777);
        EXPECT_EQ(st.st_uid, 65534u) << c.name;
        EXPECT_EQ(st.st_gid, 65534u) << c.name;
        EXPECT_EQ(first_difference(read(file), text), "") << c.name;
    }
    EXPECT_EQ(names(), (std::vector<std::string>{"acl.c", "own", "rom.bin"}));
}

// FAT through FUSE has neither RENAME_NOREPLACE nor hard links, and takes no chmod.
TEST_F(Bin2src, FileSystemWithoutLinksCreatesOnlyNewFilesWithoutForce)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "not root: a FAT image cannot be mounted here";
    if (run_program({"sh", "-c", "command -v fusefat && command -v mkfs.vfat"}).status != 0)
        GTEST_SKIP() << "no fusefat or mkfs.vfat here (Debian packages fusefat, dosfstools)";
    std::string image = path("fat.img"), mount = path("fat");
    ASSERT_EQ(run_program({"truncate", "-s", "4M", image}).status, 0);
    ASSERT_EQ(run_program({"mkfs.vfat", image}).status, 0);
    mkdir(mount.c_str(), 0755);
    Result mounted = run_program({"fusefat", "-o", "rw+", image, mount});
    if (mounted.status != 0)
        GTEST_SKIP() << "fusefat could not mount a FAT image (no /dev/fuse?): " << mounted.err;
    struct Unmount {
        std::string mount;
        ~Unmount() { umount2(mount.c_str(), MNT_DETACH); }
    } unmount{mount};

    std::vector<uint8_t> bytes = random_bytes(5000, 23);
    std::string source = write("rom.bin", bytes);
    std::string destination = mount + "/rom.c";
    Result r = run({"-e", "utf8", "-o", destination, source});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<uint8_t> text = bytes_of(expected_utf8(1, u"exe_dt", bytes));
    EXPECT_EQ(first_difference(read(destination), text), "");
    r = run({"-o", destination, source});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("'" + destination + "' exists; it is not replaced without --force"));
    EXPECT_EQ(first_difference(read(destination), text), "");
    r = run({"--force", "-o", destination, source});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(first_difference(read(destination), utf16le(reference_source_text(1, u"exe_dt", bytes))), "");
    std::vector<std::string> left;
    for (const auto &entry : std::filesystem::directory_iterator(mount))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"rom.c"}) << "no temporary file or placeholder left";
}

TEST_F(Bin2src, SignalsLeaveTheDestinationAsItWas)
{
    // A sparse source of 64 GiB converts for minutes: each signal lands while the text is on
    // its way, once its temporary file has grown. The limit of 256 MiB (EFBIG) keeps a program
    // that would not stop from filling the disk.
    std::string source = path("huge.bin");
    ASSERT_EQ(close(open(source.c_str(), O_WRONLY | O_CREAT, 0644)), 0);
    ASSERT_EQ(truncate(source.c_str(), off_t(64) << 30), 0);
    write("out.c", bytes_of("old"));
    const std::string temporary_start = "out.c.bin2src-";
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ, SIGKILL}) {
        Redirect redirect{.file_size_limit = 256 << 20};
        if (signal == SIGXFSZ)
            redirect = {.file_size_limit = 1 << 20, .size_signal = true}; // sent by the system itself
        pid_t pid = start({BIN2SRC, "--force", "-o", path("out.c"), source}, redirect);
        ASSERT_GT(pid, 0);
        std::string temporary;
        for (int waited = 0; temporary.empty() && waited < 20000 && signal != SIGXFSZ; waited++) {
            for (const std::string &name : names()) {
                struct stat st;
                if (name.rfind(temporary_start, 0) == 0 && stat(path(name).c_str(), &st) == 0 && st.st_size > 0)
                    temporary = name;
            }
            if (temporary.empty())
                usleep(1000);
        }
        if (signal != SIGXFSZ) {
            EXPECT_FALSE(temporary.empty()) << "no temporary file seen";
            kill(pid, signal);
        }
        Result r = finish(pid);
        EXPECT_EQ(r.status, 128 + signal) << strsignal(signal) << ": " << r.err;
        EXPECT_EQ(read("out.c"), bytes_of("old")) << strsignal(signal);
        if (signal == SIGKILL) {
            // Nothing can clean up after this one: what is left says what it is.
            ASSERT_EQ(names(), (std::vector<std::string>{"huge.bin", "out.c", temporary}));
            EXPECT_EQ(temporary.size(), temporary_start.size() + 8 + 5) << temporary;
            EXPECT_EQ(temporary.substr(temporary.size() - 5), ".part") << temporary;
        } else {
            EXPECT_EQ(names(), (std::vector<std::string>{"huge.bin", "out.c"})) << strsignal(signal);
        }
    }
}

TEST_F(Bin2src, FileThatSaysItHoldsNothingIsReadToItsEnd)
{
    // Files of /proc say they hold 0 bytes. The environment of the program itself is one whose
    // bytes the test knows: a single variable, longer than a segment.
    const std::string variable = "BIG=" + std::string(70000, 'x');
    std::vector<uint8_t> bytes = bytes_of(variable);
    bytes.push_back(0);
    Result r = run_program({"env", "-i", variable, BIN2SRC, "-e", "utf8", "/proc/self/environ"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_utf8(1, u"exe_dt", bytes));
    r = run_program({"env", "-i", variable, BIN2SRC, "-s", "1", "/proc/self/environ"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, formatted(bytes, 1, ViewMode::Normal));
    r = run_program({"env", "-i", variable, BIN2SRC, "-s", "2", "/proc/self/environ"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("segment 2 is past the end: '/proc/self/environ' holds 70005 bytes, segments 0 to 1"));
}

TEST_F(Bin2src, BadOptionsAreRefusedWithTheirReason)
{
    std::string source = write("rom.bin", random_bytes(10, 13));
    const std::string hint = "\nTry 'bin2src --help' for the options and examples.\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--colour", source}, "unknown option '--colour'"},
        {{"-x", source}, "unknown option '-x'"},
        {{"-hx"}, "unknown option '-hx'"},
        {{"--force=yes", source}, "option '--force' takes no value"},
        {{source, "-o"}, "option '-o' needs a value"},
        {{"-f", "pascal", source}, "unknown format 'pascal': c, asm or basic"},
        {{"--encoding=latin1", source}, "unknown encoding 'latin1': utf16le or utf8"},
        {{"--view=wide", source}, "unknown view 'wide': normal, c, asm or basic"},
        {{"-s", "-1", source}, "bad segment number '-1': a decimal number from 0 is expected"},
        {{"-s", "1x", source}, "bad segment number '1x': a decimal number from 0 is expected"},
        {{"-s", "140737488355328", source}, "bad segment number '140737488355328': a decimal number from 0 is expected"},
        {{source, source}, "more than one source: '" + source + "' (convert one file at a time)"},
        {{"-s", "0", "-o", "x.c", source},
         "'-o' belongs to a conversion; --segment and --view print a segment in UTF-8 on standard output"},
        // The build styles' names are names of C and of the assemblers.
        {{"-t", "c", "-n", "my-data 1", source}, "the data name 'my-data 1' is not a C name: it has '-'; letters, "
                                                 "digits and '_' only"},
        {{"--style=nasm", "--name=9abc", source}, "the data name '9abc' is not a C name: it starts with a digit"},
        {{"-t", "c-source", "-n", "class", source}, "the data name 'class' is a keyword of C or C++"},
        {{"-t", "c", write(std::string(64, 'b'), {1}), "-o", "x.c"},
         "the data name made from the file's name, '" + std::string(64, 'b') +
             "', is too long: at most 63 characters; give a name with --name"},
        {{"-t", "gas", "-n", std::string(64, 'a'), source},
         "the data name '" + std::string(64, 'a') + "' is too long: at most 63 characters"},
        {{"-t", "pascal", source}, "unknown style 'pascal': window, c, c-header, c-source, gas, nasm, incbin, c-incbin, "
                                   "c-string, c-embed, values or plain"},
        {{"-t", "gas", "-f", "asm", source},
         "'-f' belongs to the window's text; the build styles are C or assembler text in UTF-8"},
        {{"--case=lower", source}, "'--case=lower' belongs to the build styles (--style); the window's text has "
                                   "upper-case digits, 16 bytes a line"},
        {{"-t", "c", "-c", "257", source}, "bad number of bytes a line '257': 1 to 256"},
        {{"-t", "c-string", "--case=upper", source}, "'--case=upper' does not go with --style=c-string, whose bytes are "
                                                    "characters and octal escapes, with no hexadecimal digit"},
        // Where the assembler styles put the bytes, and what only a file can give.
        {{"-t", "gas", "--align=24", source}, "bad alignment '24': a power of two from 1 to 8192"},
        {{"-t", "gas", "--align=16384", source}, "bad alignment '16384': a power of two from 1 to 8192"},
        {{"-t", "nasm", "--section=.data,\"aw\"", source},
         "the section name '.data,\"aw\"' has ',': ASCII letters, digits, '_', '.' and '$' only"},
        {{"-t", "gas", "--section=1data", source}, "the section name '1data' starts with a digit"},
        {{"-t", "c-source", "--section=.data", source},
         "'--section=.data' places the bytes of the assembler styles: gas, nasm, incbin and c-incbin"},
        {{"--align=4", source}, "'--align=4' belongs to the build styles (--style); the window's text has upper-case "
                                "digits, 16 bytes a line"},
        {{"-t", "incbin", "-n", "x", "-"}, "the style 'incbin' names its source in the text: give a file, not "
                                           "standard input"},
        {{"-r", "-t", "c", source},
         "'-t' shapes the text; --reverse reads any text bin2src writes and takes only --output and --force"},
        // Slices, the bare styles and the terminator.
        {{"--offset=-1", source}, "bad offset '-1': a number of bytes is expected, decimal or hexadecimal after 0x"},
        {{"-l", "0x", source}, "bad length '0x': a number of bytes is expected, decimal or hexadecimal after 0x"},
        {{"--length=18446744073709551616", source},
         "bad length '18446744073709551616': a number of bytes is expected, decimal or hexadecimal after 0x"},
        {{"-r", "--offset=4", source}, "'--offset=4' takes a slice of a source; --reverse reads the whole text"},
        {{"-s", "0", "-l", "4", source},
         "'-l' belongs to a conversion; --segment and --view print a segment in UTF-8 on standard output"},
        {{"-t", "values", "-n", "x", source},
         "'-n' does not go with --style=values or plain, which write the bytes alone, in UTF-8"},
        {{"-z", source}, "'-z' belongs to the build styles (--style); the window's text is its export, byte for byte"},
        {{"-t", "c", "--nul=twice", source}, "unknown terminator count 'twice': counted or uncounted"},
    };
    for (const auto &[args, reason] : cases) {
        Result r = run(args);
        EXPECT_EQ(r.status, 2) << reason;
        EXPECT_EQ(r.err, "bin2src: " + reason + hint);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(exists("x.c"));

    // An argument too long to show whole is cut between two characters (of two bytes, the
    // limit falling inside one), and the words after it and the hint still come.
    std::string huge;
    for (int i = 0; i < 6000; i++)
        huge += "\xC3\xA9";
    Result r = run({"-xy" + huge});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err == "bin2src: unknown option '-xy" + huge.substr(0, NAME_SHOWN_MAX - 4) + "...'" + hint)
        << r.err.substr(0, 40) << " ... " << r.err.substr(r.err.size() - std::min<size_t>(r.err.size(), 80));
    r = run({"-o", path(huge), source});
    EXPECT_EQ(r.status, 1);
    std::string reason = std::string("': ") + std::strerror(ENAMETOOLONG) + "\n";
    EXPECT_TRUE(r.err.size() > reason.size() && r.err.substr(r.err.size() - reason.size()) == reason)
        << r.err.substr(r.err.size() - std::min<size_t>(r.err.size(), 80));
    EXPECT_LT(r.err.size(), MESSAGE_CAPACITY);
    EXPECT_GE(utf8_to_utf16(r.err.c_str(), nullptr, 0), 0) << "whole characters only";
}

TEST_F(Bin2src, DataNameLongerThanFifteenIsRefusedNotCut)
{
    std::vector<uint8_t> bytes = random_bytes(20, 14);
    std::string source = write("rom.bin", bytes);
    Result r = run({"-n", "abcdefghijklmnop", "-o", path("out.c"), source});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, line("the data name 'abcdefghijklmnop' is too long: 16 characters, at most 15 are allowed\n"
                          "Try 'bin2src --help' for the options and examples."));
    EXPECT_FALSE(exists("out.c"));
    // Counted in UTF-16 units, as the window's dialog counts them: 14 + a pair is 16.
    std::string long_name = utf8(u"あいうえおかきくけこさしすせ𝄞");
    r = run({"-n", long_name, source});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("too long: 16 characters"), std::string::npos) << r.err;
    r = run({"-n", "bad\xC0\x80name", source});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is not valid Unicode"), std::string::npos) << r.err;
    r = run({"-n", "abcdefghijklmno", "-e", "utf8", source});
    EXPECT_EQ(r.status, 0) << "15 characters are fine";
    EXPECT_EQ(r.out, expected_utf8(1, u"abcdefghijklmno", bytes));
}

TEST_F(Bin2src, TerminalAsStandardInputIsNotTakenForASource)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo-terminal to stand for a terminal here";
    Result r = run({"-e", "utf8"}, {.input = ptsname(master)});
    close(master);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("no source: name a file, or send the bytes to standard input (see 'bin2src --help')"));
}

TEST_F(Bin2src, HelpExplainsEveryOptionWithExamples)
{
    Result r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (const char *option : {"-f, --format=FORMAT", "-n, --name=NAME", "-o, --output=FILE", "-e, --encoding=ENC",
                               "--force", "-s, --segment=N", "-v, --view=VIEW", "-h, --help", "exe_dt", "utf16le",
                               "utf8", "Exit status", "Examples:\n  bin2src "})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    EXPECT_EQ(run({"-h"}).out, r.out);
    EXPECT_EQ(run({"-f", "asm", "--help", "--bogus"}).status, 0) << "help comes first";

    // GNU's form, which help2man turns into the man page: name (package) version, a licence line.
    Result v = run({"--version", "--bogus"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.err, "");
    EXPECT_EQ(v.out.substr(0, v.out.find('\n') + 1), "bin2src (VORDA) " VORDA_VERSION "\n");
    EXPECT_NE(v.out.find("License"), std::string::npos) << v.out;
    EXPECT_EQ(std::count(v.out.begin(), v.out.end(), '\n'), 2) << v.out;
    EXPECT_NE(r.out.find("--version"), std::string::npos) << "the help names --version";
}

TEST_F(Bin2src, SegmentInEachRenderingIsTheFormattersText)
{
    std::vector<uint8_t> bytes = random_bytes(3 * SEGMENT_SIZE + 17, 15);
    std::string source = write("rom.bin", bytes);
    const char *views[] = {"normal", "c", "asm", "basic"};
    for (int view = 0; view <= 3; view++) {
        for (uint64_t segment = 0; segment <= 3; segment++) {
            Result r = run({"--view", views[view], "--segment", std::to_string(segment), source});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, formatted(bytes, segment, ViewMode(view))) << views[view] << ", segment " << segment;
        }
    }
    // --segment alone shows the hex dump; --view alone shows segment 0.
    EXPECT_EQ(run({"-s", "1", source}).out, formatted(bytes, 1, ViewMode::Normal));
    EXPECT_EQ(run({"-v", "asm", source}).out, formatted(bytes, 0, ViewMode::Asm));
    // Read through from a pipe, in pieces, to the same text.
    Result r = piped(source, "-s 2 -v basic");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, formatted(bytes, 2, ViewMode::Basic));
}

TEST_F(Bin2src, SegmentTextSpelledOut)
{
    // The view's own example line, with its character column in UTF-8 (ÿ is C3 BF).
    std::vector<uint8_t> bytes = {0x41, 0x42, 0x00, 0xFF, 0x41, 0x42, 0x00, 0xFF, 0x41,
                                  0x42, 0x00, 0xFF, 0x41, 0x42, 0x00, 0xFF, 0x7E};
    std::string source = write("line.bin", bytes);
    EXPECT_EQ(run({"-v", "normal", source}).out,
              "0000:41 42 00 FF 41 42 00 FF 41 42 00 FF 41 42 00 FF AB \xC3\xBF" "AB \xC3\xBF" "AB \xC3\xBF"
              "AB \xC3\xBF\r\n"
              "0010:7E" + std::string(1 + 15 * 3, ' ') + "~" + std::string(15, ' ') + "\r\n");
    EXPECT_EQ(run({"-v", "c", source}).out,
              "0000:0x41,0x42,0x00,0xFF,0x41,0x42,0x00,0xFF,0x41,0x42,0x00,0xFF,0x41,0x42,0x00,0xFF,\r\n"
              "0010:0x7E,\r\n");
}

TEST_F(Bin2src, SegmentsOfAPositionedStandardInputCountFromItsPosition)
{
    // Another reader took 16 bytes of the same open file first: every segment, and the range,
    // count from there, as a conversion reads from there.
    std::vector<uint8_t> bytes = random_bytes(2 * SEGMENT_SIZE + 100, 18);
    std::string source = write("rom.bin", bytes);
    std::vector<uint8_t> rest(bytes.begin() + 16, bytes.end());
    Redirect positioned{.input = source, .input_offset = 16};
    for (uint64_t segment = 0; segment <= 2; segment++) {
        Result r = run({"-s", std::to_string(segment)}, positioned);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, formatted(rest, segment, ViewMode::Normal)) << "segment " << segment;
    }
    Result r = run({"-s", "3"}, positioned);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("segment 3 is past the end: standard input holds 131156 bytes, segments 0 to 2"));
    r = run({"-e", "utf8"}, positioned);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected_utf8(1, u"exe_dt", rest));
}

TEST_F(Bin2src, SegmentPastTheEndIsRefused)
{
    std::vector<uint8_t> bytes = random_bytes(2 * SEGMENT_SIZE, 16);
    std::string source = write("rom.bin", bytes);
    Result r = run({"-s", "2", source});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, line("segment 2 is past the end: '" + source + "' holds 131072 bytes, segments 0 to 1"));
    r = piped(source, "-s 5");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("segment 5 is past the end: standard input holds 131072 bytes, segments 0 to 1"));
    // An empty file has segment 0, and it is empty, as the window shows it.
    std::string empty = write("empty.bin", {});
    r = run({"-s", "0", "-v", "c", empty});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = run({"-s", "1", empty});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("segment 1 is past the end: '" + empty + "' holds 0 bytes, segments 0 to 0"));
    r = run({"-s", "0", path("missing.bin")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("cannot open '" + path("missing.bin") + "': " + std::strerror(ENOENT)));
}

TEST_F(Bin2src, PlainHexAndSlicesAreXxdsAndValuesAreTheCStylesCells)
{
    // xxd -p, -s and -l are the reference: the same text for the same bytes, slice and columns,
    // from a file and from a pipe. Sizes around a line of plain hex (30) and of values (16).
    if (system("command -v xxd >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no xxd on this machine to compare with";
    std::vector<uint8_t> bytes = random_bytes(65537, 19);
    std::string whole = write("whole.bin", bytes);
    auto xxd = [&](const std::string &options) { return run_program({"/bin/sh", "-c", "xxd -p " + options}).out; };
    for (size_t size : {0, 1, 16, 29, 30, 31, 65537}) {
        std::string source = write("data.bin", std::vector<uint8_t>(bytes.begin(), bytes.begin() + ptrdiff_t(size)));
        Result r = run({"-t", "plain", source});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, xxd("'" + source + "'")) << size << " bytes";
        // The values are the C style's data lines, in its case and columns.
        for (const std::vector<std::string> &shape : {std::vector<std::string>{}, {"--case=lower", "-c", "7"}}) {
            std::vector<std::string> args = {"-t", "values", source};
            args.insert(args.begin(), shape.begin(), shape.end());
            Result values = run(args);
            args[shape.size() + 1] = "c";
            std::string c = run(args).out;
            size_t from = c.find("= {\n") + 4, to = c.rfind("};\n");
            EXPECT_EQ(values.out, size == 0 ? "" : c.substr(from, to - from)) << size << " bytes";
        }
    }
    const struct {
        std::string bin2src, xxd;
    } slices[] = {
        {"--offset=0 -l 1", "-s 0 -l 1"}, {"--offset=0x1F -c 7", "-s 31 -c 7"}, {"-l 0x10000 --offset 5", "-s 5 -l 65536"},
        {"--offset=65536 --case=upper", "-s 65536 -u"}, {"--offset=1000 -l 100000", "-s 1000 -l 100000"},
    };
    for (const auto &slice : slices) {
        std::string expected = xxd(slice.xxd + " '" + whole + "'");
        Result r = run_program({"/bin/sh", "-c", "'" + std::string(BIN2SRC) + "' -t plain " + slice.bin2src + " '" + whole + "'"});
        EXPECT_EQ(r.out, expected) << slice.bin2src;
        r = piped(whole, "-t plain " + slice.bin2src);
        EXPECT_EQ(r.out, expected) << slice.bin2src << ", from a pipe";
    }
    // A slice of standard input leaves the rest where it was, for the next reader; from a file and
    // from a pipe.
    const std::string both = "{ '" + std::string(BIN2SRC) + "' -t plain --offset=5 -l 10; xxd -p; }";
    for (const std::string &command : {both + " < '" + whole + "'", "cat '" + whole + "' | " + both}) {
        Result r = run_program({"/bin/sh", "-c", command});
        EXPECT_EQ(r.out, xxd("-s 5 -l 10 '" + whole + "'") + xxd("-s 15 '" + whole + "'")) << command;
    }
    // Past the end is an error that says the size; at the end, the slice is empty.
    Result r = run({"-t", "plain", "--offset=65538", whole});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("offset 65538 is past the end: '" + whole + "' holds 65537 bytes"));
    r = piped(whole, "--offset=70000 -t c");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("offset 70000 is past the end: standard input holds 65537 bytes"));
    r = run({"-t", "plain", "--offset=65537", whole});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = run({"--offset=65537", "-o", path("out.c"), whole});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, line("the slice of '" + whole + "' at offset 65537 is empty (0 bytes): there is no data to convert"));
    EXPECT_FALSE(exists("out.c"));
}

TEST_F(Bin2src, ReadsBackWhatXxdWrites)
{
    // xxd's own texts of files around its line widths, of an empty one, and from a pipe.
    if (system("command -v xxd >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no xxd on this machine to write its texts";
    for (size_t size : {0, 1, 12, 13, 30, 31, 100003}) {
        std::string source = write("data.bin", random_bytes(size, unsigned(size) + 20));
        for (const char *xxd : {"xxd -i", "xxd -i -C", "xxd -i -c 5", "xxd -i -u", "xxd -i <", "xxd -p", "xxd -p -c 7",
                                "xxd -p -u"}) {
            Result r = run_program({"/bin/sh", "-c", "cd '" + dir + "' && " + xxd + " data.bin > data.txt && '" + BIN2SRC +
                                                         "' -r -o back.bin data.txt && cmp data.bin back.bin; rm -f back.bin"});
            EXPECT_EQ(r.status, 0) << xxd << ", " << size << " bytes: " << r.err << r.out;
        }
    }
}

} // namespace

TEST_F(Bin2src, ReverseWritesTheBytesOrNothing)
{
    // The C text of a file read back from a pipe, then the same text with a bad digit on its
    // thousandth line: the error names the place, and the destination stays as it was.
    std::vector<uint8_t> bytes = random_bytes(100000, 15);
    std::string source = write("data.bin", bytes);
    ASSERT_EQ(run({"-t", "c", "-o", path("data.h"), source}).status, 0);
    Result r = piped(path("data.h"), "-r");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(first_difference(bytes_of(r.out), bytes), "");

    std::vector<uint8_t> text = read("data.h");
    size_t at = 0;
    for (int line = 1; line < 1000; line++)
        at = size_t(std::find(text.begin() + ptrdiff_t(at), text.end(), '\n') - text.begin()) + 1;
    text[at + 4] = 'g'; // the low digit of the line's first byte: "\t0x?g,"
    write("bad.h", text);
    std::string out = write("out.bin", {'o', 'l', 'd'});
    r = run({"--reverse", "--force", "-o", out, path("bad.h")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, failed_unchanged(path("bad.h") + ":1000:5: a hexadecimal digit was expected", out, true));
    EXPECT_EQ(read("out.bin"), bytes_of("old"));
    EXPECT_EQ(names(), (std::vector<std::string>{"bad.h", "data.bin", "data.h", "out.bin"}));

    // A text that pulls the bytes in from the file names it, as it was given, and holds none.
    ASSERT_EQ(run({"-t", "c-incbin", "--force", "-o", path("data.h"), source}).status, 0);
    r = run({"--reverse", "--force", "-o", out, path("data.h")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, failed_unchanged(path("data.h") + ":19:8: the text takes its bytes from the file '" + source +
                                          "' (.incbin) and holds none itself: that file is the bytes",
                                      out, true));
    EXPECT_EQ(read("out.bin"), bytes_of("old"));
}

TEST_F(Bin2src, ProgressOnATerminalForALongRunAndThenCleared)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo-terminal to stand for a terminal here";
    std::string source = write("data.bin", random_bytes(300000, 16));
    // A source that pauses for 1.5 s halfway keeps the run going past a second, whatever the
    // machine's speed; the progress line is drawn at the next read after the pause.
    std::string slow = "{ head -c 150000 '" + source + "'; sleep 1.5; tail -c +150001 '" + source + "'; } | '" + BIN2SRC +
                       "' -o " + path("out.c") + " ";
    std::string terminal_text[2];
    for (int quiet = 0; quiet < 2; quiet++) {
        Result r = run_program({"/bin/sh", "-c", slow + (quiet ? "--no-progress" : "")}, {.error = ptsname(master)});
        EXPECT_EQ(r.status, 0);
        std::remove(path("out.c").c_str());
        char chunk[4096];
        int flags = fcntl(master, F_GETFL);
        fcntl(master, F_SETFL, flags | O_NONBLOCK);
        for (ssize_t n; (n = ::read(master, chunk, sizeof chunk)) > 0;)
            terminal_text[quiet].append(chunk, size_t(n));
    }
    // The text on the terminal too, as it is with no -o: the same pause, and no progress line on
    // it, for the line would stay among the text.
    Result r = run_program({"/bin/sh", "-c", "{ printf ab; sleep 1.5; printf cd; } | '" + std::string(BIN2SRC) +
                                                 "' -e utf8 -f asm"},
                           {.output = ptsname(master), .error = ptsname(master)});
    EXPECT_EQ(r.status, 0);
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = ::read(master, chunk, sizeof chunk)) > 0;)
        text.append(chunk, size_t(n));
    close(master);
    EXPECT_NE(text.find("exe_dt DB 61H,62H,63H,64H"), std::string::npos) << text;
    EXPECT_EQ(text.find(" bytes, "), std::string::npos) << text;
    const std::string &shown = terminal_text[0];
    EXPECT_NE(shown.find(" bytes, 1 s, "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" MB/s"), std::string::npos) << shown;
    // Cleared at the end: spaces over the line, and the cursor back at its start.
    size_t last = shown.rfind('\r', shown.size() - 2);
    ASSERT_NE(last, std::string::npos) << shown;
    EXPECT_EQ(shown.back(), '\r');
    EXPECT_EQ(shown.substr(last + 1, shown.size() - last - 2), std::string(shown.size() - last - 2, ' ')) << shown;
    EXPECT_EQ(terminal_text[1], "") << "--no-progress";
}
