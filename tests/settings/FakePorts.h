#pragma once
// Small in-memory ports for the settings tests: a defaults store, files
// whose modification dates come from a virtual clock, a main queue whose
// timers run when the test advances time, and a workspace that records what
// it was asked to open.

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Defaults.h"
#include "platform/Files.h"
#include "platform/MainQueue.h"
#include "platform/Workspace.h"

namespace brisquel::testing {

class FakeDefaults final : public DefaultsPort {
 public:
  std::optional<DefaultsValue> object(const std::string& key) const override {
    auto it = values.find(key);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  void set(const std::string& key, const DefaultsValue& value) override { values[key] = value; }
  void remove(const std::string& key) override { values.erase(key); }

  std::map<std::string, DefaultsValue> values;
};

class FakeClock {
 public:
  double now = 1'800'000'000;  // wall seconds since 1970
};

class FakeFiles final : public FilesPort {
 public:
  explicit FakeFiles(FakeClock& clock) : clock_(clock) {}

  std::filesystem::path applicationSupportDirectory() override { return "/home/u/Library/Application Support"; }
  std::filesystem::path homeDirectory() override { return "/home/u"; }
  bool createDirectories(const std::filesystem::path& dir) override {
    for (auto p = dir; !p.empty() && p != p.root_path(); p = p.parent_path()) dirs.insert(p);
    return true;
  }
  bool writeAtomically(const std::filesystem::path& file, const std::string& bytes) override {
    if (failWrites || !dirs.contains(file.parent_path())) return false;
    files[file] = {bytes, clock_.now};
    ++writeCount;
    return true;
  }
  std::optional<std::string> read(const std::filesystem::path& file) override {
    auto it = files.find(file);
    if (it == files.end() || unreadable.contains(file)) return std::nullopt;
    return it->second.bytes;
  }
  std::optional<double> modificationDate(const std::filesystem::path& file) override {
    auto it = files.find(file);
    if (it == files.end()) return std::nullopt;
    return it->second.date;
  }
  bool exists(const std::filesystem::path& file) override { return files.contains(file) || dirs.contains(file); }
  bool remove(const std::filesystem::path& file) override { return files.erase(file) > 0; }
  bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
    auto it = files.find(from);
    if (it == files.end()) return false;
    files[to] = it->second;
    files.erase(from);
    unreadable.erase(from);
    return true;
  }

  // The user saves a file in an editor: new content, a later date.
  void userSaves(const std::filesystem::path& file, const std::string& bytes) {
    clock_.now += 1;
    files[file] = {bytes, clock_.now};
  }
  std::string text(const std::filesystem::path& file) const {
    auto it = files.find(file);
    return it == files.end() ? std::string("<missing>") : it->second.bytes;
  }

  struct Entry {
    std::string bytes;
    double date = 0;
  };
  std::map<std::filesystem::path, Entry> files;
  std::set<std::filesystem::path> dirs;
  std::set<std::filesystem::path> unreadable;
  bool failWrites = false;
  int writeCount = 0;

 private:
  FakeClock& clock_;
};

class FakeQueue final : public MainQueuePort {
 public:
  explicit FakeQueue(FakeClock& clock) : clock_(clock) {}

  void async(Task task) override { pending_.push_back({now_, std::make_shared<WorkItem>(std::move(task))}); }
  void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) override {
    pending_.push_back({now_ + seconds, std::move(item)});
  }
  Registration scheduleRepeatingTimer(double interval, Task tick) override {
    auto timer = std::make_shared<Timer>(Timer{interval, now_ + interval, std::move(tick), true});
    timers_.push_back(timer);
    return Registration([timer] { timer->live = false; });
  }

  // Runs timers and delayed work in time order up to now + seconds; the
  // wall clock moves along.
  void advance(double seconds) {
    const double until = now_ + seconds;
    for (;;) {
      double next = until + 1;
      for (const auto& t : timers_) {
        if (t->live) next = std::min(next, t->next);
      }
      for (const auto& p : pending_) next = std::min(next, p.at);
      if (next > until) break;
      clock_.now += next - now_;
      now_ = next;
      for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->at <= now_) {
          auto item = it->item;
          it = pending_.erase(it);
          item->perform();
        } else {
          ++it;
        }
      }
      for (const auto& t : std::vector(timers_)) {
        if (t->live && t->next <= now_) {
          t->next += t->interval;
          t->tick();
        }
      }
    }
    clock_.now += until - now_;
    now_ = until;
  }

  std::size_t liveTimers() const {
    return static_cast<std::size_t>(std::count_if(timers_.begin(), timers_.end(), [](auto& t) { return t->live; }));
  }
  double timerInterval(std::size_t i) const { return timers_.at(i)->interval; }

 private:
  struct Timer {
    double interval;
    double next;
    Task tick;
    bool live;
  };
  struct Pending {
    double at;
    std::shared_ptr<WorkItem> item;
  };
  FakeClock& clock_;
  double now_ = 0;
  std::vector<std::shared_ptr<Timer>> timers_;
  std::vector<Pending> pending_;
};

class FakeWorkspace final : public WorkspacePort {
 public:
  std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
  std::vector<RunningApplication> runningApplications() override { return {}; }
  Registration observeActivation(std::function<void(const RunningApplication&)>) override { return {}; }
  bool openURL(const std::string& url) override {
    openedURLs.push_back(url);
    return true;
  }
  bool openFile(const std::filesystem::path& path) override {
    openedFiles.push_back(path);
    return !openFails;
  }
  void openApplication(const std::filesystem::path&, std::function<void(bool)> completion) override {
    completion(false);
  }
  std::vector<std::string> preferredLanguages() override { return {"en-US"}; }

  std::vector<std::string> openedURLs;
  std::vector<std::filesystem::path> openedFiles;
  bool openFails = false;
};

}  // namespace brisquel::testing
