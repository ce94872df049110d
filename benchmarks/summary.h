// SPDX-License-Identifier: MIT
// Google Benchmark's console output, then the figures side by side: the
// callback against the bare atomic floor and against the mutex baseline.
#ifndef TAG_MIRROR_BENCH_SUMMARY_H
#define TAG_MIRROR_BENCH_SUMMARY_H

#include <iomanip>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

class summary_reporter : public benchmark::ConsoleReporter {
public:
    explicit summary_reporter(std::ostream &out) : ConsoleReporter(OO_Tabular), out_(out)
    {
        SetOutputStream(&out);
        SetErrorStream(&out);
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            // With repetitions, the median; without, the one run.
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                ns_[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }

    void print_summary() const
    {
        out_ << std::fixed << std::setprecision(2);
        out_ << "\nns per callback (median where repeated)\n";
        out_ << "  calling an empty callback: " << ns("report/empty_callback") << " ns\n";
        row("report", "report", "atomic_store");
        row("hand back", "hand_back", "atomic_load");
        row("unknown handle", "unknown_handle", "atomic_load");
        row("2 threads, report + hand back", "report_and_hand_back", "atomic_store_and_load");
        out_ << "\nmutex baseline against tag-mirror\n";
        versus("report", "report");
        versus("hand back", "hand_back");
        versus("2 threads, report + hand back", "report_and_hand_back");
    }

private:
    void row(const char *what, const std::string &name, const std::string &floor) const
    {
        const double mirror = ns(name + "/tag_mirror");
        out_ << "  " << what << ": tag-mirror " << mirror << " ns, bare atomic " << ns(floor)
             << " ns, " << mirror / ns(floor) << "x the floor\n";
    }

    void versus(const char *what, const std::string &name) const
    {
        const double mutex = ns(name + "/mutex_baseline");
        const double mirror = ns(name + "/tag_mirror");
        out_ << "  " << what << ": mutex " << mutex << " ns, tag-mirror " << mirror
             << " ns, tag-mirror " << mutex / mirror << "x as fast\n";
    }

    double ns(const std::string &name) const
    {
        const auto found = ns_.find(name);
        return found != ns_.end() ? found->second : 0.0;
    }

    std::ostream &out_;
    std::map<std::string, double> ns_;
};

#endif
