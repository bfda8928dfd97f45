#include <VkErrorHandling/Delivery/FileSink.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace VkNDelivery {
namespace {

using std::chrono::milliseconds;

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A folder of its own per test, removed with everything in it.
class FileSinkTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(mkdtemp(folder_), nullptr); }
    void TearDown() override { std::system(("rm -rf " + std::string(folder_)).c_str()); }

    std::string path(const std::string& name) const { return std::string(folder_) + "/" + name; }
    void sendTo(FileSink& sink, uint32_t messages, const char* text) {
        VkCErrorList list(messages, 5, 0, 7, nullptr);
        for (uint32_t i = 0; i < messages; ++i) list.setMessage(1, 0, i + 1, "send", "%s", text);
        sink.deliver(list, milliseconds(0));
    }

    char folder_[32] = "/tmp/vkerr-sink-XXXXXX";
};

TEST_F(FileSinkTest, WritesWhatPrintWritesAndRotatesOnlyNonEmptyFiles) {
    FileSinkOptions options;
    options.path = path("app.log");
    options.rotateBytes = 200;
    options.keptFiles = 2;
    FileSink sink(options);
    const std::string big(300, 'x');
    sendTo(sink, 1, big.c_str());  // larger than the limit: written whole, nothing to rotate
    EXPECT_EQ(sink.rotations(), 0u);
    sendTo(sink, 1, "small");  // would pass the limit: one rotation first
    sendTo(sink, 1, "small");
    EXPECT_EQ(sink.rotations(), 1u);
    EXPECT_NE(readFile(path("app.log.1")).find(big), std::string::npos);

    VkCErrorList list(2, 5, 0, 7, nullptr);
    list.setMessage(1, 0, 1, "send", "%s", "small");
    std::FILE* printed = std::tmpfile();
    list.print(printed, false);
    std::rewind(printed);
    char expected[512] = {};
    std::fread(expected, 1, sizeof expected - 1, printed);
    std::fclose(printed);
    EXPECT_EQ(readFile(path("app.log")), std::string(expected) + expected);
}

TEST_F(FileSinkTest, WriteFailuresAreCountedAndTheNextListOpensAgain) {
    FileSinkOptions devFull;
    devFull.path = "/dev/full";
    devFull.rotateBytes = 1;  // a device is never rotated (renamed)
    FileSink full(devFull);
    for (int i = 0; i < 3; ++i) sendTo(full, 2, "lost");
    EXPECT_EQ(full.writeErrors(), 3u);
    EXPECT_EQ(full.lastError(), ENOSPC);
    EXPECT_EQ(access("/dev/full", F_OK), 0);
    EXPECT_EQ(full.rotations(), 0u);

    FileSinkOptions options;
    options.path = path("later/app.log");  // the folder does not exist yet
    FileSink sink(options);
    sendTo(sink, 1, "first");
    EXPECT_EQ(sink.writeErrors(), 1u);
    ASSERT_EQ(mkdir(path("later").c_str(), 0755), 0);
    {
        std::ofstream torn(options.path);
        torn << "a line cut short";
    }
    sendTo(sink, 1, "second");
    EXPECT_EQ(sink.writeErrors(), 1u);
    const std::string text = readFile(options.path);
    EXPECT_EQ(text.rfind("a line cut short\n", 0), 0u) << text;
    EXPECT_NE(text.find("second\n"), std::string::npos);
}

TEST_F(FileSinkTest, AFailedRotationLosesNothingAndARemovedFileIsMadeAgain) {
    FileSinkOptions options;
    options.path = path("app.log");
    options.rotateBytes = 100;
    options.keptFiles = 1;
    options.pathCheckInterval = milliseconds(0);
    FileSink sink(options);
    ASSERT_EQ(mkdir(path("app.log.1").c_str(), 0755), 0);  // the rename target cannot be replaced
    ASSERT_EQ(mkdir(path("app.log.1/keep").c_str(), 0755), 0);
    sendTo(sink, 1, "first");
    sendTo(sink, 1, "second");
    EXPECT_NE(sink.lastError(), 0);
    EXPECT_EQ(sink.writeErrors(), 0u);
    const std::string kept = readFile(options.path);
    EXPECT_NE(kept.find("first\n"), std::string::npos);
    EXPECT_NE(kept.find("second\n"), std::string::npos);

    ASSERT_EQ(std::remove(options.path.c_str()), 0);
    sendTo(sink, 1, "third");
    EXPECT_EQ(sink.reopenings(), 1u);
    EXPECT_NE(readFile(options.path).find("third\n"), std::string::npos);
}

TEST_F(FileSinkTest, JsonLinesHoldOneObjectPerMessage) {
    FileSinkOptions options;
    options.path = path("app.jsonl");
    options.layout = Layout::kJson;
    FileSink sink(options);
    sendTo(sink, 3, "line\nbreak");
    const std::string text = readFile(options.path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    EXPECT_EQ(text.rfind("{\"index\":0,\"nodeId\":7,", 0), 0u) << text;
    EXPECT_NE(text.find("\"text\":\"line\\nbreak\"}\n{\"index\":1,"), std::string::npos);
}

}  // namespace
}  // namespace VkNDelivery
