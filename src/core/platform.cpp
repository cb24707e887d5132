#include "core/platform.hpp"

#include <atomic>
#include <cerrno>
#include <climits>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace seabed {
namespace {

constexpr std::int64_t kMaxRecord = INT64_MAX / static_cast<std::int64_t>(kRecordBytes);

bool valid_span(std::int64_t record, std::size_t nbytes) {
    return record >= 1 && record < kMaxRecord && nbytes <= static_cast<std::size_t>(INT64_MAX / 2);
}

#if defined(_WIN32)

class WinStream final : public RecordStream {
public:
    WinStream(HANDLE h, bool writable) : h_(h), writable_(writable) {}
    ~WinStream() override { CloseHandle(h_); }
    std::int64_t size() override {
        LARGE_INTEGER n{};
        return GetFileSizeEx(h_, &n) ? static_cast<std::int64_t>(n.QuadPart) : -1;
    }
    bool writable() const override { return writable_; }
    bool sync() override { return FlushFileBuffers(h_) != 0; }
    bool read(std::int64_t record, void* dst, std::size_t nbytes) override {
        return transfer(record, dst, nbytes, false);
    }
    bool write(std::int64_t record, const void* src, std::size_t nbytes) override {
        return transfer(record, const_cast<void*>(src), nbytes, true);
    }

private:
    bool transfer(std::int64_t record, void* buf, std::size_t nbytes, bool writing) {
        if (!valid_span(record, nbytes)) return false;
        auto* p = static_cast<char*>(buf);
        std::uint64_t at = static_cast<std::uint64_t>(record - 1) * kRecordBytes;
        while (nbytes > 0) {
            DWORD chunk = nbytes > (1u << 30) ? (1u << 30) : static_cast<DWORD>(nbytes);
            OVERLAPPED ov{};
            ov.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
            ov.OffsetHigh = static_cast<DWORD>(at >> 32);
            DWORD done = 0;
            BOOL ok = writing ? WriteFile(h_, p, chunk, &done, &ov) : ReadFile(h_, p, chunk, &done, &ov);
            if (!ok || done == 0) return false;
            p += done;
            at += done;
            nbytes -= done;
        }
        return true;
    }
    HANDLE h_;
    bool writable_;
};

class NativeFileSystem final : public FileSystem {
public:
    bool exists(const std::string& path) override {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::unique_ptr<RecordStream> open(const std::string& path) override {
        DWORD attrs = GetFileAttributesA(path.c_str());
        if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        bool writable = h != INVALID_HANDLE_VALUE;
        if (!writable)  // a read-only file can still be loaded
            h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return nullptr;
        return std::make_unique<WinStream>(h, writable);
    }
    bool remove(const std::string& path) override {
        std::string name = path;
        name.push_back('\0');  // the name followed by one NUL, as the system call expects
        return DeleteFileA(name.c_str()) != 0;
    }
    bool replace(const std::string& from, const std::string& to) override {
        // The new file inherits the folder's security, as the old one did;
        // only the read-only attribute is the file's own, and a file that has
        // it was never opened for writing.
        return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
};

#else

class PosixStream final : public RecordStream {
public:
    PosixStream(int fd, bool writable) : fd_(fd), writable_(writable) {}
    ~PosixStream() override { ::close(fd_); }
    std::int64_t size() override {
        struct stat st {};
        return ::fstat(fd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
    }
    bool writable() const override { return writable_; }
    bool sync() override { return ::fsync(fd_) == 0; }
    bool read(std::int64_t record, void* dst, std::size_t nbytes) override {
        if (!valid_span(record, nbytes)) return false;
        auto* p = static_cast<char*>(dst);
        off_t at = static_cast<off_t>(record - 1) * static_cast<off_t>(kRecordBytes);
        while (nbytes > 0) {
            ssize_t got = ::pread(fd_, p, nbytes, at);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;  // 0: the file ends before the record does
            p += got;
            at += got;
            nbytes -= static_cast<std::size_t>(got);
        }
        return true;
    }
    bool write(std::int64_t record, const void* src, std::size_t nbytes) override {
        if (!valid_span(record, nbytes)) return false;
        auto* p = static_cast<const char*>(src);
        off_t at = static_cast<off_t>(record - 1) * static_cast<off_t>(kRecordBytes);
        while (nbytes > 0) {
            ssize_t put = ::pwrite(fd_, p, nbytes, at);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return false;
            p += put;
            at += put;
            nbytes -= static_cast<std::size_t>(put);
        }
        return true;
    }

private:
    int fd_;
    bool writable_;
};

class NativeFileSystem final : public FileSystem {
public:
    bool exists(const std::string& path) override { return ::access(path.c_str(), F_OK) == 0; }
    std::unique_ptr<RecordStream> open(const std::string& path) override {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        const bool writable = fd >= 0;
        if (fd < 0 && (errno == EACCES || errno == EROFS))  // a read-only file can still be loaded
            fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {  // directories, devices, pipes: not seabed files
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PosixStream>(fd, writable);
    }
    bool remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }
    bool replace(const std::string& from, const std::string& to) override {
        struct stat old {};
        if (::stat(to.c_str(), &old) != 0 || ::chmod(from.c_str(), old.st_mode & 07777) != 0) return false;
        // Owner and group follow where the system lets them (root, or a group
        // the user is in); a file that cannot keep them still keeps its mode.
        [[maybe_unused]] const int owned = ::chown(from.c_str(), old.st_uid, old.st_gid);
        return ::rename(from.c_str(), to.c_str()) == 0;
    }
};

#endif

std::atomic<FileSystem*> g_current{nullptr};

}  // namespace

FileSystem& native_file_system() {
    static NativeFileSystem fs;
    return fs;
}

FileSystem& file_system() {
    FileSystem* fs = g_current.load(std::memory_order_acquire);
    return fs ? *fs : native_file_system();
}

void set_file_system(FileSystem* fs) { g_current.store(fs, std::memory_order_release); }

}  // namespace seabed
