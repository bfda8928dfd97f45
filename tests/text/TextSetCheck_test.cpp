// The text set checker: one mistake of each kind is found where it is, the
// library's own sets pass, and its reading of placeholders and of recorded
// values agrees with rendering and recording.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkTextCheck.h"
#include "catalogue/LibraryTexts.h"
#include "support/EntryChecks.h"
#include "text/RecordedKinds.h"

namespace VkNTextCheck {
namespace {

using Found = std::vector<std::pair<VkETextProblem, uint32_t>>;

Found found(const std::vector<VkTextProblem>& problems) {
    Found kinds;
    for (const VkTextProblem& problem : problems) {
        kinds.emplace_back(problem.kind, problem.code);
        EXPECT_EQ(problem.reason.find('\n'), std::string::npos) << problem.reason;
    }
    return kinds;
}

Found check(std::vector<const char*> texts, std::vector<uint32_t> starts, std::vector<VkCodeFormat> formats,
            uint32_t moduleCode = 0x200000) {
    const VkResText set = {texts.data(), starts.data(), static_cast<uint32_t>(starts.size() - 1), moduleCode};
    return found(checkTextSet(set, texts.size(), formats));
}

TEST(TextSetCheck, TheLibrarysOwnSetsPass) {
    const std::vector<VkCodeFormat> reported = {
        {0x100004, nullptr},      {0x102001, "%08X%08X"}, {0x102002, "%08X%08X"}, {0x102003, "%d"},
        {0x102004, "%d%08X%08X"}, {0x102005, "%d%d"},     {0x102006, nullptr},    {0x102007, "%08X%08X%08x"},
        {0x102008, "%08X%d%d"},   {0x10200A, "%08X%d"},   {0x10200B, "%08X%d%d"},
    };
    EXPECT_EQ(found(checkTextSet(VkNCatalogue::libraryTextSet(), 23, reported)), Found{});
    EXPECT_EQ(
        found(checkTextSet(VkNCatalogue::userMessageTextSet(), 1, {{0, "%s"}, {0, "%lld"}, {0, "%.2f"}})),
        Found{});
}

TEST(TextSetCheck, FindsEachMistakeWhereItIs) {
    // Right: escapes, lone signs, "%+1" (read as 1), and descriptors that
    // recording and rendering read alike though printf reads them otherwise.
    EXPECT_EQ(check({"Disk %1 is %2%% full, 100% sure.", "%+1 % 1 %%", "%1"}, {0, 2, 3},
                    {{0x200000, "%s%d"},
                     {0x200000, "%-8s%ld"},
                     {0x200000, "%s%o"},
                     {0x200001, "%%d"},
                     {0x200001, "%p"},
                     {0x200001, "%zu"},
                     {0x200800, "%5.2e"},
                     {0x300000, "%d"}}),
              Found{});
    EXPECT_EQ(check({"a"}, {0, 1}, {}, 0x1A00000), Found({{ModuleNotInTable, 0x1A00000}}));
    EXPECT_EQ(check({"a"}, {0, 1}, {}, 0x200001), Found({{ModuleNotInTable, 0x200001}}));
    EXPECT_EQ(check({"a", "b", "c"}, {0, 2, 1, 3}, {}), Found({{GroupStartsInvalid, 0x200800}}));
    EXPECT_EQ(check({"a", "b", "c"}, {0, 2, 4, 5}, {}), Found({{GroupStartsInvalid, 0x200800}}));
    EXPECT_EQ(check({"a", nullptr}, {0, 2}, {}), Found({{NullText, 0x200001}}));
    EXPECT_EQ(check({"a", "%0 %6 %12 %5"}, {0, 2}, {}), Found(3, {PlaceholderNumber, 0x200001}));
    EXPECT_EQ(check({"%s, %-1, %x%", "\t%\n"}, {0, 2}, {}), Found({{NotAPlaceholder, 0x200000},
                                                                   {NotAPlaceholder, 0x200000},
                                                                   {NotAPlaceholder, 0x200000},
                                                                   {NotAPlaceholder, 0x200001}}));
    EXPECT_EQ(check({"%1 %3 %3", "%1"}, {0, 2}, {{0x200000, "%s%d"}, {0x200001, nullptr}}),
              Found({{PlaceholderAboveFormat, 0x200000}, {PlaceholderAboveFormat, 0x200001}}));
    // "%Lf" is rejected by rendering, "%d," and "%c" have no class, "% d"
    // stores an integer that rendering's "%s" can't show, and recording stops
    // at "%d " before storing anything.
    EXPECT_EQ(check({"%1 %2 %3 %4 %5", "%1"}, {0, 2},
                    {{0x200000, "%s%d%Lf%d,%c"}, {0x200001, "% d%s"}, {0x200001, "%d %s"}}),
              Found({{DescriptorMismatch, 0x200000},
                     {DescriptorMismatch, 0x200000},
                     {DescriptorMismatch, 0x200000},
                     {DescriptorMismatch, 0x200001},
                     {DescriptorMismatch, 0x200001}}));

    const char* texts[] = {"a"};
    const uint32_t starts[] = {0, 1};
    EXPECT_EQ(found(checkTextSet({nullptr, starts, 1, 0x200000}, 0, {{0x200000, "%d"}})),
              Found({{NullText, 0x200000}}));
    EXPECT_EQ(found(checkTextSet({texts, nullptr, 1, 0x200000})), Found({{NullText, 0x200000}}));
}

// Random texts from the characters that matter, rendered against three int
// parameters: the checker flags a text exactly when rendering shows the
// out-of-range diagnostic.
TEST(TextSetCheck, FlagsExactlyTheTextsThatRenderTheDiagnostic) {
    VkCErrorList list(1, 5, 0, 0, nullptr);
    list.setError(1, 1, "f", "%d%d%d", 1, 2, 3);
    std::mt19937 random(14);
    const std::string alphabet = "%%%%0123456+- \tsx";
    for (int round = 0; round < 3000; ++round) {
        std::string text(1 + random() % 8, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        std::string rendered;
        list.printParameter(rendered, 0, text.c_str(), "%d%d%d");
        const char* texts[] = {text.c_str()};
        const uint32_t starts[] = {0, 1};
        const auto problems = checkTextSet({texts, starts, 1, 0x200000}, 1, {{0x200000, "%d%d%d"}});
        EXPECT_EQ(rendered.find("out of range") != std::string::npos, !problems.empty())
            << "'" << text << "'";
    }
}

// The walk without values names the kinds that recording stored.
TEST(TextSetCheck, RecordedKindsFollowRecording) {
    VkCErrorList list(16, 10, 0, 0, nullptr);
#pragma GCC diagnostic push  // these formats are read differently by printf, or stop the walk
#pragma GCC diagnostic ignored "-Wformat"
#pragma GCC diagnostic ignored "-Wformat-extra-args"
    list.setError(1, 1, "f", "%d%s%f", 1, "s", 2.5);
    list.setError(2, 1, "f", "%lld%llx%zu%p", 1LL, 2ULL, size_t{3}, static_cast<void*>(nullptr));
    list.setError(3, 1, "f", "%ld%hd%o%I64d", 1, 2, 3, 4);
    list.setError(4, 1, "f", "%%d%%", 9);
    list.setError(5, 1, "f", "%d%c%d", 1, 'x', 2);
    list.setError(6, 1, "f", "d%d", 1);
    list.setError(7, 1, "f", "%d, %s", 1, "s");
    list.setError(8, 1, "f", "%5.2e%-3s%G%", 1.0, "s", 2.0);
    list.setError(9, 1, "f", "%d%d%d%d%d%d%d%d%d%d%d%d", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12);
#pragma GCC diagnostic pop
    for (uint32_t index = 0; index < list.getNumberOfUsedEntries(); ++index) {
        const std::string described = VkNTest::describeParameters(list, index);  // "i:1 s:s d:2.5"
        std::string stored;
        for (size_t i = 0; i < described.size(); ++i) {
            if (i == 0 || described[i - 1] == ' ') stored += described[i];
        }
        VkNList::VkEDescriptorKind kinds[kMaxAdditionalParameters];
        std::string walked;
        const uint32_t count = VkNText::recordedKinds(list.getFormatString(index), kinds);
        for (uint32_t i = 0; i < count; ++i) walked += "diws"[static_cast<int>(kinds[i])];
        EXPECT_EQ(walked, stored) << list.getFormatString(index);
    }
}

}  // namespace
}  // namespace VkNTextCheck
