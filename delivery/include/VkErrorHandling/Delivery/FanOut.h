// The fan-out: one message-manager callback that hands every sent list to
// each attached sink in turn.
//
// The manager has exactly one message-manager callback, and install() makes
// the fan-out that callback. A host that had a callback of its own attaches
// it as a FunctionSink, so it keeps it and gains the other sinks:
//
//     FanOut& fanOut = FanOut::process();
//     fanOut.attach(std::make_shared<FunctionSink>(myCallback));
//     fanOut.attach(std::make_shared<FileSink>(fileOptions));
//     FanOut::install();
//
// Sends call the callback on the sending thread without the manager's lock,
// so deliver() runs on many threads at once. Each sink serialises its own
// writes and bounds how long a sender waits for it (see Sink); nothing a
// sink throws reaches the sender.
#ifndef VKERRORHANDLING_DELIVERY_FANOUT_H_
#define VKERRORHANDLING_DELIVERY_FANOUT_H_

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "VkErrorHandling/Delivery/DeliveryExport.h"
#include "VkErrorHandling/Delivery/Sink.h"

namespace VkNDelivery {

// Ownership: holds a shared reference to each attached sink; a detached sink
// may still finish a delivery that began before detach() returned, and the
// fan-out lets go of it once no send is inside deliver() (at the latest when
// the next send or change after that ends).
// Thread safety: every operation from any thread at any time. deliver()
// reads an immutable set of the sinks, which attach and detach replace, so
// senders never wait for a change of the set.
class VK_DELIVERY_EXPORT FanOut {
  public:
    static constexpr std::chrono::milliseconds kDefaultWait{100};

    FanOut();
    ~FanOut();
    FanOut(const FanOut&) = delete;
    FanOut& operator=(const FanOut&) = delete;

    // The fan-out that install() connects to the manager. It is never
    // destroyed, so messages sent while the process exits still find it;
    // detach sinks that need closing before then.
    static FanOut& process();
    // Makes process() the manager's message-manager callback, replacing the
    // one set before, and adds delivery (bit 1) to the manager's send mode.
    static void install();
    // Clears the manager's message-manager callback. The manager cannot
    // tell whose callback it holds, so call it only while the fan-out is it.
    static void uninstall();

    // Adds `sink` behind those attached already; a sink attached twice gets
    // every list twice. A null sink is ignored.
    void attach(std::shared_ptr<Sink> sink);
    // Removes the first attachment of `sink`; false if it was not attached.
    bool detach(const Sink* sink);
    size_t sinkCount() const;

    // How long a sender waits for a sink that another thread holds.
    void setWait(std::chrono::milliseconds wait);

    // Hands `list` to every attached sink, in the order they were attached.
    void deliver(VkCErrorList& list) noexcept;

  private:
    using SinkSet = std::vector<std::shared_ptr<Sink>>;

    // Makes `set` the current set; changeMutex_ is held.
    void publish(std::unique_ptr<const SinkSet> set);
    // Deletes the replaced sets if no sender can still be reading one.
    void freeReplaced();

    // A sender counts itself in readers_ before it loads sinks_ and out
    // after its last look at the set: two atomic steps per send, where a
    // shared_ptr snapshot took a lock from a global pool and two reference
    // count updates. A replaced set is kept until readers_ is seen at 0
    // after the replacement, when no sender can hold it any more.
    std::atomic<const SinkSet*> sinks_;
    std::atomic<uint64_t> readers_{0};
    std::atomic<bool> hasReplaced_{false};
    mutable std::mutex changeMutex_;        // serialises attach, detach and freeing
    std::vector<const SinkSet*> replaced_;  // guarded by changeMutex_
    std::atomic<int64_t> waitMilliseconds_;
};

}  // namespace VkNDelivery

#endif  // VKERRORHANDLING_DELIVERY_FANOUT_H_
