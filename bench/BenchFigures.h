// Runs the registered benchmarks and then prints the figures that matter:
// each a ratio against a baseline measured in the same run (or a count),
// with its goal and whether it is met. scripts/bench collects the lines
// that begin with "FIGURE".
#pragma once

#include <benchmark/benchmark.h>

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "testing/portable/TestOs.h"

namespace benchfig {

// What one benchmark measured: seconds of real time per iteration, and its
// user counters as reported.
struct Result {
  double secondsPerIteration = 0.0;
  std::map<std::string, double> counters;
};
using Results = std::map<std::string, Result>;

struct Figure {
  std::string what;
  std::string unit;
  double goal;  // the figure is met when value <= goal; NaN for a baseline
  // The value from the results; NaN when a benchmark it needs did not run.
  std::function<double(const Results&)> value;
};

// Seconds per iteration of one benchmark over another's.
double Ratio(const Results& results, const std::string& measured, const std::string& baseline);
// A counter of one benchmark.
double Counter(const Results& results, const std::string& name, const std::string& counter);

// Polls `condition` until it holds; throws after 30 s, naming `what`.
template <typename Condition>
void WaitFor(Condition condition, const char* what) {
  if (!testos::WaitUntil(condition, std::chrono::seconds(30), std::chrono::microseconds(200))) {
    throw std::runtime_error(std::string("timed out waiting for ") + what);
  }
}

// The value below which `share` (0 to 1) of `values` lie; sorts them.
double Percentile(std::vector<double>& values, double share);

// --- One thread's use of the machine, as the kernel counts it -----------------

pid_t CurrentThreadId();
// Every thread of this process.
std::set<pid_t> ThreadIds();
// A thread's name as the kernel has it (empty when it has gone).
std::string ThreadName(pid_t tid);

struct ThreadUsage {
  double cpuSeconds = 0.0;
  std::int64_t pageFaults = 0;  // minor and major
};
// Any thread of this process.
ThreadUsage ReadThreadUsage(pid_t tid);

// One side of a benchmark whose sides take turns: what a thread spent over
// the frames it handled.
struct CpuTurn {
  double cpuSeconds = 0.0;
  std::int64_t pageFaults = 0;
  int frames = 0;

  CpuTurn& operator+=(const CpuTurn& other);
  double MsPerFrame() const { return cpuSeconds * 1000.0 / frames; }
};
// The worker's and the baseline's CPU per frame as the counters
// "worker_cpu_ms_per_frame" and "<baseline>_cpu_ms_per_frame", and the
// first over the second as "ratio".
void SetCpuPerFrameCounters(benchmark::State& state, const CpuTurn& worker, const CpuTurn& baseline,
                            const std::string& baselineName);

// benchmark::Initialize, run everything (console output as usual), then
// one "FIGURE" line per figure whose benchmarks ran. Returns the exit code.
int RunAndReport(int argc, char** argv, const std::vector<Figure>& figures);

}  // namespace benchfig
