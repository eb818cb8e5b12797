// SPDX-License-Identifier: MIT
// brisquel lists: the three user list files in the real XDG folders, and
// the menu's actions that open them in the default text editor.
#include <ostream>

#include "app/Program.h"
#include "brisquel/Commands.h"
#include "brisquel/SettingsFiles.h"
#include "platform/Platform.h"
#include "posix/DesktopOpen.h"
#include "posix/PosixFiles.h"
#include "sim/SimDesktop.h"
#include "settings/ListFiles.h"
#include "settings/SettingsHelper.h"

namespace brisquel::cli {
namespace {

constexpr const char* kListsUsage =
    "usage: brisquel lists [open learned|ignored|shortcuts]\n"
    "  Starts the settings as the program does (a first start stores the default\n"
    "  application lists and writes their files), then prints each list file's\n"
    "  path and number of entries. The files are in $XDG_DATA_HOME/Velmonte, the\n"
    "  settings in $XDG_CONFIG_HOME/com.mebrun.velmonte.plist.\n"
    "  open NAME  writes the list's file from the settings and opens it in the\n"
    "             default text editor (xdg-open); save it there to change the list\n";

// The simulated desktop's workspace, except that documents open for real.
class OpeningWorkspace final : public WorkspacePort {
 public:
  explicit OpeningWorkspace(WorkspacePort& base) : base_(base) {}
  std::optional<RunningApplication> frontmostApplication() override { return base_.frontmostApplication(); }
  std::vector<RunningApplication> runningApplications() override { return base_.runningApplications(); }
  Registration observeActivation(std::function<void(const RunningApplication&)> handler) override {
    return base_.observeActivation(std::move(handler));
  }
  bool openURL(const std::string& url) override { return base_.openURL(url); }
  bool openFile(const std::filesystem::path& path) override {
    auto result = posix::openWithDefaultApplication(path);
    problem = result.problem;
    return result.opened;
  }
  bool open(DesktopPlace place) override { return base_.open(place); }
  std::vector<std::string> preferredLanguages() override { return base_.preferredLanguages(); }

  std::string problem;

 private:
  WorkspacePort& base_;
};

struct ListInfo {
  const char* name;
  std::filesystem::path file;
  bool (SettingsHelper::*open)();
  bool learned;
};

std::string describeFile(FilesPort& files, const ListInfo& list) {
  if (!files.exists(list.file)) return "no file yet";
  const auto read = SettingsHelper::readListFile(files, list.file);  // what an import reads
  if (!read) return "unreadable";
  const std::string& text = read->text;
  if (list.learned) {
    auto words = parseLearnedWords(text);
    if (!words) return "not UTF-8, left unread";
    // One entry a line in the file; the settings keep each result also as its own entry.
    std::size_t pairs = 0;
    for (const auto& [typed, result] : *words) pairs += typed != result ? 1 : 0;
    return std::to_string(pairs) + (pairs == 1 ? " entry" : " entries");
  }
  auto entries = parseAppList(text);
  if (!entries) return "not UTF-8, left unread";
  return std::to_string(entries->size()) + (entries->size() == 1 ? " entry" : " entries");
}

}  // namespace

int listsCommand(const std::vector<std::string>& args, Streams io) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    io.out << kListsUsage;
    return kExitOk;
  }
  if (!args.empty() && (args[0] != "open" || args.size() != 2)) {
    io.err << "brisquel lists: unexpected arguments\n" << kListsUsage;
    return kExitUsage;
  }

  auto store = openSettingsStore("lists", io.err);
  posix::PosixFiles files;
  sim::Desktop desktop;  // the main queue: the watcher is started but never ticks here
  OpeningWorkspace workspace(*desktop.platform().workspace);
  // The program on the real settings and files; nothing of it runs but the
  // settings' start, and the learned words' import as a launch does it.
  Platform platform = desktop.platform();
  platform.defaults = store.get();
  platform.files = &files;
  platform.workspace = &workspace;
  auto program = Program::build(platform, {.donationReminder = false, .settingsNotices = printNotices("lists", io.err)});
  SettingsHelper* settings = &program->settings();
  settings->importLearnedWordsFromFile();

  const ListInfo lists[] = {
      {"learned", settings->learnedWordsFile(), &SettingsHelper::openLearnedWordsList, true},
      {"ignored", settings->ignoredAppsFile(), &SettingsHelper::openIgnoredAppsList, false},
      {"shortcuts", settings->ignoredShortcutsAppsFile(), &SettingsHelper::openIgnoredShortcutsAppsList, false},
  };

  if (args.empty()) {
    for (const auto& list : lists) {
      io.out << list.name << std::string(10 - std::string(list.name).size(), ' ') << list.file.string() << "  ("
             << describeFile(files, list) << ")\n";
    }
    return kExitOk;
  }

  for (const auto& list : lists) {
    if (args[1] != list.name) continue;
    if (((*settings).*list.open)()) {
      io.out << "opened " << list.file.string() << "\n";
      return kExitOk;
    }
    // A file that could not be written was reported as it failed.
    if (!workspace.problem.empty()) {
      io.err << "brisquel lists: could not open " << list.file.string() << ": " << workspace.problem << "\n";
    }
    return kExitFailure;
  }
  io.err << "brisquel lists: unknown list '" << args[1] << "' (learned, ignored, shortcuts)\n";
  return kExitUsage;
}

}  // namespace brisquel::cli
