#include "BenchFigures.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace benchfig {

namespace {

// The console reporter, keeping each run's per-iteration time and counters.
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  // Plain text: scripts/bench greps the output.
  explicit CollectingReporter(Results& results) : ConsoleReporter(OO_Tabular), results(results) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      Result& result = results[run.run_name.str()];
      result.secondsPerIteration = run.real_accumulated_time / static_cast<double>(run.iterations);
      for (const auto& counter : run.counters) result.counters[counter.first] = counter.second.value;
    }
  }

 private:
  Results& results;
};

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

}  // namespace

double Ratio(const Results& results, const std::string& measured, const std::string& baseline) {
  const auto m = results.find(measured);
  const auto b = results.find(baseline);
  if (m == results.end() || b == results.end() || b->second.secondsPerIteration <= 0.0) return kMissing;
  return m->second.secondsPerIteration / b->second.secondsPerIteration;
}

double Counter(const Results& results, const std::string& name, const std::string& counter) {
  const auto r = results.find(name);
  if (r == results.end()) return kMissing;
  const auto c = r->second.counters.find(counter);
  return c == r->second.counters.end() ? kMissing : c->second;
}

int RunAndReport(int argc, char** argv, const std::vector<Figure>& figures) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  Results results;
  CollectingReporter reporter(results);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  for (const Figure& figure : figures) {
    const double value = figure.value(results);
    if (std::isnan(value)) continue;  // its benchmarks were filtered out
    if (std::isnan(figure.goal)) {
      std::printf("FIGURE %s: %.3f %s (baseline)\n", figure.what.c_str(), value, figure.unit.c_str());
    } else {
      std::printf("FIGURE %s: %.3f %s (goal <= %.3g) %s\n", figure.what.c_str(), value,
                  figure.unit.c_str(), figure.goal, value <= figure.goal ? "met" : "NOT MET");
    }
  }
  std::fflush(stdout);
  return 0;
}

}  // namespace benchfig
