// "Connection" as a host follows it: a value-changed event on parameter 5
// through code 46 whenever the text changes, and the new text through code 9.
#include "E2eSupport.h"

namespace {

using e2e::kConnection;

using Status = e2e::PreviewTest;

// The events code 46 hands over now, as (parameter, flags) pairs.
std::vector<std::pair<uint32_t, uint64_t>> TakeEvents(const testhost::PluginInstance& instance) {
  const testhost::ParameterEvents taken = instance.TakeParameterEvents(16);
  EXPECT_EQ(taken.result, FF_SUCCESS);
  std::vector<std::pair<uint32_t, uint64_t>> events;
  for (const ParameterEventRecord& event : taken.events) {
    events.emplace_back(event.parameterID, event.eventFlags);
  }
  return events;
}

const std::vector<std::pair<uint32_t, uint64_t>> kOneChange = {{kConnection, FF_EVENT_FLAG_VALUE}};

TEST_F(Status, FirstDrawAnnouncesTheReceiversTextOnceAndOnlyChangesFollow) {
  NdiSim_BlockReadyCheck(1);  // the worker stays at its first status meanwhile
  auto& instance = Instantiate();
  EXPECT_EQ(instance.GetNumPendingParameterEvents(), 0u);
  EXPECT_EQ(Connection(instance), "Starting");

  Render(instance);
  EXPECT_EQ(instance.GetNumPendingParameterEvents(), 1u);
  EXPECT_EQ(TakeEvents(instance), kOneChange);
  EXPECT_EQ(Connection(instance), "Starting NDI");

  Render(instance);
  Render(instance);
  EXPECT_EQ(instance.GetNumPendingParameterEvents(), 0u);

  // The worker finds the source: one more change, however many draws see it.
  NdiSim_BlockReadyCheck(0);
  const std::string receiving = std::string("Receiving: ") + e2e::kMainSource;
  int changes = 0;
  ASSERT_TRUE(e2e::WaitUntil([&] {
    Render(instance);
    changes += static_cast<int>(TakeEvents(instance).size());
    return Connection(instance) == receiving;
  }));
  EXPECT_EQ(changes, 1);
  Render(instance);
  EXPECT_EQ(instance.GetNumPendingParameterEvents(), 0u);
}

}  // namespace
