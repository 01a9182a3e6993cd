// The converter's system layer on POSIX: descriptors, open, read, write, rename. Paths are the
// bytes of the command line, passed on untouched.
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/options.h"
#include "cli/system.h"

namespace {

const char *const *arguments;

// The file a destination's path finally names, symbolic links followed, and its temporary
// file beside it. Static: the signal handler removes the temporary file by this path.
char final_path[PATH_MAX];
char temporary_path[PATH_MAX];
char link_text[PATH_MAX];
volatile sig_atomic_t temporary_exists = 0;

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

// A fresh token for each try: the process, the clock and the try mixed into 32 bits.
uint32_t temporary_token(int attempt)
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    uint64_t x = uint64_t(getpid()) << 32 ^ uint64_t(now.tv_nsec) ^ uint64_t(now.tv_sec) << 20 ^ uint64_t(attempt);
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDull;
    x ^= x >> 33;
    return uint32_t(x);
}

// final_path with the temporary mark, a token and the ending, in temporary_path. A name that
// would pass the system's limit of 255 bytes is shortened at a character boundary first.
int name_temporary(int attempt)
{
    const char *slash = std::strrchr(final_path, '/');
    size_t folder = slash ? size_t(slash - final_path) + 1 : 0;
    size_t name = std::strlen(final_path) - folder;
    constexpr size_t added = sizeof TEMPORARY_MARK - 1 + 8 + sizeof TEMPORARY_END - 1;
    if (name + added > NAME_MAX) {
        name = NAME_MAX - added;
        while (name > 0 && (uint8_t(final_path[folder + name]) & 0xC0) == 0x80)
            name--;
    }
    char token[9];
    std::snprintf(token, sizeof token, "%08x", unsigned(temporary_token(attempt)));
    int n = std::snprintf(temporary_path, sizeof temporary_path, "%.*s%s%s%s", int(folder + name), final_path,
                          TEMPORARY_MARK, token, TEMPORARY_END);
    return n < 0 || size_t(n) >= sizeof temporary_path ? ENAMETOOLONG : 0;
}

// Creates the temporary file beside final_path, with the permission bits of the file it
// replaces, or those the process gives a new file.
int create_temporary(const struct stat *replaced, int &fd)
{
    for (int attempt = 0; attempt < 100; attempt++) {
        int error = name_temporary(attempt);
        if (error != 0)
            return error;
        hold_signals(true);
        fd = open(temporary_path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        error = errno;
        if (fd >= 0)
            temporary_exists = 1;
        hold_signals(false);
        if (fd >= 0)
            break;
        if (error != EEXIST)
            return error;
    }
    if (fd < 0)
        return EEXIST;
    if (replaced) {
        // The owner and group too where the system lets us (root, or a member of the group);
        // otherwise the file is ours, as any file we make.
        if ((replaced->st_uid != geteuid() || replaced->st_gid != getegid()) &&
            fchown(fd, replaced->st_uid, replaced->st_gid) != 0)
            (void)!fchown(fd, uid_t(-1), replaced->st_gid);
        if (fchmod(fd, replaced->st_mode & 07777) != 0) {
            int error = errno;
            close(fd);
            remove_temporary();
            return error;
        }
    }
    return 0;
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
        if (link(temporary_path, final_path) != 0)
            return errno;
        unlink(temporary_path);
        return 0;
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

bool system_input_is_terminal() { return isatty(STDIN_FILENO) == 1; }

bool system_error_is_terminal() { return isatty(STDERR_FILENO) == 1; }

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

Created system_create_destination(Argument where, bool force, const SystemFile &source, SystemFile &file)
{
    file = SystemFile{};
    file.path = where;
    file.handle = -1;
    const char *path = native(where);
    struct stat st;
    bool exists = stat(path, &st) == 0;
    if (!exists && errno != ENOENT) {
        file.error = errno;
        return Created::Failed;
    }
    // Refused for being the source before anything else: the user learns that the two names
    // are one file.
    if (exists && is_source(source, st))
        return Created::IsSource;
    if (exists && !force)
        return Created::Exists;
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a FIFO is written as it is: it cannot be renamed over, nor emptied.
        int fd = open(path, O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            file.error = errno;
            return Created::Failed;
        }
        file.handle = fd;
        return Created::Yes;
    }

    int error = follow_links(path);
    struct stat at_end;
    if (error == 0 && exists &&
        (stat(final_path, &at_end) != 0 || at_end.st_dev != st.st_dev || at_end.st_ino != st.st_ino))
        error = EINVAL; // a link that names no path, such as /proc/self/fd/N of a deleted file
    if (error != 0) {
        file.error = error;
        return Created::Failed;
    }
    file.temporary = true;
    file.replaces = exists;
    catch_ending_signals();
    int fd = -1;
    error = create_temporary(exists ? &st : nullptr, fd);
    if (error != 0) {
        file.error = error;
        return Created::Failed;
    }
    file.handle = fd;
    return Created::Yes;
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

Finished system_finish(SystemFile &file, bool force, const SystemFile &source)
{
    if (!file.temporary)
        return Finished::Done;

    // What holds the destination's name now, which may have changed while the text was written.
    struct stat st;
    bool exists = stat(final_path, &st) == 0;
    if (exists && is_source(source, st))
        return Finished::IsSource;
    if (exists && !force)
        return Finished::Exists;

    hold_signals(true);
    int error = rename_temporary(force, exists);
    if (error == 0)
        temporary_exists = 0;
    hold_signals(false);
    if (error == EEXIST)
        return Finished::Exists;
    file.error = error;
    return error == 0 ? Finished::Done : Finished::RenameFailed;
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
