#include "TestProbe.h"

namespace probe {

namespace {
Switches g_switches;
std::vector<std::string> g_calls;
int g_nextSerial = 1;
int g_glewInitCalls = 0;
std::vector<const void*> g_objects;
}  // namespace

Switches& GetSwitches() { return g_switches; }
std::vector<std::string>& Calls() { return g_calls; }
void Record(const std::string& call) { g_calls.push_back(call); }
int NextObjectSerial() { return g_nextSerial++; }
int& GlewInitCalls() { return g_glewInitCalls; }
std::vector<const void*>& Objects() { return g_objects; }

void Reset() {
  g_switches = Switches{};
  g_calls.clear();
  g_nextSerial = 1;
  g_glewInitCalls = 0;
  g_objects.clear();
}

}  // namespace probe
