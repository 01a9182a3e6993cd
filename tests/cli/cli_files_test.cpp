// The built bin2src and the files around it: sources it cannot read, destinations it must not
// touch, replacements that keep what the old file had, and every way a write can fail.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>

#include "cli_fixture.h"

namespace {

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

} // namespace
