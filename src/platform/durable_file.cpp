#include "platform/durable_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

bool Fail(std::string* reason, const char* what) {
    if (reason) *reason = std::string(what) + ": " + std::strerror(errno);
    return false;
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out, std::string* reason,
                   size_t limit) {
    Fd f;
    f.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (f.fd < 0) return Fail(reason, "cannot open");
    struct stat st;
    if (::fstat(f.fd, &st) != 0) return Fail(reason, "cannot read its size");
    if (!S_ISREG(st.st_mode)) {
        if (reason) *reason = "not a regular file";
        return false;
    }
    if (static_cast<unsigned long long>(st.st_size) > limit) {
        if (reason) *reason = "file too large";
        return false;
    }
    out->resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < out->size()) {
        ssize_t n = ::read(f.fd, out->data() + done, out->size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(reason, "read failed");
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    out->resize(done);
    return true;
}

bool WriteFileSynced(const std::string& path, const uint8_t* data, size_t size, std::string* reason) {
    Fd f;
    f.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (f.fd < 0) return Fail(reason, "cannot create");
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(f.fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return Fail(reason, "write failed");
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(f.fd) != 0) return Fail(reason, "flush to disk failed");
    int fd = f.fd;
    f.fd = -1;
    if (::close(fd) != 0) return Fail(reason, "close failed");
    return true;
}

bool SyncFolder(const std::string& path, std::string* reason) {
    Fd f;
    f.fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (f.fd < 0) return Fail(reason, "cannot open folder");
    if (::fsync(f.fd) != 0 && errno != EINVAL) return Fail(reason, "folder flush failed");
    return true;
}

bool RenameOver(const std::string& from, const std::string& to, std::string* reason) {
    if (::rename(from.c_str(), to.c_str()) != 0) return Fail(reason, "rename failed");
    return true;
}

bool ExchangeFolders(const std::string& a, const std::string& b, bool* unsupported,
                     std::string* reason) {
    *unsupported = false;
#ifdef RENAME_EXCHANGE
    if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) return true;
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) *unsupported = true;
    return Fail(reason, "folder exchange failed");
#else
    (void)a;
    (void)b;
    *unsupported = true;
    if (reason) *reason = "folder exchange not available";
    return false;
#endif
}

bool RemoveFileIfPresent(const std::string& path) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool RemoveFolderTree(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return errno == ENOENT || RemoveFileIfPresent(path);
    bool ok = true;
    while (dirent* entry = ::readdir(dir)) {
        if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, "..")) continue;
        std::string child = path + "/" + entry->d_name;
        struct stat st;
        if (::lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            ok = RemoveFolderTree(child) && ok;
        else
            ok = RemoveFileIfPresent(child) && ok;
    }
    ::closedir(dir);
    return (::rmdir(path.c_str()) == 0 || errno == ENOENT) && ok;
}

bool ReplaceFileAtomically(const std::string& path, const uint8_t* data, size_t size,
                           std::string* reason) {
    std::string temp = path + ".tmp" + std::to_string(::getpid());
    if (!WriteFileSynced(temp, data, size, reason)) {
        RemoveFileIfPresent(temp);
        return false;
    }
    if (!RenameOver(temp, path, reason)) {
        RemoveFileIfPresent(temp);
        return false;
    }
    size_t slash = path.find_last_of('/');
    return SyncFolder(slash == std::string::npos ? "." : path.substr(0, slash ? slash : 1), reason);
}

}  // namespace platform
