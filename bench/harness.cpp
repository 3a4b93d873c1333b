#include "bench/harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace brindlecut::bench {

void fail(const std::string& what) { throw std::runtime_error(what); }

std::string systemReason(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

std::vector<std::string> namesIn(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) fail(systemReason("cannot list", folder));
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> pathsIn(const std::string& folder) {
    std::vector<std::string> paths;
    for (const auto& name : namesIn(folder)) paths.push_back(folder + "/" + name);
    return paths;
}

void removeTree(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return;
        fail(systemReason("cannot look at", path));
    }
    if (S_ISDIR(st.st_mode)) {
        for (const auto& name : namesIn(path)) removeTree(path + "/" + name);
        if (::rmdir(path.c_str()) != 0) fail(systemReason("cannot remove", path));
    } else if (::unlink(path.c_str()) != 0) {
        fail(systemReason("cannot remove", path));
    }
}

void freshFolder(const std::string& path) {
    removeTree(path);
    if (::mkdir(path.c_str(), 0755) != 0) fail(systemReason("cannot create", path));
}

std::int64_t fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) fail(systemReason("cannot look at", path));
    return st.st_size;
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(systemReason("cannot open", path));
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void flushFilesAndFolder(const std::vector<std::string>& files, const std::string& folder) {
    for (const auto& path : files) {
        Fd file(path, O_WRONLY);
        if (::fdatasync(file.get()) != 0) fail(systemReason("cannot flush", path));
    }
    Fd dir(folder, O_RDONLY | O_DIRECTORY);
    if (::fsync(dir.get()) != 0) fail(systemReason("cannot flush", folder));
}

Fd::Fd(const std::string& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC, 0644)) {
    if (fd_ < 0) fail(systemReason("cannot open", path));
}

Fd::~Fd() { ::close(fd_); }

namespace {

void readExactly(int fd, std::int64_t offset, char* buffer, std::size_t length, const std::string& path) {
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = ::pread(fd, buffer + got, length - got, offset + static_cast<std::int64_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail(systemReason("cannot read", path));
        if (n == 0) fail("unexpected end of " + path);
        got += static_cast<std::size_t>(n);
    }
}

}  // namespace

void makeSourceFile(const std::string& path, std::int64_t size) {
    Fd out(path, O_WRONLY | O_CREAT | O_TRUNC);
    std::vector<std::uint64_t> block(kMiB / sizeof(std::uint64_t));
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    for (std::int64_t done = 0; done < size;) {
        for (auto& word : block) {
            state ^= state >> 12;
            state ^= state << 25;
            state ^= state >> 27;
            word = state * 0x2545F4914F6CDD1Dull;
        }
        const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(kMiB, size - done));
        const char* bytes = reinterpret_cast<const char*>(block.data());
        for (std::size_t written = 0; written < chunk;) {
            const ssize_t n = ::write(out.get(), bytes + written, chunk - written);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) fail(systemReason("cannot write", path));
            written += static_cast<std::size_t>(n);
        }
        done += static_cast<std::int64_t>(chunk);
    }
    if (::fsync(out.get()) != 0) fail(systemReason("cannot flush", path));
}

SourceCompare::SourceCompare(const std::string& sourcePath)
    : sourcePath_(sourcePath), source_(sourcePath), size_(fileSize(sourcePath)), ours_(kMiB), theirs_(kMiB) {}

std::int64_t SourceCompare::comparePart(const std::string& path, std::int64_t offset) {
    const std::int64_t length = fileSize(path);
    if (offset + length > size_) fail(path + " reaches past the end of the source");
    Fd part(path);
    for (std::int64_t done = 0; done < length;) {
        const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(kMiB, length - done));
        readExactly(part.get(), done, ours_.data(), chunk, path);
        readExactly(source_.get(), offset + done, theirs_.data(), chunk, sourcePath_);
        if (std::memcmp(ours_.data(), theirs_.data(), chunk) != 0)
            fail(path + " differs from the source near byte " + std::to_string(offset + done));
        done += static_cast<std::int64_t>(chunk);
    }
    return offset + length;
}

void SourceCompare::compareWhole(const std::vector<std::string>& paths) {
    std::int64_t offset = 0;
    for (const auto& path : paths) offset = comparePart(path, offset);
    if (offset != size_)
        fail("the files end at byte " + std::to_string(offset) + " of " + std::to_string(size_));
}

namespace {

std::string makeWorkFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brindlecut-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) fail(systemReason("cannot create a folder like", pattern));
    return pattern;
}

}  // namespace

WorkFolder::WorkFolder() : path_(makeWorkFolder()) {}

WorkFolder::~WorkFolder() {
    try {
        removeTree(path_);
    } catch (const std::exception& e) {
        std::cerr << "brindlecut_bench: " << e.what() << "\n";
    }
}

std::string executableFolder() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    const std::string whole(path);
    const std::size_t slash = whole.rfind('/');
    return slash == std::string::npos ? "." : whole.substr(0, slash);
}

int runProcess(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (int e = ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ))
        fail("cannot start " + args[0] + ": " + std::strerror(e));
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) fail(systemReason("cannot wait for", args[0]));
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

namespace {

double cpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

Timing measure(Who who, const std::function<void()>& work) {
    // The flush of the system tools' outputs runs in this process: their CPU
    // time is that of the children plus that of this process.
    const double selfBefore = cpuSeconds(RUSAGE_SELF);
    const double childrenBefore = cpuSeconds(RUSAGE_CHILDREN);
    const Clock::time_point start = Clock::now();
    work();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    double cpu = cpuSeconds(RUSAGE_SELF) - selfBefore;
    if (who == Who::Children) cpu += cpuSeconds(RUSAGE_CHILDREN) - childrenBefore;
    return {wall, cpu};
}

double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

std::int64_t highWaterKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
    }
    return -1;
}

}  // namespace brindlecut::bench
