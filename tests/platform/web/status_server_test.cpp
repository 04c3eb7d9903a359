// The status page's doors: who may read it, and that it serves its named endpoints only. The
// server runs here on its own over an empty panel model; the whole program is driven in
// tests/sequence/status_page_test.cpp.
#include "platform/ui/web/status_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/ui/options.h"
#include "platform/ui/services.h"
#include "platform/ui/web/access.h"

namespace fs = std::filesystem;
using namespace helx::ui::web;

namespace {
const char* const kLayout = R"({"facts": [{"group": "power", "name": "cameras", "panel": "PANEL",
  "control": "CCD_Status"}], "messages": {"panel": "PANEL", "control": "TB_Text_Monitor"},
  "picture": {"panel": "GRAPHICPNL", "control": "PIC_WINDOW"}})";
const std::string kToken = "a-token-of-the-night-0123456789";

// One request as bytes on a socket, the path exactly as given; returns the status code.
int rawStatus(int port, const std::string& path, const std::string& token = "") {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    ::close(fd);
    return -1;
  }
  std::string request = "GET " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n";
  if (!token.empty()) request += "Authorization: Bearer " + token + "\r\n";
  request += "\r\n";
  (void)!::write(fd, request.data(), request.size());
  char reply[64] = {};
  ssize_t n = ::read(fd, reply, sizeof reply - 1);
  ::close(fd);
  return n > 12 ? std::atoi(reply + 9) : -1;
}

class StatusServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("helx-web-" + std::to_string(getpid()));
    fs::create_directories(dir);
    previous = fs::current_path();
    fs::current_path(dir);
    std::ofstream("status_page.json") << kLayout;
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(dir);
  }
  void writeToken(mode_t mode) {
    std::ofstream(kTokenFile) << kToken << "\n";
    ::chmod(kTokenFile, mode);
  }
  fs::path dir, previous;
};
}  // namespace

TEST_F(StatusServerTest, AnyOtherAddressNeedsATokenFileOnlyItsOwnerMayRead) {
  helx::ui::Options options;
  options.statusPort = 0;
  options.statusAddress = "0.0.0.0";
  EXPECT_NE(helx::ui::StartServices(options).find("needs a token"), std::string::npos);
  writeToken(0640);
  EXPECT_NE(helx::ui::StartServices(options).find("may be read by others"), std::string::npos);
  writeToken(0604);
  EXPECT_NE(helx::ui::StartServices(options).find("may be read by others"), std::string::npos);
  writeToken(0600);
  EXPECT_EQ(helx::ui::StartServices(options), "");
  EXPECT_GT(RunningStatusPort(), 0);
  helx::ui::StopServices();
  EXPECT_EQ(RunningStatusPort(), 0);
  // A short token is no token.
  std::ofstream(kTokenFile) << "short\n";
  EXPECT_FALSE(ReadTokenFile(kTokenFile).token);
  // The loopback address needs none.
  fs::remove(kTokenFile);
  options.statusAddress = "127.0.0.1";
  EXPECT_EQ(helx::ui::StartServices(options), "");
  helx::ui::StopServices();
}

TEST_F(StatusServerTest, WrongAndMissingTokensGetFourOhOneTheRightOneInEitherPlaceGetsIn) {
  StatusServer server({"127.0.0.1", 0, kToken, "status_page.json"});
  httplib::Client client("127.0.0.1", server.port());
  EXPECT_EQ(client.Get("/status.json")->status, 401);
  EXPECT_EQ(client.Get("/status.json?token=" + kToken + "x")->status, 401);
  EXPECT_EQ(client.Get("/status.json?token=" + kToken.substr(1))->status, 401);
  EXPECT_EQ(client.Get("/", {{"Authorization", "Bearer wrong"}})->status, 401);
  EXPECT_EQ(client.Get("/files.json?token=")->status, 401);
  auto ok = client.Get("/status.json?token=" + kToken);
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->status, 200);
  // A panel that is not loaded gives null, never a made-up value.
  EXPECT_NE(ok->body.find("\"cameras\":null"), std::string::npos) << ok->body;
  EXPECT_EQ(client.Get("/", {{"Authorization", "Bearer " + kToken}})->status, 200);
  EXPECT_TRUE(SameToken(kToken, kToken));
  EXPECT_FALSE(SameToken("", ""));
}

TEST_F(StatusServerTest, OnlyItsNamedEndpointsAnswerAndNoPathReadsAFile) {
  std::ofstream("secret.txt") << "not for the page";
  StatusServer server({"127.0.0.1", 0, "", "status_page.json"});
  const int port = server.port();
  for (const char* path :
       {"/secret.txt", "/../secret.txt", "/%2e%2e/secret.txt", "/..%2fsecret.txt", "//etc/passwd",
        "/etc/passwd", "/status.json/../secret.txt", "/files.json/..", "/status_page.json",
        "/./status.json", "/picture.png/../../etc/passwd"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(rawStatus(port, path), 404);
  }
  EXPECT_EQ(rawStatus(port, "/status.json"), 200);
  // Nothing is shown yet: no picture, no data folder.
  EXPECT_EQ(rawStatus(port, "/picture.png"), 404);
  httplib::Client client("127.0.0.1", port);
  EXPECT_EQ(client.Get("/files.json")->body, R"({"files":[],"folder":""})");
  // Read-only: nothing but GET is answered.
  EXPECT_NE(client.Post("/status.json", "", "text/plain")->status, 200);
}
