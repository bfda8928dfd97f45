#include "VkErrorHandling/Delivery/FileSink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <utility>

namespace VkNDelivery {
namespace {

std::string rotatedName(const std::string& path, uint32_t number) {
    return path + "." + std::to_string(number);
}

// Milliseconds on the monotonic clock, read coarsely: the path check needs no
// more than a tick's precision, and the coarse clock costs a few nanoseconds
// where the precise one cost 26 ns a list on this machine's virtual clock.
int64_t coarseMilliseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// True when the file's last byte is not a line feed: a write cut short.
bool endsMidLine(const std::string& path, uint64_t size) {
    if (size == 0) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char last = '\n';
    const bool cut = pread(fd, &last, 1, static_cast<off_t>(size - 1)) == 1 && last != '\n';
    ::close(fd);
    return cut;
}

}  // namespace

FileSink::FileSink(FileSinkOptions options) : options_(std::move(options)) {}

FileSink::~FileSink() { close(); }

void FileSink::fail(int error) { lastError_.store(error, std::memory_order_relaxed); }

bool FileSink::ensureOpen() {
    if (fd_ >= 0) return true;
    if (options_.path == "-") {
        fd_ = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
        rotatable_ = false;
    } else {
        fd_ = ::open(options_.path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    }
    if (fd_ < 0) {
        fail(errno);
        return false;
    }
    struct stat status;
    if (options_.path != "-" && fstat(fd_, &status) == 0 && S_ISREG(status.st_mode)) {
        rotatable_ = true;
        size_ = static_cast<uint64_t>(status.st_size);
        device_ = status.st_dev;
        inode_ = status.st_ino;
        nextPathCheck_ = coarseMilliseconds() + options_.pathCheckInterval.count();
        needsNewline_ = endsMidLine(options_.path, size_);
    } else {
        rotatable_ = false;
        size_ = 0;
    }
    return true;
}

void FileSink::closeIfReplaced() {
    if (fd_ < 0 || !rotatable_) return;
    const int64_t now = coarseMilliseconds();
    if (now < nextPathCheck_) return;
    nextPathCheck_ = now + options_.pathCheckInterval.count();
    struct stat status;
    if (::stat(options_.path.c_str(), &status) == 0 && status.st_dev == device_ && status.st_ino == inode_)
        return;
    close();
    reopenings_.fetch_add(1, std::memory_order_relaxed);
}

void FileSink::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

// Renames from the oldest down, so a failed rename leaves every file in
// place: rename() replaces its target in one step and nothing is deleted
// beforehand. If the current file cannot be moved aside it is kept and
// written on; the next list tries again.
void FileSink::rotate() {
    close();
    const std::string& path = options_.path;
    if (options_.keptFiles == 0) {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) fail(errno);
    } else {
        for (uint32_t number = options_.keptFiles - 1; number >= 1; --number) {
            if (::rename(rotatedName(path, number).c_str(), rotatedName(path, number + 1).c_str()) != 0 &&
                errno != ENOENT) {
                fail(errno);
            }
        }
        if (::rename(path.c_str(), rotatedName(path, 1).c_str()) != 0) fail(errno);
    }
    rotations_.fetch_add(1, std::memory_order_relaxed);
}

bool FileSink::writeAll(const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd_, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            fail(written < 0 ? errno : EIO);
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
        size_ += static_cast<uint64_t>(written);
    }
    return true;
}

void FileSink::write(VkCErrorList& list) {
    text_.clear();
    appendList(text_, list, options_.layout);
    if (text_.empty()) return;
    closeIfReplaced();
    if (!ensureOpen()) {
        writeErrors_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    if (rotatable_ && options_.rotateBytes > 0 && size_ > 0 && size_ + text_.size() > options_.rotateBytes) {
        rotate();
        if (!ensureOpen()) {
            writeErrors_.fetch_add(1, std::memory_order_relaxed);
            return;
        }
    }
    if (needsNewline_) text_.insert(text_.begin(), '\n');
    bool written = writeAll(text_.data(), text_.size());
    if (written && options_.syncEachList && ::fdatasync(fd_) != 0) {
        fail(errno);
        written = false;
    }
    if (written) needsNewline_ = false;
    if (!written) {
        writeErrors_.fetch_add(1, std::memory_order_relaxed);
        close();  // opened again, from scratch, for the next list
    }
}

}  // namespace VkNDelivery
