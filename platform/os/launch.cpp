#include "platform/os/launch.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/os/batch.h"

extern char** environ;

namespace helx::os {

namespace {
std::mutex mutex;
BatchRunner batchRunner;

bool endsWithBat(const std::string& s) {
  if (s.size() < 4) return false;
  std::string tail = s.substr(s.size() - 4);
  for (auto& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".bat";
}
}  // namespace

void SetBatchRunner(BatchRunner runner) {
  std::lock_guard lock(mutex);
  batchRunner = std::move(runner);
}

LaunchResult Launch(const std::string& command, bool) {
  std::istringstream in(command);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  if (words.empty()) return LaunchResult::NotFound;
  if (endsWithBat(words[0])) {
    BatchRunner runner;
    {
      std::lock_guard lock(mutex);
      runner = batchRunner;
    }
    // Without an installed runner, our own understands the scripts the program writes.
    return runner ? runner(words[0]) : RunBatchScript(words[0]);
  }
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", 0, 0);
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc == ENOENT) return LaunchResult::NotFound;
  if (rc != 0) return LaunchResult::Failed;
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return LaunchResult::Started;
}

}  // namespace helx::os
