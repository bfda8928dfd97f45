#include "VkErrorHandling/Delivery/FanOut.h"

#include <VkErrorHandling/VkCErrorManager.h>

#include <algorithm>
#include <utility>

namespace VkNDelivery {
namespace {

void deliverToProcessFanOut(VkNErrorManager::VkEMsgManCallbackInfo info, VkCErrorList* list) {
    if (info == VkNErrorManager::MsgManSendList && list != nullptr) FanOut::process().deliver(*list);
}

}  // namespace

FanOut::FanOut() : sinks_(new SinkSet), waitMilliseconds_(kDefaultWait.count()) {}

FanOut::~FanOut() {
    for (const SinkSet* set : replaced_) delete set;
    delete sinks_.load();
}

FanOut& FanOut::process() {
    // Never destroyed: the manager may still send while statics are torn down.
    static FanOut* const instance = new FanOut;
    return *instance;
}

void FanOut::install() {
    process();  // created before the manager can call it
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    manager.setMessageManagerCallback(deliverToProcessFanOut);
    manager.setSendMode(manager.getSendMode() | 1);
}

void FanOut::uninstall() {
    // The manager offers no compare-and-swap; a host that replaced the
    // callback after install() will not call uninstall().
    VkCErrorManager::getInstance().setMessageManagerCallback(nullptr);
}

void FanOut::publish(std::unique_ptr<const SinkSet> set) {
    replaced_.reserve(replaced_.size() + 1);  // so that nothing below throws
    replaced_.push_back(sinks_.exchange(set.release()));
    hasReplaced_.store(true);
}

void FanOut::freeReplaced() {
    std::vector<const SinkSet*> freed;
    {
        std::unique_lock<std::mutex> lock(changeMutex_, std::try_to_lock);
        // A set replaced before this look is out of every new sender's
        // reach, so with no sender inside deliver() nobody holds it.
        if (!lock.owns_lock() || readers_.load() != 0) return;
        freed.swap(replaced_);
        hasReplaced_.store(false);
    }
    // Outside the lock: a sink's destructor may attach or detach.
    for (const SinkSet* set : freed) delete set;
}

void FanOut::attach(std::shared_ptr<Sink> sink) {
    if (!sink) return;
    {
        std::lock_guard<std::mutex> lock(changeMutex_);
        auto changed = std::make_unique<SinkSet>(*sinks_.load());
        changed->push_back(std::move(sink));
        publish(std::move(changed));
    }
    freeReplaced();
}

bool FanOut::detach(const Sink* sink) {
    {
        std::lock_guard<std::mutex> lock(changeMutex_);
        auto changed = std::make_unique<SinkSet>(*sinks_.load());
        auto found =
            std::find_if(changed->begin(), changed->end(),
                         [sink](const std::shared_ptr<Sink>& attached) { return attached.get() == sink; });
        if (found == changed->end()) return false;
        changed->erase(found);
        publish(std::move(changed));
    }
    freeReplaced();
    return true;
}

size_t FanOut::sinkCount() const {
    std::lock_guard<std::mutex> lock(changeMutex_);
    return sinks_.load()->size();
}

void FanOut::setWait(std::chrono::milliseconds wait) {
    waitMilliseconds_.store(std::max<int64_t>(0, wait.count()), std::memory_order_relaxed);
}

void FanOut::deliver(VkCErrorList& list) noexcept {
    readers_.fetch_add(1);
    const SinkSet& sinks = *sinks_.load();
    const std::chrono::milliseconds wait(waitMilliseconds_.load(std::memory_order_relaxed));
    for (const std::shared_ptr<Sink>& sink : sinks) sink->deliver(list, wait);
    if (readers_.fetch_sub(1) == 1 && hasReplaced_.load()) freeReplaced();
}

}  // namespace VkNDelivery
