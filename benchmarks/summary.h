// SPDX-License-Identifier: MIT
// Google Benchmark's console output, then the figures side by side: the
// callback against the bare atomic floor and against the mutex baseline,
// each the median of the repetitions with their range.
#ifndef TAG_MIRROR_BENCH_SUMMARY_H
#define TAG_MIRROR_BENCH_SUMMARY_H

#include <algorithm>
#include <iomanip>
#include <map>
#include <ostream>
#include <sstream>
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
        // The summary takes every repetition; the console, where there are
        // repetitions, only their aggregates.
        std::vector<Run> shown;
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration)
                ns_[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
            if (run.run_type != Run::RT_Iteration || run.repetitions <= 1)
                shown.push_back(run);
        }
        if (!shown.empty())
            ConsoleReporter::ReportRuns(shown);
    }

    void print_summary() const
    {
        out_ << std::fixed << std::setprecision(2);
        out_ << "\nns per callback: median of the repetitions [lowest, highest]\n";
        out_ << "  calling an empty callback: " << figure("report/empty_callback") << "\n";
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
        out_ << "  " << what << ": tag-mirror " << figure(name + "/tag_mirror") << ", bare atomic "
             << figure(floor) << ", " << median(name + "/tag_mirror") / median(floor)
             << "x the floor\n";
    }

    void versus(const char *what, const std::string &name) const
    {
        out_ << "  " << what << ": mutex " << figure(name + "/mutex_baseline") << ", tag-mirror "
             << figure(name + "/tag_mirror") << ", tag-mirror "
             << median(name + "/mutex_baseline") / median(name + "/tag_mirror")
             << "x as fast\n";
    }

    std::vector<double> sorted(const std::string &name) const
    {
        const auto found = ns_.find(name);
        std::vector<double> times = found != ns_.end() ? found->second : std::vector<double>{0.0};
        std::sort(times.begin(), times.end());
        return times;
    }

    double median(const std::string &name) const
    {
        const std::vector<double> times = sorted(name);
        const std::size_t n = times.size();
        return n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    }

    // "2.48 ns [2.41, 2.60]"
    std::string figure(const std::string &name) const
    {
        const std::vector<double> times = sorted(name);
        std::ostringstream text;
        text << std::fixed << std::setprecision(2) << median(name) << " ns [" << times.front()
             << ", " << times.back() << "]";
        return text.str();
    }

    std::ostream &out_;
    std::map<std::string, std::vector<double>> ns_; // every repetition's time
};

#endif
