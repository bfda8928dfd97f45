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

FanOut::FanOut() : sinks_(std::make_shared<const SinkSet>()), waitMilliseconds_(kDefaultWait.count()) {}

FanOut::~FanOut() = default;

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

std::shared_ptr<const FanOut::SinkSet> FanOut::snapshot() const { return std::atomic_load(&sinks_); }

void FanOut::attach(std::shared_ptr<Sink> sink) {
    if (!sink) return;
    std::lock_guard<std::mutex> lock(changeMutex_);
    auto changed = std::make_shared<SinkSet>(*snapshot());
    changed->push_back(std::move(sink));
    std::atomic_store(&sinks_, std::shared_ptr<const SinkSet>(std::move(changed)));
}

bool FanOut::detach(const Sink* sink) {
    std::lock_guard<std::mutex> lock(changeMutex_);
    auto changed = std::make_shared<SinkSet>(*snapshot());
    auto found =
        std::find_if(changed->begin(), changed->end(),
                     [sink](const std::shared_ptr<Sink>& attached) { return attached.get() == sink; });
    if (found == changed->end()) return false;
    changed->erase(found);
    std::atomic_store(&sinks_, std::shared_ptr<const SinkSet>(std::move(changed)));
    return true;
}

size_t FanOut::sinkCount() const { return snapshot()->size(); }

void FanOut::setWait(std::chrono::milliseconds wait) {
    waitMilliseconds_.store(std::max<int64_t>(0, wait.count()), std::memory_order_relaxed);
}

void FanOut::deliver(VkCErrorList& list) noexcept {
    const std::shared_ptr<const SinkSet> sinks = snapshot();
    const std::chrono::milliseconds wait(waitMilliseconds_.load(std::memory_order_relaxed));
    for (const std::shared_ptr<Sink>& sink : *sinks) sink->deliver(list, wait);
}

}  // namespace VkNDelivery
