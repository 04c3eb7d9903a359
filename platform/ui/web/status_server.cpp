#include "platform/ui/web/status_server.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "platform/ui/published.h"
#include "platform/ui/web/access.h"
#include "platform/ui/web/page.h"
#include "platform/ui/web/png.h"
#include "platform/ui/web/snapshot.h"

namespace helx::ui::web {

namespace {
// A client that stops reading is given up after this long.
constexpr time_t kWriteTimeoutSeconds = 2;
constexpr std::size_t kThreads = 8;
constexpr std::size_t kMostFiles = 5000;

std::atomic<int> runningPort{0};

// The program's texts are bytes (a degree sign may come in Latin-1): what is not UTF-8 is
// replaced, never a failed answer.
template <typename Json>
std::string jsonText(const Json& j) {
  return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

nlohmann::json fileList(const std::string& folder) {
  nlohmann::json files = nlohmann::json::array();
  std::error_code ec;
  if (!folder.empty()) {
    std::vector<std::filesystem::directory_entry> entries;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
      if (entries.size() >= kMostFiles) break;
      if (e.is_regular_file(ec)) entries.push_back(e);
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path() < b.path(); });
    for (const auto& e : entries) {
      const auto size = e.file_size(ec);
      files.push_back({{"name", e.path().filename().string()},
                       {"size", ec ? 0 : static_cast<std::uintmax_t>(size)}});
    }
  }
  return {{"folder", folder}, {"files", std::move(files)}};
}
}  // namespace

struct StatusServer::Impl {
  ServerSettings settings;
  PageLayout layout;
  httplib::Server server;
  std::thread thread;
  int port = 0;

  std::mutex pictureMutex;
  std::uint64_t pictureGeneration = 0;
  std::string picturePng;

  std::string picture() {
    std::lock_guard lock(pictureMutex);
    const PictureState now = CurrentPicture(layout);
    if (now.width <= 0 || now.height <= 0) return {};
    if (now.generation != pictureGeneration || picturePng.empty()) {
      std::uint64_t generation = 0;
      picturePng = EncodePng(PictureCopy(layout, &generation));
      pictureGeneration = generation;
    }
    return picturePng;
  }

  void routes() {
    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
      if (settings.token.empty()) return httplib::Server::HandlerResponse::Unhandled;
      const std::string given =
          RequestToken(req.get_param_value("token"), req.get_header_value("Authorization"));
      if (SameToken(given, settings.token)) return httplib::Server::HandlerResponse::Unhandled;
      res.status = 401;
      res.set_header("WWW-Authenticate", "Bearer");
      res.set_content("401 a token is needed\n", "text/plain");
      return httplib::Server::HandlerResponse::Handled;
    });
    const auto noStore = [](httplib::Response& res) {
      res.set_header("Cache-Control", "no-store");
    };
    server.Get("/", [noStore](const httplib::Request&, httplib::Response& res) {
      noStore(res);
      res.set_content(StatusPageHtml(), "text/html; charset=utf-8");
    });
    server.Get("/status.json", [this, noStore](const httplib::Request&, httplib::Response& res) {
      noStore(res);
      res.set_content(jsonText(StatusSnapshot(layout)), "application/json");
    });
    server.Get("/files.json", [noStore](const httplib::Request&, httplib::Response& res) {
      noStore(res);
      res.set_content(jsonText(fileList(PublishedDataFolder())), "application/json");
    });
    server.Get("/picture.png", [this, noStore](const httplib::Request&, httplib::Response& res) {
      noStore(res);
      std::string png = picture();
      if (png.empty()) {
        res.status = 404;
        res.set_content("no picture is shown\n", "text/plain");
        return;
      }
      res.set_content(std::move(png), "image/png");
    });
  }
};

StatusServer::StatusServer(ServerSettings settings) : impl_(std::make_unique<Impl>()) {
  Impl& s = *impl_;
  s.settings = std::move(settings);
  s.layout = ReadPageLayout(s.settings.layoutPath);
  s.routes();
  s.server.set_write_timeout(kWriteTimeoutSeconds, 0);
  s.server.set_read_timeout(kWriteTimeoutSeconds, 0);
  s.server.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  s.port =
      s.settings.port == 0
          ? s.server.bind_to_any_port(s.settings.address)
          : (s.server.bind_to_port(s.settings.address, s.settings.port) ? s.settings.port : -1);
  if (s.port <= 0)
    throw std::runtime_error("cannot listen on " + s.settings.address + " port " +
                             std::to_string(s.settings.port));
  s.thread = std::thread([&s] { s.server.listen_after_bind(); });
  // Running before the constructor returns: a stop() that came before the server's loop began
  // would not end it.
  for (int i = 0; i < 5000 && !s.server.is_running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  runningPort = s.port;
}

StatusServer::~StatusServer() {
  runningPort = 0;
  impl_->server.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
}

int StatusServer::port() const { return impl_->port; }

int RunningStatusPort() { return runningPort.load(); }

}  // namespace helx::ui::web
