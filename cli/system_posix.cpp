// The converter's system layer on POSIX: descriptors, open, read, write. Paths are the bytes
// of the command line, passed on untouched.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/options.h"
#include "cli/system.h"

namespace {

const char *const *arguments;

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

} // namespace

int main(int argc, char **argv)
{
    arguments = argv;
    return bin2src_main(argc, argv);
}

bool system_input_is_terminal() { return isatty(STDIN_FILENO) == 1; }

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
    // Without force the file must be new, which also proves it is not the source. With force
    // it is opened untruncated, so that it can be compared with the source before anything of
    // it is lost.
    int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC | (force ? 0 : O_EXCL), 0666);
    if (fd < 0) {
        int32_t error = errno;
        // Refused for being the source rather than for existing or for its permissions: the
        // user learns that the two names are one file.
        struct stat st;
        if (stat(path, &st) == 0 && is_source(source, st))
            return Created::IsSource;
        if (error == EEXIST && !force)
            return Created::Exists;
        file.error = error;
        return Created::Failed;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        file.error = errno;
        close(fd);
        return Created::Failed;
    }
    if (is_source(source, st)) {
        close(fd);
        return Created::IsSource;
    }
    file.handle = fd;
    take_identity(file, st);
    if (file.regular) {
        // A device or a pipe named with --force is written to, never truncated or removed.
        if (force && ftruncate(fd, 0) != 0) {
            file.error = errno;
            close(fd);
            return Created::Failed;
        }
        file.remove_on_failure = true;
    }
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

bool system_size(SystemFile &file, uint64_t &size)
{
    struct stat st;
    if (!file.regular || fstat(int(file.handle), &st) != 0)
        return false;
    size = uint64_t(st.st_size);
    return true;
}

bool system_seek(SystemFile &file, uint64_t offset)
{
    return file.regular && lseek(int(file.handle), off_t(offset), SEEK_SET) == off_t(offset);
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

void system_remove(const SystemFile &file)
{
    if (file.remove_on_failure)
        unlink(native(file.path));
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
