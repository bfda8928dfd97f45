// The console report of the suite, followed by the ratio table: for every
// measured operation, its cost per message next to the cost of its reference
// from the same run, their ratio and the target that ratio must meet.
//
// Costs are read from the "items_per_second" counter every benchmark sets,
// which makes single- and multi-threaded runs comparable (for threaded runs
// it is the throughput of all threads together). With repetitions the
// medians are used. Not thread-safe; the benchmark library calls it from one
// thread.
#ifndef VKERRORHANDLING_BENCH_RATIOREPORTER_H_
#define VKERRORHANDLING_BENCH_RATIOREPORTER_H_

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace VkNBench {

// One row of the table: `ours` divided by `reference`, both benchmark names
// without the "/real_time" suffix. A target of 0 means the row is for
// information only; `strict` asks for "<" instead of "<=".
//
// With a `floor`, the floor's cost is taken off both sides first: the ratio
// of what each adds above the part neither can shorten. With `atLeast`, the
// ratio is a throughput ratio (the reference's cost over ours) that must
// reach the target.
struct Comparison {
    std::string label;
    std::string ours;
    std::string reference;
    double target;
    bool strict;
    std::string floor = "";
    bool atLeast = false;
};

// The rows of this suite, in the order they are printed.
std::vector<Comparison> suiteComparisons();
// The rows of the delivery suite (vkerr_delivery_bench).
std::vector<Comparison> deliveryComparisons();

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    explicit RatioReporter(std::vector<Comparison> comparisons);

    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

  private:
    void printTable();

    std::vector<Comparison> comparisons_;
    std::map<std::string, double> nanosecondsPerMessage_;  // by benchmark name
};

}  // namespace VkNBench

#endif  // VKERRORHANDLING_BENCH_RATIOREPORTER_H_
