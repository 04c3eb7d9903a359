// Reaching the simulated controller the two ways the instrument offers: started inside the
// program when nothing listens at the loopback address, and as the standalone sixk-sim program.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/dll6k/dll6k.h"
#include "platform/dll6k/endpoint.h"
#include "sim/common/settings.h"
#include "tests/platform/dll6k/link_fixture.h"

extern char** environ;

namespace helx::dll6k {
namespace {

using test::query;

// A loopback port nobody listens on (the kernel just handed it out and took it back).
int freePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

TEST(Endpoint, AddressWithAndWithoutPort) {
  auto e = parseEndpoint("192.168.1.20", 5002);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->port, 5002);
  EXPECT_FALSE(e->loopback);
  e = parseEndpoint(" 127.0.0.1:6001\n", 5002);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->port, 6001);
  EXPECT_TRUE(e->loopback);
  EXPECT_EQ(e->text(), "127.0.0.1:6001");
  EXPECT_TRUE(parseEndpoint("localhost", 1)->loopback);
  EXPECT_FALSE(parseEndpoint("127.0.0.2", 1)->loopback);  // the simulator serves 127.0.0.1 only
}

TEST(InProcess, StartsWhenNothingListensAtTheLoopbackAddress) {
  sim::Settings::instance().set({{"log", {{"path", ""}}}});
  std::string address = "127.0.0.1:" + std::to_string(freePort());
  ASSERT_NE(Open_6KE(address.c_str()), 0);
  EXPECT_NE(Initialize_6KE(), 0);
  Write_6KE("DRIVE1111:");
  Write_6KE("1D-7:");
  Write_6KE("1GO:");
  EXPECT_TRUE(test::eventually([] { return query("!1TPE:") == "-7\n"; }));
  ASSERT_NE(Close_6KE(), 0);
  // Port 0 names the one already running; its axes are where they were left.
  ASSERT_NE(Open_6KE("127.0.0.1:0"), 0);
  EXPECT_EQ(query("!1TPE:"), "-7\n");
  Close_6KE();
}

TEST(InProcess, PortZeroFromTheSettingsStartsOneOnAFreePort) {
  sim::Settings::instance().set({{"sixk", {{"port", 0}}}, {"log", {{"path", ""}}}});
  ASSERT_NE(Open_6KE("127.0.0.1"), 0);
  EXPECT_EQ(query("!1TAS.1:"), "0\n");
  Close_6KE();
}

TEST(InProcess, NotStartedWhenTurnedOff) {
  sim::Settings::instance().set({{"sixk", {{"autostart", false}}}, {"log", {{"path", ""}}}});
  std::string address = "127.0.0.1:" + std::to_string(freePort());
  EXPECT_EQ(Open_6KE(address.c_str()), 0);
  EXPECT_EQ(Open_6KE("127.0.0.1:0"), 0);
}

TEST(Standalone, ProgramServesTheNetworkPathAndStopsOnSignal) {
  std::string settings =
      ::testing::TempDir() + "sixk_standalone_" + std::to_string(::getpid()) + ".json";
  std::ofstream(settings)
      << R"({"log": {"path": ""}, "sixk": {"faults": {"NoReply": {"times": 1}}}})";
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string program =
      (std::filesystem::read_symlink("/proc/self/exe").parent_path() / SIXK_SIM_FROM_TEST).string();
  std::vector<std::string> args = {program, "--port", "0", "--settings", settings};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);

  std::string banner;
  pollfd p{out[0], POLLIN, 0};
  while (banner.find('\n') == std::string::npos && ::poll(&p, 1, 10000) == 1) {
    char buf[128];
    ssize_t r = ::read(out[0], buf, sizeof buf);
    if (r <= 0) break;
    banner.append(buf, static_cast<std::size_t>(r));
  }
  ::close(out[0]);
  auto at = banner.find("127.0.0.1:");
  ASSERT_NE(at, std::string::npos) << banner;
  std::string address = banner.substr(at, banner.find('\n') - at);

  sim::Settings::instance().set({{"sixk", {{"autostart", false}}}, {"log", {{"path", ""}}}});
  ASSERT_NE(Open_6KE(address.c_str()), 0);
  EXPECT_EQ(Initialize_6KE(), 0);  // its settings swallow the first reply
  EXPECT_EQ(query("!1TPE:"), "+0\n");
  EXPECT_EQ(query("!2TAS:").size(), 40u);
  Close_6KE();

  ASSERT_EQ(::kill(pid, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::remove(settings.c_str());
}

}  // namespace
}  // namespace helx::dll6k
