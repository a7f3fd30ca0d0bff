#pragma once
// A console reporter that, after the usual table, states each benchmark of
// ours against its peer as a ratio of their rates (the median when the run is
// repeated), with the goal it is held to, so one run says where we stand.

#include <benchmark/benchmark.h>
#include <stdio.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace benchratio {

struct Ratio {
    const char* ours;     // full benchmark name with its arguments, "BM_Copy565_Ours/240/320"
    const char* peer;     // the peer's, measured in the same run
    const char* counter;  // the rate compared: "bytes_per_second", "Mpix/s"
    double goal;          // the least ratio aimed for; 0 when there is none
};

class Reporter : public benchmark::ConsoleReporter {
public:
    explicit Reporter(std::vector<Ratio> ratios) : ConsoleReporter(OO_None), ratios_(std::move(ratios)) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            record(r);
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const
    {
        bool header = false;
        for (const Ratio& q : ratios_) {
            double ours = rate(q.ours, q.counter), peer = rate(q.peer, q.counter);
            if (ours <= 0 || peer <= 0)
                continue;
            if (!header)
                printf("\nRatios (ours / peer, %s):\n", medians_ ? "medians" : "single runs");
            header = true;
            double x = ours / peer;
            printf("  %-34s / %-40s %6.2fx", q.ours, q.peer, x);
            if (q.goal > 0)
                printf("   goal >= %.2fx: %s", q.goal, x >= q.goal ? "met" : "MISSED");
            printf("\n");
        }
    }

private:
    struct Entry {
        std::map<std::string, double> counters;
        bool median = false;
    };

    void record(const Run& r)
    {
        if (r.error_occurred)
            return;
        bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
        if (r.run_type != Run::RT_Iteration && !median)
            return;
        Entry& e = rates_[r.run_name.str()];
        if (e.median && !median)
            return;
        e.median = median;
        medians_ = medians_ || median;
        for (const auto& [name, counter] : r.counters)
            e.counters[name] = counter.value;
    }

    double rate(const char* name, const char* counter) const
    {
        auto it = rates_.find(name);
        if (it == rates_.end())
            return 0;
        auto c = it->second.counters.find(counter);
        return c == it->second.counters.end() ? 0 : c->second;
    }

    std::vector<Ratio> ratios_;
    std::map<std::string, Entry> rates_;
    bool medians_ = false;
};

// The body of a benchmark program's main: runs what the command line selects
// and then prints the ratios.
inline int run(int argc, char** argv, std::vector<Ratio> ratios)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Reporter reporter(std::move(ratios));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}

}
