// The simulators' shared log: every line to the file, the newest within the memory limit to
// entries(), read back as written.
#include "sim/common/sim_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "sim/common/settings.h"

namespace helx::sim {
namespace {

class SimLogTest : public testing::Test {
 protected:
  void SetUp() override {
    std::remove(path_.c_str());
    use(SimLog::kDefaultMemoryBytes);
  }
  void TearDown() override {
    Settings::instance().set({{"log", {{"path", ""}}}});
    SimLog::instance().reopen();
    SimLog::instance().clear();
  }

  void use(std::size_t memoryBytes) {
    Settings::instance().set({{"log", {{"path", path_}, {"memory_bytes", memoryBytes}}}});
    SimLog::instance().reopen();
    SimLog::instance().clear();
  }

  std::size_t fileLines() const {
    std::ifstream in(path_);
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
  }

  // A file of this test's own: ctest runs the cases of this suite side by side.
  const std::string path_ = testing::TempDir() + "/sim_log_test-" +
                            testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                            std::to_string(::getpid()) + ".log";
};

TEST_F(SimLogTest, EntriesReadBackAsWrittenAndByDevice) {
  auto& simLog = SimLog::instance();
  simLog.write("pmac", "move", {{"from", 0.1}, {"to", -3}, {"program", 1}, {"why", "limit"}});
  simLog.write("camera", "acquisition", {{"end", nullptr}, {"series", true}, {"start", 12.345678}});
  const auto pmac = simLog.entries("pmac");
  ASSERT_EQ(pmac.size(), 1u);
  EXPECT_EQ(pmac[0]["dev"], "pmac");
  EXPECT_EQ(pmac[0]["ev"], "move");
  EXPECT_EQ(pmac[0]["from"].get<double>(), 0.1);  // exactly: a double survives its text
  EXPECT_EQ(pmac[0]["to"].get<int>(), -3);
  EXPECT_EQ(pmac[0]["why"], "limit");
  EXPECT_TRUE(pmac[0]["t"].is_number());
  const auto all = simLog.entries();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1]["dev"], "camera");
  EXPECT_TRUE(all[1]["end"].is_null());
  EXPECT_EQ(all[1]["series"], true);
  EXPECT_EQ(all[1]["start"].get<double>(), 12.345678);
  EXPECT_EQ(simLog.dropped(), 0u);
}

TEST_F(SimLogTest, MemoryKeepsTheNewestLinesWithinItsLimitAndTheFileKeepsAll) {
  use(2000);  // some twenty lines of this size
  auto& simLog = SimLog::instance();
  const int written = 200;
  for (int i = 0; i < written; ++i)
    simLog.write("camera", "exposure", {{"serial", i}, {"shutter", "open"}, {"start", 0.25 * i}});
  const auto kept = simLog.entries();
  std::size_t bytes = 0;
  for (const auto& e : kept) bytes += e.dump().size();  // the line as the file has it
  EXPECT_LE(bytes, 2000u);
  EXPECT_GE(kept.size(), 5u);
  EXPECT_LT(kept.size(), 50u);
  EXPECT_EQ(kept.size() + simLog.dropped(), static_cast<std::size_t>(written));
  // The newest, in order, none missing in between.
  for (std::size_t k = 0; k < kept.size(); ++k)
    EXPECT_EQ(kept[k]["serial"].get<int>(), written - static_cast<int>(kept.size() - k));
  EXPECT_EQ(fileLines(), static_cast<std::size_t>(written));

  simLog.clear();
  EXPECT_TRUE(simLog.entries().empty());
  EXPECT_EQ(simLog.dropped(), 0u);

  // No memory at all: the file still has everything.
  use(0);
  simLog.write("sixk", "command", {{"text", "1GO:"}});
  EXPECT_TRUE(simLog.entries().empty());
  EXPECT_EQ(simLog.dropped(), 1u);
  EXPECT_EQ(fileLines(), static_cast<std::size_t>(written) + 1);
}

TEST_F(SimLogTest, ALowerLimitTakesEffectAtReopen) {
  auto& simLog = SimLog::instance();
  for (int i = 0; i < 50; ++i) simLog.write("pmac", "move", {{"to", i}});
  ASSERT_EQ(simLog.entries().size(), 50u);
  Settings::instance().set({{"log", {{"path", path_}, {"memory_bytes", 500}}}});
  simLog.reopen();
  const auto kept = simLog.entries();
  ASSERT_FALSE(kept.empty());
  EXPECT_LT(kept.size(), 50u);
  EXPECT_EQ(kept.back()["to"], 49);
  EXPECT_EQ(kept.size() + simLog.dropped(), 50u);
}

}  // namespace
}  // namespace helx::sim
