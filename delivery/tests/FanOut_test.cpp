#include <VkErrorHandling/Delivery/FanOut.h>
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

namespace VkNDelivery {
namespace {

using std::chrono::milliseconds;

std::shared_ptr<FunctionSink> counting(std::atomic<int>& count) {
    return std::make_shared<FunctionSink>([&count](VkCErrorList&) { ++count; });
}

TEST(DeliveryFanOut, ThrowingOrHeldSinkCostsTheOthersNothing) {
    VkCErrorList list(2, 5, 0, 0, nullptr);
    list.setError(0x100401, 1, "f", nullptr);
    std::atomic<int> later{0};
    auto throwing = std::make_shared<FunctionSink>([](VkCErrorList&) { throw std::runtime_error("full"); });
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    auto stuck = std::make_shared<FunctionSink>([&](VkCErrorList&) {
        entered.set_value();
        released.wait();
    });
    FanOut fanOut;
    fanOut.setWait(milliseconds(20));
    fanOut.attach(throwing);
    fanOut.attach(stuck);
    fanOut.attach(counting(later));

    // Another thread sits inside `stuck`; this sender waits for it only 20 ms.
    std::thread holder([&] { stuck->deliver(list, milliseconds(0)); });
    entered.get_future().wait();
    fanOut.deliver(list);
    fanOut.deliver(list);
    release.set_value();
    holder.join();

    EXPECT_EQ(later, 2);
    EXPECT_EQ(throwing->counters().failed, 2u);
    EXPECT_EQ(stuck->counters().busy, 2u);
    EXPECT_EQ(stuck->counters().delivered, 1u);
}

TEST(DeliveryFanOut, SinkThatSendsFromInsideItsDeliveryReachesTheOthersWithoutDeadlock) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    std::atomic<int> others{0};
    int depth = 0;
    auto reporter = std::make_shared<FunctionSink>([&](VkCErrorList&) {
        ++depth;
        manager.sendMessage(1, 0, 2, 0x100401, __LINE__, "reporter", nullptr);
    });
    auto other = counting(others);
    FanOut& fanOut = FanOut::process();
    fanOut.attach(reporter);
    fanOut.attach(other);
    FanOut::install();
    manager.sendMessage(1, 0, 3, 0x100400, __LINE__, "host", nullptr);
    FanOut::uninstall();
    EXPECT_TRUE(fanOut.detach(reporter.get()));
    EXPECT_TRUE(fanOut.detach(other.get()));
    EXPECT_FALSE(fanOut.detach(other.get()));

    EXPECT_EQ(depth, 1);   // its own report did not come back to it
    EXPECT_EQ(others, 2);  // the host's message and the report
    EXPECT_EQ(reporter->counters().reentered, 1u);
}

TEST(DeliveryFanOut, HostCallbackKeepsGettingListsAsASink) {
    static std::atomic<int> calls{0};
    auto callback = [](VkNErrorManager::VkEMsgManCallbackInfo info, VkCErrorList* list) {
        if (info == VkNErrorManager::MsgManSendList && list->getErrorCode(0) == 0x100402) ++calls;
    };
    auto sink = std::make_shared<FunctionSink>(+callback);
    FanOut fanOut;
    fanOut.attach(sink);
    VkCErrorList list(2, 5, 0, 0, nullptr);
    list.setError(0x100402, 1, "f", nullptr);
    fanOut.deliver(list);
    fanOut.detach(sink.get());
    fanOut.deliver(list);
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace VkNDelivery
