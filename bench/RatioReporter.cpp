#include "RatioReporter.h"

#include <cstdio>
#include <ostream>
#include <utility>

namespace VkNBench {

namespace {

std::string runKey(const benchmark::BenchmarkReporter::Run& run) {
    benchmark::BenchmarkName name = run.run_name;
    name.time_type.clear();  // "real_time" says how, not what, was measured
    return name.str();
}

std::string formatNumber(int decimals, double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

bool meetsTarget(const Comparison& comparison, double ratio) {
    if (comparison.atLeast) return ratio >= comparison.target;
    return comparison.strict ? ratio < comparison.target : ratio <= comparison.target;
}

std::string targetText(const Comparison& comparison) {
    const char* relation = comparison.atLeast ? ">= " : comparison.strict ? "< " : "<= ";
    return relation + formatNumber(2, comparison.target);
}

}  // namespace

RatioReporter::RatioReporter(std::vector<Comparison> comparisons) : comparisons_(std::move(comparisons)) {}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.error_occurred) continue;
        // The median of repetitions, or the single run when there is none.
        const bool isMedian = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        const bool isSingle = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
        if (!isMedian && !isSingle) continue;
        auto rate = run.counters.find("items_per_second");
        if (rate == run.counters.end() || rate->second.value <= 0) continue;
        nanosecondsPerMessage_[runKey(run)] = 1e9 / rate->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
}

void RatioReporter::Finalize() {
    ConsoleReporter::Finalize();
    printTable();
}

void RatioReporter::printTable() {
    std::ostream& out = GetOutputStream();
    out << "\n| operation | reference | reference ns/msg | ours ns/msg | ratio | target | met |\n"
        << "|---|---|---:|---:|---:|---|---|\n";
    int missed = 0;
    for (const Comparison& comparison : comparisons_) {
        auto ours = nanosecondsPerMessage_.find(comparison.ours);
        auto reference = nanosecondsPerMessage_.find(comparison.reference);
        if (ours == nanosecondsPerMessage_.end() || reference == nanosecondsPerMessage_.end()) continue;
        double oursCost = ours->second;
        double referenceCost = reference->second;
        std::string referenceName = comparison.reference;
        if (!comparison.floor.empty()) {
            auto floor = nanosecondsPerMessage_.find(comparison.floor);
            if (floor == nanosecondsPerMessage_.end()) continue;
            oursCost -= floor->second;
            referenceCost -= floor->second;
            referenceName += " - " + comparison.floor;
        }
        const double ratio = comparison.atLeast ? referenceCost / oursCost : oursCost / referenceCost;
        std::string target = "-";
        std::string met = "-";
        if (comparison.target > 0) {
            target = targetText(comparison);
            met = meetsTarget(comparison, ratio) ? "yes" : "NO";
            if (met == "NO") ++missed;
        }
        out << "| " << comparison.label << " | " << referenceName << " | "
            << formatNumber(1, referenceCost) << " | " << formatNumber(1, oursCost) << " | "
            << formatNumber(2, ratio) << " | " << target << " | " << met << " |\n";
    }
    out << "\nTargets missed: " << missed << "\n";
    out.flush();
}

}  // namespace VkNBench
