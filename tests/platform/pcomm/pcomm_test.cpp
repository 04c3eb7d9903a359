#include "platform/pcomm/pcomm.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/os/clock.h"
#include "sim/common/settings.h"

namespace {

struct Library {
  void* handle = nullptr;
  PfnOpenPmacDevice open = nullptr;
  PfnClosePmacDevice close = nullptr;
  PfnPmacGetRomVersionA version = nullptr;
  PfnPmacGetRomDateA date = nullptr;
  PfnPmacGetResponseA response = nullptr;
  PfnPmacDownloadA download = nullptr;
  PfnPmacGetBufferA buffer = nullptr;
  PfnPmacSetQuickGather quickGather = nullptr;
  PfnPmacCollectGatherData collect = nullptr;
  PfnPmacGetGatherSamples samples = nullptr;
  PfnPmacGetIVariableLong ivariable = nullptr;

  template <typename T>
  void fetch(T& pointer, const char* name) {
    pointer = reinterpret_cast<T>(dlsym(handle, name));
    EXPECT_NE(pointer, nullptr) << name;
  }
  Library() {
    handle = dlopen("libpcomm32.so", RTLD_NOW);
    if (!handle) return;
    fetch(open, "OpenPmacDevice");
    fetch(close, "ClosePmacDevice");
    fetch(version, "PmacGetRomVersionA");
    fetch(date, "PmacGetRomDateA");
    fetch(response, "PmacGetResponseA");
    fetch(download, "PmacDownloadA");
    fetch(buffer, "PmacGetBufferA");
    fetch(quickGather, "PmacSetQuickGather");
    fetch(collect, "PmacCollectGatherData");
    fetch(samples, "PmacGetGatherSamples");
    fetch(ivariable, "PmacGetIVariableLong");
  }
  ~Library() {
    if (handle) dlclose(handle);
  }
  std::string send(const char* command) {
    char reply[256];
    response(0, reply, 255, command);
    return reply;
  }
};

void advance(double seconds) {
  helx::os::Clock::instance().advance(std::chrono::duration_cast<helx::os::Clock::duration>(
      std::chrono::duration<double>(seconds)));
}

class Pcomm : public ::testing::Test {
 protected:
  void SetUp() override {
    helx::os::Clock::instance().setManual(true);
    ASSERT_NE(lib.handle, nullptr) << dlerror();
  }
  Library lib;
};

TEST_F(Pcomm, EveryEntryPointIsFoundByItsExportedName) {
  EXPECT_NE(lib.ivariable, nullptr);  // the fetches themselves check each name
  EXPECT_EQ(lib.open(1), 0);          // only device 0 exists
  ASSERT_NE(lib.open(0), 0);
  char text[31];
  EXPECT_EQ(lib.version(0, text, 30), text);
  EXPECT_GT(std::strlen(text), 0u);
  EXPECT_EQ(lib.date(0, text, 30), text);
  EXPECT_GT(std::strlen(text), 0u);
  EXPECT_EQ(lib.ivariable(0, 108, -1), 96);
  EXPECT_EQ(lib.ivariable(0, 5000, -1), -1);
  EXPECT_EQ(lib.buffer(0, text, 30), 0);
  EXPECT_NE(lib.close(0), 0);
}

TEST_F(Pcomm, RepliesAreCutToTheCallersLengthAndTerminated) {
  ASSERT_NE(lib.open(0), 0);
  char reply[8];
  std::memset(reply, 'x', sizeof reply);
  EXPECT_EQ(lib.response(0, reply, 4, "I10"), 4);  // "3703707\r" cut to 4 characters
  EXPECT_STREQ(reply, "3703");
  EXPECT_EQ(reply[5], 'x');  // nothing written past the NUL
  std::string longLine;
  for (int k = 0; k < 100; ++k) longLine += "I10 ";
  char big[300];
  EXPECT_EQ(lib.response(0, big, 255, longLine.c_str()), 255);
  EXPECT_EQ(std::strlen(big), 255u);
  EXPECT_EQ(lib.send("i900=3"), "");
  EXPECT_EQ(lib.send("i900"), "3\r");
}

TEST_F(Pcomm, AProgramDownloadedThroughTheLibraryRunsAndIsGathered) {
  ASSERT_NE(lib.open(0), 0);
  std::string path = ::testing::TempDir() + "pcomm_test-" + std::to_string(::getpid()) + ".pmc";
  std::ofstream(path) << "CLOSE\n&1\n#1->10X\nOPEN PROG 1 CLEAR\nINC TA50 TS20\n"
                         "P1=0 WHILE(P1<3) X10 DWELL20 P1=P1+1 ENDWHILE\nCLOSE\n";
  EXPECT_NE(lib.download(0, nullptr, nullptr, nullptr, path.c_str(), 1, 1, 1, 1), 0);
  lib.send("#1O0");
  lib.send("#1J/");
  ASSERT_NE(lib.quickGather(0, 0x10101, 1), 0);
  for (auto c : {"I19=5", "I20=7", "END GAT", "DEL GAT", "DEF GAT", "GAT &1 b1 r"})
    EXPECT_EQ(lib.send(c), "") << c;
  lib.send("m180->X:$818,0");
  EXPECT_EQ(lib.send("m180"), "1\r");
  advance(2.0);
  EXPECT_EQ(lib.send("m180"), "0\r");
  EXPECT_EQ(lib.send("p1"), "3\r");
  long sources = 0, count = 0;
  ASSERT_NE(lib.collect(0, &sources, &count), 0);
  EXPECT_EQ(sources, 3);
  EXPECT_NEAR(static_cast<double>(count), 2.0 / 0.0022076, 2.0);
  std::vector<double> actual(static_cast<std::size_t>(count));
  long n = count;
  ASSERT_NE(lib.samples(0, 1, &n, actual.data(), count), 0);
  EXPECT_EQ(n, count);
  EXPECT_NEAR(actual.back() / (32.0 * 96.0), std::atof(lib.send("#1P").c_str()), 1.0);
  EXPECT_NEAR(actual.back() / (32.0 * 96.0), 300.0, 10.0);
  EXPECT_EQ(lib.samples(0, 3, &n, actual.data(), count), 0);  // only three sources
}

TEST_F(Pcomm, ALostDeviceFailsEveryCallAtOnce) {
  helx::sim::Settings::instance().set({{"pmac", {{"faults", {{"lost", {{"after", 5.0}}}}}}}});
  ASSERT_NE(lib.open(0), 0);
  EXPECT_EQ(lib.send("P1"), "0\r");
  advance(10.0);
  char reply[256] = "stale";
  EXPECT_LT(lib.response(0, reply, 255, "P1"), 0);
  EXPECT_STREQ(reply, "");
  char text[31] = "stale";
  EXPECT_EQ(lib.version(0, text, 30), nullptr);
  EXPECT_EQ(lib.quickGather(0, 0x10101, 1), 0);
  long sources = 1, samples = 1;
  EXPECT_EQ(lib.collect(0, &sources, &samples), 0);
  EXPECT_EQ(samples, 0);
  EXPECT_EQ(lib.ivariable(0, 108, 96), 96);
  EXPECT_EQ(lib.close(0), 1);
  EXPECT_EQ(lib.open(0), 0);
}

TEST_F(Pcomm, TheControllerKeepsItsStateAcrossUnloadAndReload) {
  ASSERT_NE(lib.open(0), 0);
  lib.send("P7=42");
  lib.close(0);
  dlclose(lib.handle);
  lib.handle = dlopen("libpcomm32.so", RTLD_NOW);
  ASSERT_NE(lib.handle, nullptr);
  auto open = reinterpret_cast<PfnOpenPmacDevice>(dlsym(lib.handle, "OpenPmacDevice"));
  auto response = reinterpret_cast<PfnPmacGetResponseA>(dlsym(lib.handle, "PmacGetResponseA"));
  ASSERT_NE(open(0), 0);
  char reply[256];
  response(0, reply, 255, "P7");
  EXPECT_STREQ(reply, "42\r");
}

}  // namespace
