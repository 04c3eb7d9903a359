// The default thread pool: every scheduled function runs on a thread of its own (the program
// never has more than a handful at once), its return value kept until its id is released.
//
// Threads: every entry point is safe from any thread. A completion callback asked for on the
// UI thread is posted to the event queue; otherwise it runs on the worker itself.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/ui/event_loop.h"
#include "platform/ui/userint.h"

namespace {

struct Job {
  std::thread thread;
  std::atomic<bool> done{false};
  std::atomic<int> result{0};
};

struct Pool {
  std::mutex mutex;
  std::map<int, std::shared_ptr<Job>> jobs;
  int nextId = 1;

  ~Pool() {
    // Threads still running at exit are given up on, never joined into a hang.
    for (auto& [id, job] : jobs)
      if (job->thread.joinable()) job->thread.detach();
  }
};

Pool& pool() {
  static Pool p;
  return p;
}

std::shared_ptr<Job> find(int id) {
  std::lock_guard lock(pool().mutex);
  auto it = pool().jobs.find(id);
  return it == pool().jobs.end() ? nullptr : it->second;
}

}  // namespace

int CmtScheduleThreadPoolFunctionAdv(int poolHandle, ThreadFunctionPtr function, void* data,
                                     int priority, ThreadFunctionCallbackPtr callback,
                                     unsigned int eventMask, void* callbackData,
                                     int callbackThreadId, int* functionId) {
  // One pool, every function on a thread of its own at the normal priority.
  (void)poolHandle;
  (void)priority;
  if (!function) return -1;
  auto job = std::make_shared<Job>();
  int id;
  {
    std::lock_guard lock(pool().mutex);
    id = pool().nextId++;
    pool().jobs[id] = job;
  }
  if (functionId) *functionId = id;
  bool onUi = callbackThreadId != 0 && callbackThreadId == CmtGetCurrentThreadID() &&
              helx::ui::EventLoop::instance().onUiThread();
  auto notify = [=](unsigned int event, int value) {
    if (!callback || !(eventMask & event)) return;
    if (onUi)
      helx::ui::EventLoop::instance().post("a thread function's callback",
                                           [=] { callback(0, id, event, value, callbackData); });
    else
      callback(0, id, event, value, callbackData);
  };
  // The job record is in place before the thread starts, so a fast function finds it.
  std::lock_guard lock(pool().mutex);
  job->thread = std::thread([job, function, data, notify] {
    notify(EVENT_TP_THREAD_FUNCTION_BEGIN, 0);
    int r = function(data);
    job->result = r;
    job->done = true;
    notify(EVENT_TP_THREAD_FUNCTION_END, r);
  });
  return 0;
}

int CmtScheduleThreadPoolFunction(int poolHandle, ThreadFunctionPtr function, void* data,
                                  int* functionId) {
  return CmtScheduleThreadPoolFunctionAdv(poolHandle, function, data, THREAD_PRIORITY_NORMAL,
                                          nullptr, 0, nullptr, 0, functionId);
}

int CmtWaitForThreadPoolFunctionCompletion(int poolHandle, int functionId, int options) {
  (void)poolHandle;
  auto job = find(functionId);
  if (!job) return -1;
  auto done = [&] { return job->done.load(); };
  if ((options & OPT_TP_PROCESS_EVENTS_WHILE_WAITING) &&
      helx::ui::EventLoop::instance().onUiThread())
    helx::ui::EventLoop::instance().pumpUntil(done);
  else
    while (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return 0;
}

int CmtGetThreadPoolFunctionAttribute(int poolHandle, int functionId, int attribute, int* value) {
  (void)poolHandle;
  auto job = find(functionId);
  if (!job || !value) return -1;
  if (attribute == ATTR_TP_FUNCTION_RETURN_VALUE)
    *value = job->result;
  else if (attribute == ATTR_TP_FUNCTION_EXECUTION_STATUS)
    *value = job->done ? kCmtThreadFunctionComplete : 1;
  else
    return -1;
  return 0;
}

int CmtReleaseThreadPoolFunctionID(int poolHandle, int functionId) {
  (void)poolHandle;
  std::shared_ptr<Job> job;
  {
    std::lock_guard lock(pool().mutex);
    auto it = pool().jobs.find(functionId);
    if (it == pool().jobs.end()) return -1;
    job = it->second;
    pool().jobs.erase(it);
  }
  // A finished function's thread is joined; one still running is let go on its own.
  if (job->thread.joinable()) {
    if (job->done)
      job->thread.join();
    else
      job->thread.detach();
  }
  return 0;
}
