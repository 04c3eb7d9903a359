// The status page beside the whole program on the simulated instrument: /status.json follows
// the panel model through power-up, a scan and power-off; pollers and a client that stops
// reading cost the scan no frame; and a real browser shows the frame counter advancing.
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <regex>
#include <thread>

#include "observing_fixture.h"
#include "platform/ui/model.h"
#include "platform/ui/operator.h"
#include "platform/ui/published.h"
#include "platform/ui/web/snapshot.h"
#include "platform/ui/web/status_server.h"
#include "sequence/sequence.h"
#include "state/HELX.h"
#include "state/observation_state.h"

using helx::ui::Operator;
using namespace helx::ui::web;

namespace {

class StatusPage : public Observing {
 protected:
  void SetUp() override {
    Observing::SetUp();
    extraArgs = {"--status-port", "0"};
  }
  static int port() { return RunningStatusPort(); }

  // Every fact the page shows equals the model's (read again until both agree, for the model
  // may change between the two reads), and the messages end as the message box does.
  ::testing::AssertionResult followsModel() {
    const PageLayout layout = ReadPageLayout((workdir / "status_page.json").string());
    httplib::Client client("127.0.0.1", port());
    std::string why;
    bool same = eventually(
        [&] {
          auto r = client.Get("/status.json");
          if (!r || r->status != 200)
            return why = "no answer: " +
                         (r ? std::to_string(r->status) : httplib::to_string(r.error())),
                   false;
          const auto page = nlohmann::json::parse(r->body);
          const auto [facts, lastLine] = helx::ui::Model::instance().with([&](helx::ui::Model& m) {
            nlohmann::json f;
            for (const Fact& fact : layout.facts)
              f[fact.group][fact.name] = FactValue(FindControl(m, fact.at));
            const helx::ui::Control* box = FindControl(m, layout.messages);
            std::string text = Utf8Text(box ? box->text : "");
            while (!text.empty() && text.back() == '\n') text.pop_back();
            return std::make_pair(f, text.substr(text.rfind('\n') + 1));
          });
          for (const Fact& fact : layout.facts)
            if (page[fact.group][fact.name] != facts[fact.group][fact.name])
              return why = fact.group + "." + fact.name + ": page " +
                           page[fact.group][fact.name].dump() + ", model " +
                           facts[fact.group][fact.name].dump(),
                     false;
          const auto& lines = page["messages"];
          std::string pageLast;
          for (auto it = lines.rbegin(); it != lines.rend(); ++it)
            if (!it->get<std::string>().empty()) {
              pageLast = it->get<std::string>();
              break;
            }
          if (pageLast != lastLine) return why = "last message " + pageLast, false;
          return true;
        },
        10);
    if (same) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << why;
  }

  static nlohmann::json status() {
    httplib::Client client("127.0.0.1", port());
    auto r = client.Get("/status.json");
    return r && r->status == 200 ? nlohmann::json::parse(r->body) : nlohmann::json();
  }
};

// A client that asks for the picture again and again and never reads an answer.
int stalledClient(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) return -1;
  const std::string request = "GET /picture.png HTTP/1.1\r\nHost: x\r\n\r\n";
  for (int i = 0; i < 50; ++i) (void)!::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  return fd;
}

}  // namespace

TEST_F(StatusPage, FollowsTheModelThroughPowerUpAScanAndPowerOffWhilePollersCostNoFrame) {
  simulate();
  observe([&] {
    ASSERT_GT(port(), 0);
    EXPECT_TRUE(followsModel());
    EXPECT_EQ(status()["power"]["cameras"], false);

    powerOn();
    EXPECT_TRUE(followsModel());
    const auto powered = status();
    EXPECT_EQ(powered["power"]["cameras"], true);
    EXPECT_EQ(powered["power"]["scanner"], true);
    EXPECT_EQ(powered["cameras"]["stabilized"], true);

    Observation s;
    s.frames = 20;
    setup(s);
    EXPECT_TRUE(followsModel());
    EXPECT_EQ(status()["setting"]["frames"], "20");

    // Three pollers as eager as a page, and one client that stopped reading, through a scan.
    std::atomic<bool> polling{true};
    // Answers each poller had while the scan ran: the page must keep answering every client
    // then, the stalled one beside them.
    std::array<std::atomic<int>, 3> answers{};
    std::vector<std::jthread> pollers;
    for (std::size_t i = 0; i < answers.size(); ++i)
      pollers.emplace_back([&, i] {
        httplib::Client client("127.0.0.1", port());
        while (polling) {
          if (auto r = client.Get("/status.json"); r && r->status == 200 && Scanning == 1)
            ++answers[i];
          client.Get("/picture.png");
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
      });
    const int stalled = stalledClient(port());
    ASSERT_GE(stalled, 0);
    runAndWait();
    polling = false;
    pollers.clear();
    for (std::size_t i = 0; i < answers.size(); ++i)
      EXPECT_GT(answers[i].load(), 0) << "poller " << i << " had no answer during the scan";
    expectScanFrames({1}, 1, 20);

    EXPECT_TRUE(followsModel());
    const auto scanned = status();
    EXPECT_EQ(scanned["observation"]["run"], "1");
    EXPECT_EQ(scanned["picture"]["shown"], true);
    // The picture as PNG, of the size the model says.
    httplib::Client client("127.0.0.1", port());
    auto png = client.Get("/picture.png");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->status, 200);
    EXPECT_EQ(png->body.substr(1, 3), "PNG");
    ASSERT_GE(png->body.size(), 24u);
    auto be32 = [&](std::size_t at) {
      const auto* b = reinterpret_cast<const unsigned char*>(png->body.data() + at);
      return (b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
    };
    EXPECT_EQ(be32(16), scanned["picture"]["width"].get<int>());
    EXPECT_EQ(be32(20), scanned["picture"]["height"].get<int>());
    // The night's files: the folder's own listing, names and sizes.
    auto files = nlohmann::json::parse(client.Get("/files.json")->body);
    const std::string folder = helx::ui::PublishedDataFolder();
    EXPECT_EQ(files["folder"], folder);
    std::map<std::string, std::uintmax_t> onDisk;
    for (const auto& e : std::filesystem::directory_iterator(folder))
      if (e.is_regular_file()) onDisk[e.path().filename().string()] = e.file_size();
    std::map<std::string, std::uintmax_t> listed;
    for (const auto& f : files["files"]) listed[f["name"]] = f["size"];
    EXPECT_EQ(listed, onDisk);
    EXPECT_GE(files["files"].size(), 2u);  // the cube and its frame table at least

    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWEROFF));
    ASSERT_TRUE(eventually([] { return CCD_status == 0; }, 60));
    // Camera 1's close marks the cameras closed; Power Off goes on with camera 2 and the lights
    // without processing events, so the queue reaches the sync only once it has returned.
    ASSERT_TRUE(Operator::sync(60));
    EXPECT_TRUE(followsModel());
    EXPECT_EQ(status()["power"]["cameras"], false);
    ::close(stalled);
    quit();
  });
}

#ifdef HELX_BROWSER_TEST
TEST_F(StatusPage, ARealBrowserShowsTheFrameCounterAdvancingDuringAScan) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.frames = 150;
    setup(s);
    pressRun();
    ASSERT_TRUE(eventually([] { return status()["observation"]["frame"] != "0"; }, 30));
    const std::string profile = (workdir / "chromium-profile").string();
    // The frame counter as the page shows it, after the page has run for a virtual second.
    auto frameShown = [&]() -> int {
      const std::string command =
          "timeout 60 chromium --headless --no-sandbox --disable-gpu --no-first-run "
          "--disable-background-networking --disable-component-update --disable-sync "
          "--disable-quic --user-data-dir=" +
          profile +
          " --virtual-time-budget=1500 --dump-dom http://127.0.0.1:" + std::to_string(port()) +
          "/ 2>/dev/null";
      std::string dom;
      if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) dom.append(buffer, n);
        pclose(pipe);
      }
      std::smatch m;
      if (!std::regex_search(dom, m, std::regex(R"(<span id="frame" class="big">(\d+)</span>)")))
        return -1;
      return std::stoi(m[1]);
    };
    const int first = frameShown();
    const int second = frameShown();
    EXPECT_GE(first, 0) << "the page showed no frame counter";
    EXPECT_GT(second, first);
    ASSERT_TRUE(runEnded(120));
    quit();
  });
}
#endif
