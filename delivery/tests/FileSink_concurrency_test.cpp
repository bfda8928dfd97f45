// Many senders through the installed fan-out into one rotating file sink,
// while another sink is attached and detached: every line stays whole, no
// message is lost or doubled within the kept files, exactly N+1 files exist.
#include <VkErrorHandling/Delivery/FanOut.h>
#include <VkErrorHandling/Delivery/FileSink.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace VkNDelivery {
namespace {

constexpr int kThreads = 8;
constexpr int kSends = 10000;
constexpr uint32_t kKeptFiles = 3;

TEST(FileSinkConcurrency, RotatingFileKeepsEveryLineWholeAndEveryMessageOnce) {
    char folder[] = "/tmp/vkerr-filesink-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    FileSinkOptions options;
    options.path = std::string(folder) + "/app.log";
    options.rotateBytes = 64 * 1024;
    options.keptFiles = kKeptFiles;
    auto file = std::make_shared<FileSink>(options);
    FanOut& fanOut = FanOut::process();
    fanOut.attach(file);
    FanOut::install();

    std::atomic<bool> sending{true};
    std::thread churn([&] {  // attaches and detaches a second sink meanwhile
        auto counter = std::make_shared<FunctionSink>([](VkCErrorList&) {});
        while (sending) {
            fanOut.attach(counter);
            fanOut.detach(counter.get());
        }
    });
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t) {
        senders.emplace_back([t] {
            const std::string prefix = "thread " + std::to_string(t) + " seq ";
            for (int seq = 0; seq < kSends; ++seq) {
                VkCErrorManager::getInstance().sendMessage(1, 0, 1, 0, seq, "worker", "%s",
                                                           (prefix + std::to_string(seq)).c_str());
            }
        });
    }
    for (std::thread& sender : senders) sender.join();
    sending = false;
    churn.join();
    FanOut::uninstall();
    fanOut.detach(file.get());
    EXPECT_EQ(file->writeErrors(), 0u);
    EXPECT_GT(file->rotations(), kKeptFiles);

    // Oldest file first, so each thread's numbers must come in order.
    std::map<int, std::vector<int>> seen;
    for (uint32_t number = kKeptFiles + 1; number-- > 0;) {
        const std::string path = options.path + (number == 0 ? "" : "." + std::to_string(number));
        std::ifstream in(path);
        ASSERT_TRUE(in) << path;
        std::string header, text;
        while (std::getline(in, header)) {
            ASSERT_TRUE(std::getline(in, text)) << "half a message at the end of " << path;
            int thread = -1, seq = -1;
            ASSERT_EQ(std::sscanf(text.c_str(), "thread %d seq %d", &thread, &seq), 2) << text;
            EXPECT_NE(header.find("worker():" + std::to_string(seq)), std::string::npos) << header;
            seen[thread].push_back(seq);
        }
        std::remove(path.c_str());
    }
    EXPECT_NE(access((options.path + "." + std::to_string(kKeptFiles + 1)).c_str(), F_OK), 0);
    rmdir(folder);
    ASSERT_FALSE(seen.empty());
    for (const auto& [thread, seqs] : seen) {
        // The kept files hold each thread's newest messages, each once.
        for (size_t i = 0; i < seqs.size(); ++i) {
            ASSERT_EQ(seqs[i], kSends - static_cast<int>(seqs.size()) + static_cast<int>(i))
                << "thread " << thread;
        }
    }
}

}  // namespace
}  // namespace VkNDelivery
