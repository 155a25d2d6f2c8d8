// Console output of Google Benchmark plus a closing table of peer time / trelk time.
//
// Benchmarks are named "<case>/trelk" and "<case>/<peer>"; each iteration runs the same number of
// calls on both sides. The best CPU time over repetitions counts (the machine may be shared).
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal.
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const std::string& name = run.run_name.function_name;
            auto slash = name.rfind('/');
            if (slash == std::string::npos) continue;
            double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            std::string pair = name.substr(0, slash);
            if (!cases_.count(pair)) order_.push_back(pair);
            auto& best = cases_[pair][name.substr(slash + 1)];
            if (best == 0.0 || seconds < best) best = seconds;
        }
    }

    // One line per case: nanoseconds per call on each side and the ratio; returns the smallest ratio.
    double print_ratios(const std::string& peer, double calls_per_iteration) const {
        double worst = std::numeric_limits<double>::infinity();
        std::printf("\n%-22s %12s %12s %14s\n", "pair", "trelk ns", (peer + " ns").c_str(),
                    (peer + "/trelk").c_str());
        for (const std::string& name : order_) {
            const auto& sides = cases_.at(name);
            auto own = sides.find("trelk"), other = sides.find(peer);
            if (own == sides.end() || other == sides.end()) continue;
            double ratio = other->second / own->second;
            worst = std::min(worst, ratio);
            std::printf("%-22s %12.2f %12.2f %13.1fx\n", name.c_str(), own->second * 1e9 / calls_per_iteration,
                        other->second * 1e9 / calls_per_iteration, ratio);
        }
        return worst;
    }

private:
    std::map<std::string, std::map<std::string, double>> cases_;
    std::vector<std::string> order_;  // cases in the order they first ran
};

}  // namespace bench
