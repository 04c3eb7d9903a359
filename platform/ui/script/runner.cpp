#include "platform/ui/script/runner.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include "platform/os/clock.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/model.h"
#include "platform/ui/operator.h"
#include "platform/ui/script/condition.h"
#include "platform/ui/userint.h"

namespace helx::ui::script {

namespace {

using namespace std::chrono_literals;

// Polls yield: a look every millisecond of real time.
void nap() { std::this_thread::sleep_for(1ms); }

double now() { return os::Clock::instance().seconds(); }

std::string seconds(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f s", s);
  return buf;
}

// A name the script gives: a panel or a tab page; controls by constant within it.
std::optional<int> owner(const std::string& name) {
  if (auto p = Operator::panel(name)) return p;
  return Operator::page(name);
}

struct Target {
  int panel = 0, control = 0;
  std::string error;
};

Target resolve(const Address& a) {
  auto p = owner(a.owner);
  if (!p) return {0, 0, "no panel or tab page '" + a.owner + "'"};
  auto c = Operator::control(*p, a.control);
  if (!c) return {0, 0, "no control '" + a.control + "' on '" + a.owner + "'"};
  return {*p, *c, {}};
}

std::string refused(const ActionResult& r, const std::string& what) {
  return r ? std::string() : what + ": " + r.error;
}

std::string label(const Address& a) { return a.owner + " " + a.control; }

const char* compareText(Compare c) {
  switch (c) {
    case Compare::Equal:
      return "=";
    case Compare::NotEqual:
      return "!=";
    case Compare::Less:
      return "<";
    case Compare::LessEqual:
      return "<=";
    case Compare::Greater:
      return ">";
    case Compare::GreaterEqual:
      return ">=";
    case Compare::Contains:
      return "~";
  }
  return "?";
}

// The QUIT button a person would look for: a command button labelled QUIT (mnemonic marks
// aside) that the operator can press on a shown window.
std::optional<std::pair<int, int>> quitButton() {
  return Model::instance().with([](Model& m) -> std::optional<std::pair<int, int>> {
    for (auto& [h, p] : m.panels()) {
      if (p.parent || !p.visible) continue;
      for (auto& [id, c] : p.controls) {
        if (c.kind != Kind::CommandButton) continue;
        std::string text;
        for (char ch : c.label)
          if (ch != '_') text += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        if (text == "QUIT" && m.operable(h, id)) return std::make_pair(h, id);
      }
    }
    return std::nullopt;
  });
}

}  // namespace

bool ProgramEnded(const std::stop_token& stop) {
  return stop.stop_requested() || EventLoop::instance().quitRequested();
}

Runner::Runner(std::string name, std::ostream& out, std::ostream& err)
    : name_(std::move(name)), out_(out), err_(err) {}

void Runner::say(const std::string& text) { out_ << text << std::endl; }

// Waits until the UI thread has dispatched everything queued so far, however long a callback
// holds it (a person waits for a busy program too). Fails only when the program ends.
std::string Runner::settle(std::stop_token stop) {
  auto reached = std::make_shared<std::atomic<bool>>(false);
  EventLoop::instance().post([reached] { *reached = true; });
  while (!*reached) {
    if (ProgramEnded(stop)) return {};  // the next statement reports the ending
    nap();
  }
  return {};
}

Outcome Runner::run(const Script& script, std::stop_token stop) {
  for (const Statement& s : script.statements) {
    std::string error;
    if (ProgramEnded(stop)) {
      error = "the program has ended";
    } else {
      say(name_ + ":" + std::to_string(s.line) + ": " + s.text);
      error = execute(s, stop);
    }
    if (!error.empty()) {
      err_ << name_ << ":" << s.line << ": " << error << std::endl;
      return {kStatusStopped, s.line, error};
    }
  }
  return {};
}

std::string Runner::execute(const Statement& statement, std::stop_token stop) {
  const Action& action = statement.action;
  auto act = [&](const ActionResult& r, const std::string& what) {
    std::string e = refused(r, what);
    return e.empty() ? settle(stop) : e;
  };

  if (auto* a = std::get_if<Commit>(&action)) {
    Target t = resolve(a->at);
    return t.error.empty() ? act(Operator::commit(t.panel, t.control), label(a->at)) : t.error;
  }
  if (auto* a = std::get_if<Type>(&action)) {
    Target t = resolve(a->at);
    return t.error.empty() ? act(Operator::type(t.panel, t.control, a->text), label(a->at))
                           : t.error;
  }
  if (auto* a = std::get_if<Choose>(&action)) {
    Target t = resolve(a->at);
    if (!t.error.empty()) return t.error;
    return act(a->index ? Operator::choose(t.panel, t.control, *a->index)
                        : Operator::chooseLabel(t.panel, t.control, a->label),
               label(a->at));
  }
  if (auto* a = std::get_if<SelectTab>(&action)) {
    auto page = Operator::page(a->page);
    if (!page) return "no tab page '" + a->page + "'";
    int parent = 0, tab = 0, index = 0;
    Model::instance().with([&](Model& m) {
      if (Panel* p = m.panel(*page)) {
        parent = p->parent;
        tab = p->tabControl;
        index = p->pageIndex;
      }
    });
    return act(Operator::selectTab(parent, tab, index), a->page);
  }
  if (auto* a = std::get_if<Menu>(&action)) {
    auto item = Operator::menuItem(a->item);
    if (!item) return "no menu item '" + a->item + "'";
    return act(Operator::menu(item->first, item->second), a->item);
  }
  if (auto* a = std::get_if<Close>(&action)) {
    auto panel = Operator::panel(a->panel);
    if (!panel) return "no panel '" + a->panel + "'";
    return act(Operator::close(*panel), a->panel);
  }
  if (auto* a = std::get_if<Key>(&action)) {
    Target t = resolve(a->at);
    return t.error.empty() ? act(Operator::key(t.panel, t.control, a->code), label(a->at))
                           : t.error;
  }
  if (auto* a = std::get_if<Pointer>(&action)) {
    Target t = resolve(a->at);
    if (!t.error.empty()) return t.error;
    return act(a->click ? Operator::click(t.panel, t.control, a->x, a->y)
                        : Operator::pointerMove(t.panel, t.control, a->x, a->y),
               label(a->at));
  }
  if (auto* a = std::get_if<AnswerFile>(&action)) {
    Operator::answerNextFileDialog(a->path);
    return {};
  }
  if (auto* a = std::get_if<WaitValue>(&action)) {
    Target t = resolve(a->at);
    if (!t.error.empty()) return t.error;
    double start = now(), deadline = start + a->timeout;
    while (true) {
      std::optional<Reading> reading = Model::instance().with([&](Model& m) {
        Control* c = m.control(t.panel, t.control);
        return c ? std::optional<Reading>(readControl(*c)) : std::nullopt;
      });
      if (!reading) return label(a->at) + " no longer exists";
      if (meets(*reading, a->condition)) {
        say("  met after " + seconds(now() - start));
        return {};
      }
      if (now() >= deadline)
        return "wait timed out after " + seconds(a->timeout) + ": " + label(a->at) + " is " +
               describe(*reading) + ", expected " + compareText(a->condition.compare) + " " +
               a->condition.value;
      if (ProgramEnded(stop)) return "the program ended during the wait";
      nap();
    }
  }
  if (auto* a = std::get_if<WaitPopup>(&action)) {
    double start = now(), deadline = start + a->timeout;
    while (true) {
      if (auto popup = Operator::waitForPopup(a->title, a->text, 0.02)) {
        say("  popup \"" + popup->title + "\": " + popup->text);
        return {};
      }
      if (now() >= deadline)
        return "wait timed out after " + seconds(a->timeout) + ": no popup" +
               (a->title.empty() ? std::string() : " titled \"" + a->title + "\"") + " with \"" +
               a->text + "\"";
      if (ProgramEnded(stop)) return "the program ended during the wait";
    }
  }
  if (auto* a = std::get_if<Pause>(&action)) {
    if (!os::Clock::instance().sleepForSeconds(a->seconds, stop))
      return "the program ended during the pause";
    return {};
  }
  if (std::holds_alternative<Quit>(action)) {
    endProgram(stop);
    return {};
  }
  if (auto* a = std::get_if<Snapshot>(&action)) return snapshot(*a, stop);
  return "statement not handled";
}

// The view draws on the UI thread: the picture is taken there, after every action queued
// before it has been dispatched and drawn.
std::string Runner::snapshot(const Snapshot& s, std::stop_token stop) {
  auto panel = Operator::panel(s.panel);
  if (!panel) return "no panel '" + s.panel + "'";
  if (CurrentFrontend().headless()) {
    say("  no view: nothing to draw");
    return {};
  }
  auto done = std::make_shared<std::promise<std::string>>();
  std::future<std::string> result = done->get_future();
  EventLoop::instance().post([done, p = *panel, path = s.path] {
    CurrentFrontend().drainDirty();
    done->set_value(CurrentFrontend().snapshotPanel(p, path));
  });
  while (result.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
    if (ProgramEnded(stop)) return "the program ended before the snapshot";
  std::string error = result.get();
  if (error.empty()) say("  wrote " + s.path);
  return error;
}

void Runner::endProgram(std::stop_token stop) {
  if (ProgramEnded(stop)) return;
  if (auto quit = quitButton()) {
    say(name_ + ": pressing QUIT");
    Operator::commit(quit->first, quit->second);
    double deadline = now() + kQuitGraceSeconds;
    while (!ProgramEnded(stop) && now() < deadline) nap();
    if (ProgramEnded(stop)) return;
    err_ << name_ << ": QUIT did not end the program; ending its event loop" << std::endl;
  } else {
    say(name_ + ": no QUIT button shown; ending the event loop");
  }
  QuitUserInterface(0);
  while (!ProgramEnded(stop)) nap();
}

}  // namespace helx::ui::script
