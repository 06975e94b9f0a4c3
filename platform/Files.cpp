#include "platform/Files.h"

#include <dirent.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plyx::platform {
namespace {

std::string ErrnoText(const char* what, const std::string& path, int err) {
    return std::string(what) + " " + path + ": " + std::strerror(err);
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FolderHoldsFileWithExtension(const std::string& folder, const std::string& extension) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    const std::string suffix = "." + extension;
    bool found = false;
    while (!found) {
        const dirent* entry = ::readdir(dir);
        if (!entry) break;
        const std::size_t n = std::strlen(entry->d_name);
        if (n <= suffix.size() || std::strcmp(entry->d_name + n - suffix.size(), suffix.c_str()) != 0) continue;
        found = FileExists(folder + "/" + entry->d_name);
    }
    ::closedir(dir);
    return found;
}

bool CreateFolder(const std::string& path, unsigned mode) {
    if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0) return true;
    return errno == EEXIST && FolderExists(path);
}

bool DeleteFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return true;
    return errno == ENOENT;
}

std::optional<std::string> ReadWholeFile(const std::string& path, int& err, std::size_t maxBytes) {
    err = 0;
    int fd;
    do {
        // Non-blocking, so that opening a FIFO cannot hang; it is refused below.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        err = errno;
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // Folders, devices and pipes are not files to read whole.
        err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return std::nullopt;
    }
    std::string out;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        if (out.size() + static_cast<std::size_t>(n) > maxBytes) {
            err = EFBIG;
            ::close(fd);
            return std::nullopt;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return out;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* errorText,
                                         std::size_t maxBytes) {
    int err = 0;
    std::optional<std::string> out = ReadWholeFile(path, err, maxBytes);
    if (!out && errorText) {
        const char* what = err == EFBIG ? "too large to read" : err == EISDIR || err == EINVAL ? "cannot read" : "cannot open";
        *errorText = ErrnoText(what, path, err);
    }
    return out;
}

bool AppendRecord(const std::string& path, const std::string& header, const std::string& record,
                  std::string* errorText, LinkTrust links) {
    auto fail = [&](int err) {
        if (errorText) *errorText = std::strerror(err);
        return false;
    };
    if (links == LinkTrust::Refuse) return fail(ELOOP);
    const int follow = links == LinkTrust::NoLink ? O_NOFOLLOW : 0;
    // Read access too: the last byte tells whether the file ends a line.
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | follow, 0666);
    if (fd < 0) return fail(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = S_ISREG(st.st_mode) ? errno : EINVAL;
        ::close(fd);
        return fail(err);
    }
    std::string bytes = st.st_size == 0 ? header + record : record;
    char last = '\n';
    if (st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) != 1) last = '\n';
    if (last != '\n') bytes.insert(0, "\r\n");
    // One write call: O_APPEND places it whole at the end. A short write
    // (disk full) is reported and cut back off; the rest is not sent as a
    // second piece, which the next record would be glued onto.
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    int err = n < 0 ? errno : (static_cast<std::size_t>(n) != bytes.size() ? ENOSPC : 0);
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (err != 0 && n > 0 && ::ftruncate(fd, st.st_size) != 0) {
        // Nothing more to do: the failure is reported all the same.
    }
    if (::close(fd) != 0 && err == 0) err = errno;
    return err == 0 ? true : fail(err);
}

std::string ResolveSymlinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        char buf[4096];
        ssize_t n = ::readlink(current.c_str(), buf, sizeof buf - 1);
        if (n <= 0) break;  // not a link (or unreadable): this is the file
        std::string target(buf, static_cast<std::size_t>(n));
        if (target[0] != '/') {
            auto slash = current.find_last_of('/');
            if (slash != std::string::npos) target = current.substr(0, slash + 1) + target;
        }
        current = std::move(target);
    }
    return current;
}

bool IsSymlink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

LinkTrust CheckLinks(const std::string& path, std::string* why) {
    const uid_t me = ::geteuid();
    auto trusted = [me](uid_t owner) { return owner == me || owner == 0; };
    std::string current = path;
    LinkTrust trust = LinkTrust::NoLink;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return trust;
        auto refuse = [&](const std::string& text) {
            if (why) *why = current + ": " + text;
            return LinkTrust::Refuse;
        };
        const auto slash = current.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : current.substr(0, slash);
        struct stat dir {};
        if (::stat(folder.c_str(), &dir) != 0) return refuse(std::strerror(errno));
        if (!trusted(st.st_uid)) return refuse("a symbolic link of another user");
        if (!trusted(dir.st_uid)) return refuse("a symbolic link in " + folder + ", a folder of another user");
        if ((dir.st_mode & (S_IWGRP | S_IWOTH)) != 0)
            return refuse("a symbolic link in " + folder + ", a folder others can write");
        char buf[4096];
        const ssize_t n = ::readlink(current.c_str(), buf, sizeof buf - 1);
        if (n <= 0) return refuse(std::strerror(n < 0 ? errno : EINVAL));
        std::string target(buf, static_cast<std::size_t>(n));
        if (target[0] != '/' && slash != std::string::npos) target = current.substr(0, slash + 1) + target;
        current = std::move(target);
        trust = LinkTrust::Follow;
    }
    if (why) *why = path + ": " + std::strerror(ELOOP);
    return LinkTrust::Refuse;
}

namespace {

// ".NAME" + kTempMark + pid + "-" + six mkstemp characters: the writer's
// process id tells a cleaner whether the file may still be in use.
constexpr const char kTempMark[] = ".plyx3-tmp-";

bool SplitFolder(const std::string& path, std::string& folder, std::string& base) {
    folder = ".";
    base = path;
    if (auto slash = path.find_last_of('/'); slash != std::string::npos) {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        base = path.substr(slash + 1);
    }
    return !base.empty();
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& content,
                         std::string* errorText) {
    // Through a link the target is replaced, so the link and its target's
    // place (another disk, a shared folder) stay as the operator made them.
    const std::string target = ResolveSymlinks(path);
    std::string folder, base;
    SplitFolder(target, folder, base);
    std::string tmp = folder + "/." + base + kTempMark + std::to_string(::getpid()) + "-XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        int err = errno;
        if (errorText) *errorText = ErrnoText("cannot create", path, err);
        errno = err;
        return false;
    }
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // Owner first: changing it may clear the set-id bits the mode restores.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only root may give a file away; the new file stays the writer's.
        }
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        // mkstemp makes 0600; give the file the mode a plain create would.
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    bool ok = WriteAll(fd, content.data(), content.size()) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        if (errorText) *errorText = ErrnoText("cannot write", path, err);
        errno = err;
        return false;
    }
    // Make the rename itself durable.
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool WriteOwnFile(const std::string& path, const std::string& content, std::string* errorText) {
    if (IsSymlink(path)) DeleteFile(path);
    return WriteFileAtomically(path, content, errorText);
}

std::optional<std::string> ReadOwnFile(const std::string& path, std::size_t maxBytes) {
    if (IsSymlink(path)) return std::nullopt;
    return ReadWholeFile(path, nullptr, maxBytes);
}

std::optional<std::string> ReadFileTail(const std::string& path, std::size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    const std::size_t from = size > maxBytes ? size - maxBytes : 0;
    std::string out(size - from, '\0');
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::pread(fd, out.data() + got, out.size() - got, static_cast<off_t>(from + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(got);
    return out;
}

int RemoveStaleTemporaryFiles(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return 0;
    int removed = 0;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        // "." + at least one character of name + mark + pid + "-" + 6 characters
        const std::size_t mark = name.rfind(kTempMark);
        if (name[0] != '.' || mark == std::string::npos || mark < 2) continue;
        const std::size_t pidAt = mark + sizeof kTempMark - 1;
        const std::size_t dash = name.find('-', pidAt);
        if (dash == std::string::npos || dash == pidAt || name.size() - dash - 1 != 6) continue;
        long pid = 0;
        bool digits = true;
        for (std::size_t i = pidAt; i < dash; ++i) {
            digits = digits && name[i] >= '0' && name[i] <= '9' && pid < 100000000;
            if (digits) pid = pid * 10 + (name[i] - '0');
        }
        if (!digits || pid <= 0) continue;
        // A writer that still runs (or that we may not signal) may be in the middle of its write.
        if (pid != ::getpid() && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)) continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

std::string ExecutablePath() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

}  // namespace plyx::platform
