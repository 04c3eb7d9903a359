// The read-only status page: a small HTTP server beside the event loop that shows the night at
// a glance in any browser. It serves its named endpoints only:
//   /              the page (page.cpp): polls /status.json every half second
//   /status.json   the facts of "status_page.json", the message box's last kMessageLines lines,
//                  the last kPopups popups, and the picture's size and change count
//   /files.json    the data folder the program published: names, sizes and times of its files
//   /picture.png   the picture shown in the graphic panel (the frame or the Z-Y slice), marks
//                  drawn over it; encoded once per change
// Every other path is 404. No request can press a button or change a value: nothing here
// writes the model or calls the program.
//
// Threads: the server's own threads (one accepts, a pool answers); each answer takes the
// model's lock briefly and never waits for the UI thread. A client that stops reading holds
// one pool thread until the write time-out, nothing else.
#pragma once

#include <memory>
#include <string>

namespace helx::ui::web {

struct ServerSettings {
  std::string address = "127.0.0.1";
  int port = 0;            // 0: an ephemeral port
  std::string token;       // required of every request when not empty
  std::string layoutPath;  // "status_page.json"
};

class StatusServer {
 public:
  // Binds and starts answering; throws std::runtime_error with the reason when it cannot.
  explicit StatusServer(ServerSettings settings);
  ~StatusServer();
  StatusServer(const StatusServer&) = delete;
  StatusServer& operator=(const StatusServer&) = delete;
  int port() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The port of the status page the program runs (0 when it runs none).
int RunningStatusPort();

}  // namespace helx::ui::web
