// The converter's system layer on Linux: descriptors, open, read, write, and renameat2 with the
// extended attributes and ACLs of a replaced file. Paths are the bytes of the command line,
// passed on untouched.
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "cli/run.h"
#include "cli/system.h"
#include "common/temporary_name.h"

namespace {

const char *const *arguments;

// The file a destination's path finally names, symbolic links followed, and its temporary
// file beside it. Static: the signal handler removes the temporary file by this path.
char final_path[PATH_MAX];
char temporary_path[PATH_MAX];
char link_text[PATH_MAX];
volatile sig_atomic_t temporary_exists = 0;
dev_t temporary_device; // the temporary file's identity, once made
ino_t temporary_inode;
Argument destination_argument; // as given, for messages

// The signals that end a run early and are worth a clean-up. One that was ignored when the
// program started (nohup, or SIGXFSZ ignored so that a write fails with EFBIG) stays ignored.
constexpr int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ};

// Removes the temporary file, then ends the process by the same signal, as it would have ended.
void on_ending_signal(int signal)
{
    if (temporary_exists)
        unlink(temporary_path);
    raise(signal); // pending until this returns; SA_RESETHAND made the default action current
}

void catch_ending_signals()
{
    for (int s : ENDING_SIGNALS) {
        struct sigaction old;
        if (sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = on_ending_signal;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(s, &action, nullptr);
    }
}

// The ending signals held back while the temporary file changes hands, so that the handler
// never removes a file whose name is already the destination's, or misses one just made.
void hold_signals(bool hold)
{
    sigset_t set;
    sigemptyset(&set);
    for (int s : ENDING_SIGNALS)
        sigaddset(&set, s);
    sigprocmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

void take_identity(SystemFile &file, const struct stat &st)
{
    if (S_ISREG(st.st_mode)) {
        file.regular = true;
        file.volume = uint64_t(st.st_dev);
        file.index = uint64_t(st.st_ino);
    }
}

// Device and inode: two names, a hard link or a path through a symbolic link all meet here.
// Only regular files count; a terminal is both standard input and output without being
// "the same file" in any sense that matters.
bool is_source(const SystemFile &source, const struct stat &st)
{
    return source.regular && S_ISREG(st.st_mode) && source.volume == uint64_t(st.st_dev) &&
           source.index == uint64_t(st.st_ino);
}

bool write_all(int fd, const void *bytes, size_t count, int32_t &error)
{
    const char *p = static_cast<const char *>(bytes);
    while (count > 0) {
        ssize_t n = write(fd, p, count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        if (n == 0) {
            error = ENOSPC;
            return false;
        }
        p += n;
        count -= size_t(n);
    }
    return true;
}

const char *native(Argument path) { return arguments[path.index] + path.offset; }

// Follows symbolic links from path to the name of the file they lead to, which need not
// exist yet (a link to a file still to be made), into final_path. Resolved link by link rather
// than by realpath, which refuses a missing file. Returns 0 or the error.
int follow_links(const char *path)
{
    if (std::strlen(path) >= sizeof final_path)
        return ENAMETOOLONG;
    std::strcpy(final_path, path);
    for (int hops = 0; hops < 40; hops++) {
        ssize_t n = readlink(final_path, link_text, sizeof link_text);
        if (n < 0)
            return errno == EINVAL || errno == ENOENT ? 0 : errno; // not a link, or nothing there
        if (size_t(n) >= sizeof link_text)
            return ENAMETOOLONG;
        link_text[n] = 0;
        if (link_text[0] == '/') {
            std::memcpy(final_path, link_text, size_t(n) + 1);
        } else {
            // Relative to the folder that holds the link.
            char *slash = std::strrchr(final_path, '/');
            size_t folder = slash ? size_t(slash - final_path) + 1 : 0;
            if (folder + size_t(n) >= sizeof final_path)
                return ENAMETOOLONG;
            std::memcpy(final_path + folder, link_text, size_t(n) + 1);
        }
    }
    return ELOOP;
}

void remove_temporary()
{
    hold_signals(true);
    if (temporary_exists)
        unlink(temporary_path);
    temporary_exists = 0;
    hold_signals(false);
}

// final_path's temporary file, in temporary_path.
int name_temporary(uint32_t attempt)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    uint32_t token = temporary_token(uint64_t(getpid()), uint64_t(now.tv_sec) << 30 ^ uint64_t(now.tv_nsec), attempt);
    return temporary_name(final_path, std::strlen(final_path), token, temporary_path, sizeof temporary_path) == 0
               ? ENAMETOOLONG
               : 0;
}

// Creates the temporary file beside final_path. One that replaces a file is readable by its
// owner alone until it takes the old file's owner, attributes and permission bits at the end;
// a new file has those the process gives it.
int create_temporary(bool replaces, int &fd)
{
    for (uint32_t attempt = 0; attempt < 100; attempt++) {
        int error = name_temporary(attempt);
        if (error != 0)
            return error;
        hold_signals(true);
        fd = open(temporary_path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, replaces ? 0600 : 0666);
        error = errno;
        if (fd >= 0)
            temporary_exists = 1;
        hold_signals(false);
        if (fd >= 0) {
            // Whatever the umask took away, the owner reads it again at the end.
            if (replaces)
                (void)!fchmod(fd, 0600);
            struct stat st;
            if (fstat(fd, &st) != 0) {
                error = errno;
                close(fd);
                remove_temporary();
                return error;
            }
            temporary_device = st.st_dev;
            temporary_inode = st.st_ino;
            return 0;
        }
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

// ---- What a replaced file had, given to its successor

Message said;

// `warning` first if given, then the words around the destination's name and the system's
// reason, on standard error: what happened to what the replaced file had.
void say(const char *warning, const char *before, const char *after, int error, const char *more = "")
{
    message_start(said, warning, "", before);
    message_append_name(said, native(destination_argument));
    message_append(said, after);
    message_append(said, std::strerror(error));
    message_append(said, more);
    report(said);
}

// Linux's form of system.posix_acl_access: a version of 4 bytes, then entries of 8: a tag, the
// permissions and an id.
constexpr size_t ACL_HEADER = 4, ACL_ENTRY = 8;
constexpr uint16_t ACL_GROUP_OBJ = 0x04, ACL_MASK = 0x10;
constexpr char ACL_NAME[] = "system.posix_acl_access";

// Where the entry with that tag is, or 0 when there is none.
size_t acl_entry(const uint8_t *acl, size_t size, uint16_t tag)
{
    for (size_t at = ACL_HEADER; at + ACL_ENTRY <= size; at += ACL_ENTRY) {
        uint16_t t;
        std::memcpy(&t, acl + at, sizeof t);
        if (t == tag)
            return at;
    }
    return 0;
}

// The permissions of the entry with that tag; `missing` when there is none.
int acl_permissions(const uint8_t *acl, size_t size, uint16_t tag, int missing)
{
    size_t at = acl_entry(acl, size, tag);
    return at == 0 ? missing : acl[at + 2] & 7;
}

// The names and one value of the extended attributes, each of the system's largest size.
char attribute_names[65536];
uint8_t attribute_value[65536], attribute_present[65536];

// Copies the extended attributes of the file at `old` to the file open at fd, its ACL among them.
// When the ACL cannot be copied, the new file has none, and its group bits, which were the ACL's
// mask, become what the ACL gave the owning group: the users and groups it named lose their
// access, nobody gains any. Other attributes that cannot be copied are said and left, but a
// security label (all of the security namespace but the file's capabilities, whose loss takes
// privilege away) might be what keeps others out: that refuses the replacement. group_kept
// false: the new file has another group, whose ACL entry then grants nothing.
int copy_attributes(int fd, const char *old, bool group_kept, mode_t &mode)
{
    ssize_t listed = llistxattr(old, attribute_names, sizeof attribute_names);
    if (listed < 0) {
        if (errno != ENOTSUP && errno != ENOSYS)
            say(WARNING, "the extended attributes of '", "' could not be read, and are not kept: ", errno);
        return 0;
    }
    for (ssize_t at = 0; at < listed; at += ssize_t(std::strlen(attribute_names + at)) + 1) {
        const char *name = attribute_names + at;
        bool is_acl = std::strcmp(name, ACL_NAME) == 0;
        ssize_t size = lgetxattr(old, name, attribute_value, sizeof attribute_value);
        if (size < 0 && errno == ENODATA)
            continue; // removed meanwhile
        int error = size < 0 ? errno : 0;
        if (error == 0 && is_acl && !group_kept) {
            size_t entry = acl_entry(attribute_value, size_t(size), ACL_GROUP_OBJ);
            if (entry != 0)
                attribute_value[entry + 2] = attribute_value[entry + 3] = 0;
        }
        // A label that the new file took from its folder may be the old one already.
        ssize_t present = error == 0 ? fgetxattr(fd, name, attribute_present, sizeof attribute_present) : -1;
        bool same = error == 0 && present == size && std::memcmp(attribute_present, attribute_value, size_t(present)) == 0;
        if (error == 0 && !same && fsetxattr(fd, name, attribute_value, size_t(size), 0) != 0)
            error = errno;
        int mask = size > 0 ? acl_permissions(attribute_value, size_t(size), ACL_MASK, 7) : 0;
        if (error == 0) {
            if (is_acl) // the mode's group bits are the mask of a file's ACL
                mode = (mode & ~mode_t(S_IRWXG)) | mode_t(mask << 3);
            continue;
        }
        if (is_acl) {
            int group = size > 0 ? acl_permissions(attribute_value, size_t(size), ACL_GROUP_OBJ, 0) : 0;
            mode = (mode & ~mode_t(S_IRWXG)) | mode_t((group & mask) << 3);
            say(WARNING, "the access control list of '", "' could not be kept: ", error,
                "; the users and groups it named lose their access");
            continue;
        }
        static Message words;
        bool label = std::strncmp(name, "security.", 9) == 0 && std::strcmp(name, "security.capability") != 0;
        message_start(words, label ? "cannot keep the security attribute " : "the extended attribute ", name, " of '");
        say(label ? "" : WARNING, words.text, label ? "': " : "' could not be kept: ", error);
        if (label)
            return error;
    }
    return 0;
}

// Gives the temporary file, closed and whole, what the file it replaces had: its owner and group
// where the system lets us (root, or a member of the group), its extended attributes, then its
// permission bits, last, because a write or a change of owner clears set-user-ID and
// set-group-ID. What cannot be kept is said on standard error, and never leaves anyone more
// access than the old file gave: a bit that would is dropped, and where that cannot be done the
// replacement is refused. 0, or the error that refuses it, said already.
int carry_over(const struct stat &old)
{
    // Opened again by name: it must still be the file this run made.
    int fd = open(temporary_path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_dev != temporary_device || st.st_ino != temporary_inode) {
        int error = fd < 0 ? errno : ESTALE;
        if (fd >= 0)
            close(fd);
        say("", "cannot give the new text of '", "' what the old file had: ", error);
        return error;
    }
    mode_t mode = old.st_mode & 07777;
    int refused = 0;
    if (st.st_uid != old.st_uid || st.st_gid != old.st_gid) {
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
            refused = errno;
            if (st.st_gid != old.st_gid && fchown(fd, uid_t(-1), old.st_gid) != 0)
                refused = errno;
        }
        fstat(fd, &st);
    }
    if (st.st_uid != old.st_uid) {
        mode &= ~mode_t(S_ISUID);
        say(WARNING, "'", "' now belongs to you, not to its owner: ", refused,
            old.st_mode & S_ISUID ? "; its set-user-ID bit is dropped" : "");
    }
    bool group_kept = st.st_gid == old.st_gid;
    if (!group_kept) {
        mode &= ~mode_t(S_ISGID | S_IRWXG);
        say(WARNING, "'", "' now has your group, not its own: ", refused, "; that group gets no access to it");
    }
    int error = copy_attributes(fd, final_path, group_kept, mode);
    if (error == 0 && fchmod(fd, mode) != 0) {
        // Some file systems (FAT) give every file the same bits and take no others: no loss, as
        // long as the new file has no bit that the old one had not.
        error = errno;
        if (fstat(fd, &st) == 0 && (st.st_mode & 07777 & ~mode) == 0) {
            if ((st.st_mode & 07777) != mode)
                say(WARNING, "the permission bits of '", "' could not all be kept: ", error);
            error = 0;
        } else {
            say("", "cannot give the new text of '", "' the old file's permission bits: ", error);
        }
    }
    close(fd);
    return error;
}
// For a file system with neither RENAME_NOREPLACE nor hard links (FAT through FUSE): the name
// is taken first by an empty file made with O_EXCL, which fails on any file there, and the text
// is renamed over that placeholder only while the name still leads to it, empty: whatever took
// the name meanwhile is left alone. A reader sees the empty file until the rename.
int rename_over_placeholder()
{
    int fd = open(final_path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    struct stat made, now;
    bool known = fstat(fd, &made) == 0;
    close(fd);
    auto still_ours = [&] {
        return known && lstat(final_path, &now) == 0 && now.st_dev == made.st_dev && now.st_ino == made.st_ino &&
               now.st_size == 0;
    };
    if (!still_ours())
        return EEXIST;
    if (rename(temporary_path, final_path) == 0)
        return 0;
    int error = errno;
    if (still_ours())
        unlink(final_path);
    return error;
}

// Gives the temporary file the destination's name; 0 or the error (EEXIST: a file took the
// name meanwhile and force was not given). Runs with the ending signals held.
int rename_temporary(bool force, bool exists)
{
    if (!force) {
        // The name must still be free: the rename does not take it from a file that appeared
        // meanwhile.
        if (renameat2(AT_FDCWD, temporary_path, AT_FDCWD, final_path, RENAME_NOREPLACE) == 0)
            return 0;
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
        // A file system without the flag: a hard link fails as well on an existing name.
        if (link(temporary_path, final_path) == 0) {
            unlink(temporary_path);
            return 0;
        }
        if (errno != EPERM && errno != ENOTSUP && errno != ENOSYS)
            return errno;
        return rename_over_placeholder();
    }
    // ext4 flushes a file renamed over another (auto_da_alloc), which takes a third of a second
    // for a large text. An exchange is as atomic (the name holds either the whole old text or
    // the whole new one) and flushes nothing; the old file, now under the temporary name, goes.
    if (exists && renameat2(AT_FDCWD, temporary_path, AT_FDCWD, final_path, RENAME_EXCHANGE) == 0) {
        if (unlink(temporary_path) == 0)
            return 0;
        // Not a file any more (a folder put there meanwhile): back where it was.
        int error = errno;
        renameat2(AT_FDCWD, temporary_path, AT_FDCWD, final_path, RENAME_EXCHANGE);
        return error;
    }
    // Nothing to exchange with, or a file system without exchanges.
    return rename(temporary_path, final_path) == 0 ? 0 : errno;
}

} // namespace

int main(int argc, char **argv)
{
    arguments = argv;
    // A standard stream that the caller closed would otherwise be the next file opened: the
    // source would then pass for standard output. Such a stream is held by /dev/null, opened
    // the other way round, so that using it fails as a closed one does (EBADF).
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; fd++)
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            int held = open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
            if (held >= 0 && held != fd) {
                dup2(held, fd);
                close(held);
            }
        }
    return bin2src_main(argc, argv);
}

bool system_is_terminal(StandardStream stream)
{
    int fd = stream == StandardStream::Input    ? STDIN_FILENO
           : stream == StandardStream::Output ? STDOUT_FILENO
                                              : STDERR_FILENO;
    return isatty(fd) == 1;
}

uint64_t system_clock_ms()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000 + uint64_t(now.tv_nsec) / 1000000;
}

bool system_open_source(Argument path, SystemFile &file)
{
    file = SystemFile{};
    file.path = path;
    file.handle = -1;
    int fd = path.index == STANDARD_STREAM ? STDIN_FILENO : open(native(path), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        file.error = errno;
        return false;
    }
    file.handle = fd;
    struct stat st;
    if (fstat(fd, &st) == 0)
        take_identity(file, st);
    if (file.regular)
        posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

Outcome system_create_destination(Argument where, bool force, const SystemFile &source, SystemFile &file)
{
    file = SystemFile{};
    file.path = where;
    file.handle = -1;
    const char *path = native(where);
    struct stat st;
    bool exists = stat(path, &st) == 0;
    if (!exists && errno != ENOENT) {
        file.error = errno;
        return Outcome::CreateFailed;
    }
    // Refused for being the source before anything else: the user learns that the two names
    // are one file.
    if (exists && is_source(source, st))
        return Outcome::IsSource;
    if (exists && !force)
        return Outcome::Exists;
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a FIFO is written as it is: it cannot be renamed over, nor emptied.
        int fd = open(path, O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            file.error = errno;
            return Outcome::CreateFailed;
        }
        file.handle = fd;
        return Outcome::Done;
    }

    int error = follow_links(path);
    struct stat at_end;
    if (error == 0 && exists &&
        (stat(final_path, &at_end) != 0 || at_end.st_dev != st.st_dev || at_end.st_ino != st.st_ino))
        error = EINVAL; // a link that names no path, such as /proc/self/fd/N of a deleted file
    if (error != 0) {
        file.error = error;
        return Outcome::CreateFailed;
    }
    file.temporary = true;
    file.replaces = exists;
    destination_argument = where;
    catch_ending_signals();
    int fd = -1;
    error = create_temporary(exists, fd);
    if (error != 0) {
        file.error = error;
        return Outcome::CreateFailed;
    }
    file.handle = fd;
    return Outcome::Done;
}

bool system_open_output(const SystemFile &source, SystemFile &file)
{
    file = SystemFile{};
    file.path = STANDARD_ARGUMENT;
    file.handle = STDOUT_FILENO;
    struct stat st;
    return !(fstat(STDOUT_FILENO, &st) == 0 && is_source(source, st));
}

int64_t system_read(SystemFile &file, uint8_t *into, size_t capacity)
{
    for (;;) {
        ssize_t n = read(int(file.handle), into, capacity);
        if (n >= 0)
            return n;
        if (errno != EINTR) {
            file.error = errno;
            return -1;
        }
    }
}

bool system_write(SystemFile &file, const void *bytes, size_t count)
{
    return write_all(int(file.handle), bytes, count, file.error);
}

bool system_remaining(SystemFile &file, uint64_t &count)
{
    struct stat st;
    if (!file.regular || fstat(int(file.handle), &st) != 0)
        return false;
    off_t at = lseek(int(file.handle), 0, SEEK_CUR);
    if (at < 0)
        return false;
    count = st.st_size > at ? uint64_t(st.st_size - at) : 0;
    return true;
}

bool system_skip(SystemFile &file, uint64_t count)
{
    return file.regular && count <= uint64_t(INT64_MAX) && lseek(int(file.handle), off_t(count), SEEK_CUR) >= 0;
}

bool system_close(SystemFile &file)
{
    if (file.path.index == STANDARD_STREAM || file.handle < 0)
        return true;
    int fd = int(file.handle);
    file.handle = -1;
    // Closed once whatever the result: after EINTR the descriptor is already gone on Linux.
    if (close(fd) != 0 && errno != EINTR) {
        file.error = errno;
        return false;
    }
    return true;
}

void system_abandon(const SystemFile &file)
{
    if (file.temporary)
        remove_temporary();
}

Outcome system_finish(SystemFile &file, bool force, const SystemFile &source)
{
    if (!file.temporary)
        return Outcome::Done;

    // What holds the destination's name now, which may have changed while the text was written.
    struct stat st;
    bool exists = stat(final_path, &st) == 0;
    if (exists && is_source(source, st))
        return Outcome::IsSource;
    if (exists && !force)
        return Outcome::Exists;
    if (exists && S_ISREG(st.st_mode) && carry_over(st) != 0)
        return Outcome::NotKept;

    hold_signals(true);
    int error = rename_temporary(force, exists);
    if (error == 0)
        temporary_exists = 0;
    hold_signals(false);
    if (error == EEXIST)
        return Outcome::Exists;
    file.error = error;
    return error == 0 ? Outcome::Done : Outcome::RenameFailed;
}

const char *system_argument(Argument path) { return native(path); }

void system_error_text(Message &m, int32_t code) { message_append(m, std::strerror(code)); }

bool system_print_output(const char *text, size_t count, int32_t &error)
{
    return write_all(STDOUT_FILENO, text, count, error);
}

void system_print_error(const char *text, size_t count)
{
    int32_t error = 0;
    write_all(STDERR_FILENO, text, count, error);
}
