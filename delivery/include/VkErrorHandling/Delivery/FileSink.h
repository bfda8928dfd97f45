// A sink that appends every sent list to a file, with size-based rotation.
//
//     VkNDelivery::FileSinkOptions options;
//     options.path = "/var/log/app.log";
//     options.rotateBytes = 10 << 20;  // app.log, app.log.1 ... app.log.5
//     options.keptFiles = 5;
//     FanOut::process().attach(std::make_shared<VkNDelivery::FileSink>(options));
#ifndef VKERRORHANDLING_DELIVERY_FILESINK_H_
#define VKERRORHANDLING_DELIVERY_FILESINK_H_

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "VkErrorHandling/Delivery/DeliveryExport.h"
#include "VkErrorHandling/Delivery/MessageLayouts.h"
#include "VkErrorHandling/Delivery/Sink.h"

namespace VkNDelivery {

struct FileSinkOptions {
    // The file appended to; "-" is standard output, which is never rotated.
    std::string path;
    Layout layout = Layout::kPlain;
    // When a list would take a non-empty file past this many bytes, the file
    // is rotated first: path.N-1 becomes path.N (the oldest is replaced),
    // ..., path becomes path.1. A list larger than the limit is written whole
    // into a fresh file. 0 never rotates. Only regular files are rotated.
    uint64_t rotateBytes = 0;
    // Rotated files kept beside the current one; 0 starts the file over.
    uint32_t keptFiles = 3;
    // fdatasync after each list, for logs that must survive a power cut.
    bool syncEachList = false;
    // How often the sink asks whether `path` still names the file it has
    // open. A file removed or moved away (by hand, or by logrotate) takes
    // appended text out of sight without any write failing; once noticed,
    // the sink opens `path` again. 0 asks before every list (a stat() each).
    std::chrono::milliseconds pathCheckInterval{1000};
};

// Writes each list as one piece: the text of all its messages is composed
// first and then written with one write() to a descriptor opened with
// O_APPEND, repeated only for what a short write left. So concurrent senders
// (and other processes appending to the file) never interleave lines, and
// after deliver() returns the text is in the file for any reader.
//
// A failing write or open (disk full, file or folder removed, no permission)
// is counted and never thrown; the file is closed and opened again for the
// next list, which starts on a fresh line if the failure cut a line short.
// A file removed from under the sink is noticed within pathCheckInterval and
// made again.
//
// Ownership: owns its file descriptor. Thread safety: as Sink.
class VK_DELIVERY_EXPORT FileSink : public Sink {
  public:
    explicit FileSink(FileSinkOptions options);
    ~FileSink() override;

    // Lists that were not (or not wholly) written.
    uint64_t writeErrors() const { return writeErrors_.load(std::memory_order_relaxed); }
    uint64_t rotations() const { return rotations_.load(std::memory_order_relaxed); }
    // Times the file was found removed or replaced and opened again.
    uint64_t reopenings() const { return reopenings_.load(std::memory_order_relaxed); }
    // errno of the last failed open, write, rename or sync; 0 when none.
    int lastError() const { return lastError_.load(std::memory_order_relaxed); }

  protected:
    void write(VkCErrorList& list) override;

  private:
    bool ensureOpen();
    // Closes the file when `path` no longer names it; checked at most once
    // per pathCheckInterval.
    void closeIfReplaced();
    void close();
    void rotate();
    bool writeAll(const char* data, size_t size);
    void fail(int error);

    const FileSinkOptions options_;
    int fd_ = -1;
    bool rotatable_ = false;  // a regular file of ours, not stdout or a device
    bool needsNewline_ = false;
    uint64_t size_ = 0;  // bytes in the current file, as far as we know
    dev_t device_ = 0;   // identity of the open file, to tell whether path still names it
    ino_t inode_ = 0;
    int64_t nextPathCheck_ = 0;  // monotonic milliseconds
    std::string text_;           // reused for composing each list
    std::atomic<uint64_t> writeErrors_{0};
    std::atomic<uint64_t> rotations_{0};
    std::atomic<uint64_t> reopenings_{0};
    std::atomic<int> lastError_{0};
};

}  // namespace VkNDelivery

#endif  // VKERRORHANDLING_DELIVERY_FILESINK_H_
