#include "BenchFigures.h"

#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <limits>
#include <sstream>

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

double Percentile(std::vector<double>& values, double share) {
  if (values.empty()) return kMissing;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size()));
  return values[std::min(values.size() - 1, index)];
}

pid_t CurrentThreadId() { return static_cast<pid_t>(syscall(SYS_gettid)); }

std::set<pid_t> ThreadIds() {
  std::set<pid_t> ids;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (const dirent* entry = readdir(tasks)) {
      if (entry->d_name[0] != '.') ids.insert(static_cast<pid_t>(std::atoi(entry->d_name)));
    }
    closedir(tasks);
  }
  return ids;
}

std::string ThreadName(pid_t tid) {
  std::ifstream comm("/proc/self/task/" + std::to_string(tid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

// Its CPU-time clock is derived from its id the way pthread_getcpuclockid
// derives it.
ThreadUsage ReadThreadUsage(pid_t tid) {
  ThreadUsage usage;
  const clockid_t clock = static_cast<clockid_t>((~static_cast<unsigned>(tid) << 3) | 6u);
  timespec cpu{};
  if (clock_gettime(clock, &cpu) != 0) throw std::runtime_error("no CPU clock for the thread");
  usage.cpuSeconds = static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) * 1e-9;

  std::ifstream statFile("/proc/self/task/" + std::to_string(tid) + "/stat");
  std::string stat;
  std::getline(statFile, stat);
  // After the command name: state, ppid, pgrp, session, tty, tpgid, flags,
  // minflt, cminflt, majflt.
  std::istringstream fields(stat.substr(stat.rfind(')') + 1));
  std::string field[10];
  for (std::string& f : field) fields >> f;
  usage.pageFaults = std::atoll(field[7].c_str()) + std::atoll(field[9].c_str());
  return usage;
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

CpuTurn& CpuTurn::operator+=(const CpuTurn& other) {
  cpuSeconds += other.cpuSeconds;
  pageFaults += other.pageFaults;
  frames += other.frames;
  return *this;
}

void SetCpuPerFrameCounters(benchmark::State& state, const CpuTurn& worker, const CpuTurn& baseline,
                            const std::string& baselineName) {
  state.counters["worker_cpu_ms_per_frame"] = worker.MsPerFrame();
  state.counters[baselineName + "_cpu_ms_per_frame"] = baseline.MsPerFrame();
  state.counters["ratio"] = worker.MsPerFrame() / baseline.MsPerFrame();
}

}  // namespace benchfig
