#include "run_helpers.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

const char *const BIN2SRC = BIN2SRC_PATH;

void Scratch::SetUp()
{
    char name[] = "/tmp/bin2src-test-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir = name;
    // Open to everybody, so that a run as another user can reach its files.
    chmod(name, 0755);
}

void Scratch::TearDown()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

std::string Scratch::write(const std::string &name, const std::vector<uint8_t> &bytes) const
{
    std::string p = name[0] == '/' ? name : path(name);
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    EXPECT_TRUE(f.good()) << p;
    return p;
}

std::vector<uint8_t> Scratch::read(const std::string &name) const
{
    // Whole blocks: outputs of many megabytes are read often, also in the unoptimised
    // sanitizer build.
    std::vector<uint8_t> bytes;
    int fd = open((name[0] == '/' ? name : path(name)).c_str(), O_RDONLY);
    if (fd < 0)
        return bytes;
    uint8_t block[1 << 16];
    for (ssize_t n; (n = ::read(fd, block, sizeof block)) > 0;)
        bytes.insert(bytes.end(), block, block + n);
    close(fd);
    return bytes;
}

bool Scratch::exists(const std::string &name) const
{
    struct stat st;
    return lstat((name[0] == '/' ? name : path(name)).c_str(), &st) == 0;
}

Result Scratch::run(const std::vector<std::string> &args, const Redirect &redirect) const
{
    std::vector<std::string> argv = {BIN2SRC};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(argv, redirect);
}

Result Scratch::run_program(const std::vector<std::string> &args, const Redirect &redirect) const
{
    return finish(start(args, redirect), redirect);
}

pid_t Scratch::start(const std::vector<std::string> &args, const Redirect &redirect) const
{
    std::vector<std::string> argv = args;
    if (redirect.as_nobody)
        argv.insert(argv.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    std::string out_path = redirect.output.empty() ? path(".stdout") : redirect.output;
    std::string err_path = redirect.error.empty() ? path(".stderr") : redirect.error;
    pid_t pid = fork();
    if (pid == 0) {
        int in = open(redirect.input.c_str(), O_RDONLY);
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | (redirect.append ? O_APPEND : O_TRUNC), 0644);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | (redirect.error.empty() ? O_TRUNC : 0), 0644);
        if (in < 0 || out < 0 || err < 0 || (redirect.input_offset != 0 && lseek(in, redirect.input_offset, SEEK_SET) < 0))
            _exit(126);
        dup2(in, 0), dup2(out, 1), dup2(err, 2);
        if (redirect.output_closed)
            close(1);
        // Whatever the test runner ignores, the program starts with the usual dispositions.
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ})
            signal(s, SIG_DFL);
        if (redirect.file_size_limit >= 0) {
            struct rlimit limit = {rlim_t(redirect.file_size_limit), rlim_t(redirect.file_size_limit)};
            setrlimit(RLIMIT_FSIZE, &limit);
            if (!redirect.size_signal)
                signal(SIGXFSZ, SIG_IGN); // the write then fails with EFBIG instead of killing
        }
        std::vector<char *> pointers;
        for (const std::string &a : argv)
            pointers.push_back(const_cast<char *>(a.c_str()));
        pointers.push_back(nullptr);
        execvp(pointers[0], pointers.data());
        _exit(127);
    }
    return pid;
}

Result Scratch::finish(pid_t pid, const Redirect &redirect) const
{
    Result result{-1, "", ""};
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid)
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (redirect.output.empty()) {
        std::vector<uint8_t> out = read(path(".stdout"));
        result.out.assign(out.begin(), out.end());
    }
    if (redirect.error.empty()) {
        std::vector<uint8_t> err = read(path(".stderr"));
        result.err.assign(err.begin(), err.end());
    }
    return result;
}

std::vector<std::string> Scratch::names() const
{
    std::vector<std::string> found;
    for (const auto &entry : std::filesystem::directory_iterator(dir)) {
        std::string name = entry.path().filename().string();
        if (name != ".stdout" && name != ".stderr")
            found.push_back(name);
    }
    std::sort(found.begin(), found.end());
    return found;
}
