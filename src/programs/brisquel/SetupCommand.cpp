// SPDX-License-Identifier: MIT
// `brisquel setup`: reads the session and the user's files, plans with
// SetupPlan, and applies the plan with a copy of everything it changes, which
// `brisquel setup --undo` puts back.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <sstream>

#include "brisquel/Commands.h"
#include "brisquel/DesktopNotify.h"
#include "brisquel/SetupPlan.h"
#include "posix/PosixFiles.h"

extern char** environ;

namespace brisquel::cli {
namespace {

using namespace setup;

constexpr const char* kSetupUsage =
    "usage: brisquel setup [--dry-run] [--desktop gnome|kde|sway|x11] [--layouts us,ru(phonetic)]\n"
    "       brisquel setup --undo\n"
    "  Makes fcitx5 with Brisquel the input method of your desktop sessions, for\n"
    "  you alone: fcitx5's first group gets the keyboard layouts your desktop has\n"
    "  (GNOME's input sources, KDE's kxkbrc, sway's input block, X11's xkb), fcitx5\n"
    "  keeps one layout for the session, and the session starts fcitx5 (im-config\n"
    "  where it is installed, else ~/.config/environment.d and an autostart entry;\n"
    "  KWin's virtual keyboard on KDE, an exec line on sway); on GNOME and KDE it\n"
    "  enables Brisquel's GNOME Shell extension or KWin script, which tell it the\n"
    "  focused application. Log in again after it; a running fcitx5 gets the new\n"
    "  group at once.\n"
    "  It says what it changes and keeps a copy of every file as it was.\n"
    "  --dry-run   print the changes, change nothing\n"
    "  --undo      put back everything brisquel setup changed\n"
    "  --desktop   which desktop's layouts to read (else XDG_CURRENT_DESKTOP)\n"
    "  --layouts   the layouts to use instead of the desktop's\n"
    "  --notify    also tell the result in a desktop notification\n";

// A program's standard output, or none when it could not run or failed.
std::optional<std::string> outputOf(const std::vector<std::string>& command, const std::vector<std::string>& env = {}) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  std::vector<char*> argv;
  for (const auto& a : command) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // `env` replaces the variables it names.
  std::vector<std::string> envStrings(env.begin(), env.end());
  for (char** e = environ; *e; ++e) {
    const std::string_view entry(*e);
    const auto named = [&](const std::string& v) { return entry.starts_with(v.substr(0, v.find('=') + 1)); };
    if (std::none_of(env.begin(), env.end(), named)) envStrings.emplace_back(entry);
  }
  std::vector<char*> envp;
  for (auto& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const bool started = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0;
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  std::string out;
  if (started) {
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || out.size() > (1u << 20)) break;
      out.append(buffer, static_cast<std::size_t>(n));
    }
  }
  ::close(fds[0]);
  if (!started) return std::nullopt;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return out;
}

bool onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');)
    if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  return false;
}

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::filesystem::path stateFolder() {
  const std::string state = env("XDG_STATE_HOME");
  const std::filesystem::path base =
      !state.empty() && state.front() == '/' ? std::filesystem::path(state) : posix::homeDirectory() / ".local/state";
  return base / "brisquel" / "setup";
}

// "~/.config/fcitx5/profile" for a file in the home.
std::string shown(const std::filesystem::path& path) {
  const std::string home = posix::homeDirectory().string();
  const std::string p = path.string();
  if (home.size() > 1 && p.starts_with(home + "/")) return "~" + p.substr(home.size());
  return p;
}

std::string trimmedLine(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

constexpr const char* kGnomeSchema = "org.gnome.desktop.input-sources";

struct Options {
  bool dryRun = false, undo = false, notify = false;
  std::optional<Desktop> desktop;
  std::optional<std::vector<Layout>> layouts;
};

// A key's value and its default (what the memory backend, which holds
// nothing, answers), as gsettings prints them.
Facts::Setting gsettingsGet(const std::string& schema, const std::string& key) {
  Facts::Setting setting;
  setting.value = outputOf({"gsettings", "get", schema, key});
  if (setting.value) setting.value = trimmedLine(*setting.value);
  setting.defaultValue = outputOf({"gsettings", "get", schema, key}, {"GSETTINGS_BACKEND=memory"});
  if (setting.defaultValue) setting.defaultValue = trimmedLine(*setting.defaultValue);
  return setting;
}

// Everything the plan needs from this session; an error when something cannot be read.
std::optional<Facts> gatherFacts(const Options& options, std::string& error) {
  Facts facts;
  facts.home = posix::homeDirectory();
  facts.configHome = posix::xdgConfigHome();
  facts.launcher = BRISQUEL_LAUNCHER;
  facts.imConfig = onPath("im-config");
  const std::string current = env("XDG_CURRENT_DESKTOP");
  const auto desktop = options.desktop ? options.desktop : desktopOfSession(current, !env("DISPLAY").empty());
  if (!desktop) {
    error = "cannot tell which desktop this is (XDG_CURRENT_DESKTOP is " +
            (current.empty() ? std::string("not set") : "\"" + current + "\"") +
            ", no X display): name it with --desktop gnome, kde, sway or x11";
    return std::nullopt;
  }
  facts.desktop = *desktop;

  const auto fromXkb = [&] {
    facts.layoutsSource = "X11's keyboard (setxkbmap -query)";
    if (auto query = outputOf({"setxkbmap", "-query"})) facts.layouts = xkbQueryLayouts(*query);
  };
  if (facts.desktop == Desktop::Gnome) {
    facts.gnomeSources = gsettingsGet(kGnomeSchema, "sources");
    if (!facts.gnomeSources.value) {
      error = "cannot read GNOME's input sources (gsettings get " + std::string(kGnomeSchema) + " sources failed)";
      return std::nullopt;
    }
    facts.gnomeExtensions = gsettingsGet("org.gnome.shell", "enabled-extensions");  // none without gnome-shell
    facts.layoutsSource = "GNOME's input sources (Settings, Keyboard)";
    facts.layouts = gnomeLayouts(*facts.gnomeSources.value);
  } else if (facts.desktop == Desktop::Kde) {
    const auto kxkbrc = facts.configHome / "kxkbrc";
    facts.layouts = kdeLayouts(posix::readFile(kxkbrc).value_or(""));
    facts.layoutsSource = shown(kxkbrc) + " (System Settings, Keyboard, Layouts)";
    if (facts.layouts.empty() && !env("DISPLAY").empty()) fromXkb();
  } else if (facts.desktop == Desktop::Sway) {
    auto config = facts.configHome / "sway/config";
    if (!std::filesystem::exists(config)) config = "/etc/sway/config";
    facts.layouts = swayLayouts(posix::readFile(config).value_or(""));
    facts.layoutsSource = shown(config) + " (its input block's xkb_layout)";
  } else {
    fromXkb();
  }
  if (options.layouts) {
    facts.layouts = *options.layouts;
    facts.layoutsSource = "--layouts";
  }

  for (const auto& path : filesOfInterest(facts)) {
    const auto read = posix::readFileBytes(path);
    if (!read.bytes && read.error != ENOENT) {
      error = "cannot read " + shown(path) + ": " + std::strerror(read.error);
      return std::nullopt;
    }
    facts.files.push_back({path, read.bytes});
  }
  return facts;
}

// What was changed, as the undo needs it: one line per file or setting.
//   file <TAB> path <TAB> copy name, or "-" when there was no file
//   setting <TAB> schema <TAB> key <TAB> "reset" or "set" <TAB> value
struct Journal {
  std::vector<std::vector<std::string>> entries;

  static Journal read(const std::filesystem::path& file) {
    Journal j;
    std::stringstream text(posix::readFile(file).value_or(""));
    for (std::string line; std::getline(text, line);) {
      std::vector<std::string> fields;
      std::stringstream parts(line);
      for (std::string f; std::getline(parts, f, '\t');) fields.push_back(f);
      if ((fields.size() == 3 && fields[0] == "file") || (fields.size() == 5 && fields[0] == "setting"))
        j.entries.push_back(std::move(fields));
    }
    return j;
  }
  bool has(const std::string& kind, const std::string& name, const std::string& key = {}) const {
    for (const auto& e : entries)
      if (e[0] == kind && e[1] == name && (kind == "file" || e[2] == key)) return true;
    return false;
  }
  std::string text() const {
    std::string t;
    for (const auto& e : entries) {
      for (std::size_t i = 0; i < e.size(); ++i) t += (i ? "\t" : "") + e[i];
      t += "\n";
    }
    return t;
  }
};

bool printable(const std::string& s) {
  return s.find_first_of("\t\n") == std::string::npos;
}

void printPlan(const Facts& facts, const Plan& plan, std::ostream& out) {
  std::string layouts;
  for (const auto& l : facts.layouts) layouts += (layouts.empty() ? "" : ", ") + layoutTitle(l);
  out << desktopTitle(facts.desktop) << ": layouts " << layouts << ", from " << facts.layoutsSource << ".\n";
  for (const auto& f : plan.files)
    out << "  " << (f.before ? "change " : "create ") << shown(f.path) << ": " << f.why << "\n";
  for (const auto& s : plan.settings)
    out << "  set " << s.schema << " " << s.key << " to " << s.after << ": " << s.why << "\n";
}

bool gsettingsSet(const std::string& schema, const std::string& key, const std::optional<std::string>& value) {
  if (value) return outputOf({"gsettings", "set", schema, key, *value}).has_value();
  return outputOf({"gsettings", "reset", schema, key}).has_value();
}

// A running fcitx5 writes the group it holds over the profile when it
// exits: it gets the profile's first group now.
void tellFcitx5(const std::filesystem::path& profile, std::ostream& out) {
  const auto group = firstProfileGroup(posix::readFile(profile).value_or(""));
  if (group && updateRunningFcitx5(group->name, group->defaultLayout, group->items))
    out << "  gave the running fcitx5 its group and settings\n";
}

struct Outcome {
  int status;
  std::string summary;  // for a notification
};

Outcome apply(const Facts& facts, const Plan& plan, std::ostream& out, std::ostream& err) {
  const auto folder = stateFolder();
  const auto journalFile = folder / "changes";
  Journal journal = Journal::read(journalFile);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  // The copies first, then the journal, then the changes: an interrupted
  // setup can always be undone.
  for (const auto& f : plan.files) {
    if (!printable(f.path.string())) {
      err << "brisquel setup: cannot keep a copy of " << shown(f.path) << " (its name holds a tab or a line break)\n";
      return {kExitFailure, "a file name it cannot record"};
    }
    if (journal.has("file", f.path.string())) continue;  // the first copy is the one to put back
    std::string copy = "-";
    if (f.before) {
      copy = std::to_string(journal.entries.size() + 1);
      if (!posix::writeFileAtomically(folder / copy, *f.before)) {
        err << "brisquel setup: cannot keep a copy in " << shown(folder) << "; nothing was changed\n";
        return {kExitFailure, "it cannot keep copies of the files"};
      }
    }
    journal.entries.push_back({"file", f.path.string(), copy});
  }
  for (const auto& s : plan.settings) {
    if (journal.has("setting", s.schema, s.key)) continue;
    journal.entries.push_back({"setting", s.schema, s.key, s.beforeIsDefault ? "reset" : "set", s.before});
  }
  if (!posix::writeFileAtomically(journalFile, journal.text())) {
    err << "brisquel setup: cannot write " << shown(journalFile) << "; nothing was changed\n";
    return {kExitFailure, "it cannot write its list of changes"};
  }
  for (const auto& f : plan.files) {
    std::filesystem::create_directories(f.path.parent_path(), ec);
    if (!posix::writeFileAtomically(f.path, f.after)) {
      err << "brisquel setup: cannot write " << shown(f.path) << ": " << std::strerror(errno)
          << "; brisquel setup --undo puts back what was changed before it\n";
      return {kExitFailure, "it cannot write " + shown(f.path)};
    }
    out << "  " << (f.before ? "changed " : "created ") << shown(f.path) << "\n";
  }
  for (const auto& s : plan.settings) {
    if (!gsettingsSet(s.schema, s.key, s.after)) {
      err << "brisquel setup: gsettings could not set " << s.schema << " " << s.key
          << "; brisquel setup --undo puts back what was changed\n";
      return {kExitFailure, "gsettings could not set " + s.key};
    }
    out << "  set " << s.schema << " " << s.key << "\n";
  }
  tellFcitx5(facts.configHome / "fcitx5/profile", out);
  out << "Copies of what was there before are in " << shown(folder) << "; brisquel setup --undo puts them back.\n"
      << "Log out and in again: the next session types with Brisquel (brisquel status checks it).\n";
  return {kExitOk, "Done. Log out and in again to type with Brisquel."};
}

Outcome undo(std::ostream& out, std::ostream& err) {
  const auto folder = stateFolder();
  Journal journal = Journal::read(folder / "changes");
  if (journal.entries.empty()) {
    out << "Nothing to undo: brisquel setup has changed nothing for this user.\n";
    return {kExitOk, "Nothing to undo."};
  }
  bool ok = true;
  for (auto e = journal.entries.rbegin(); e != journal.entries.rend(); ++e) {
    const auto& f = *e;
    if (f[0] == "file") {
      const std::filesystem::path path = f[1];
      std::error_code ec;
      bool done;
      if (f[2] == "-") {
        done = !std::filesystem::exists(path) || std::filesystem::remove(path, ec);
      } else {
        const auto copy = posix::readFile(folder / f[2]);
        done = copy && posix::writeFileAtomically(path, *copy);
      }
      out << "  " << (done ? (f[2] == "-" ? "removed " : "restored ") : "could not restore ") << shown(path) << "\n";
      ok = ok && done;
    } else {
      const bool done = gsettingsSet(f[1], f[2], f[3] == "reset" ? std::nullopt : std::optional(f[4]));
      out << "  " << (done ? "restored " : "could not restore ") << f[1] << " " << f[2] << "\n";
      ok = ok && done;
    }
  }
  if (!ok) {
    err << "brisquel setup: some changes could not be put back; the copies stay in " << shown(folder) << "\n";
    return {kExitFailure, "Some changes could not be put back."};
  }
  tellFcitx5(posix::xdgConfigHome() / "fcitx5/profile", out);
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  out << "Everything brisquel setup changed is as it was. Log out and in again.\n";
  return {kExitOk, "Everything brisquel setup changed is as it was."};
}

}  // namespace

int setupCommand(const std::vector<std::string>& args, Streams io) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      io.out << kSetupUsage;
      return kExitOk;
    } else if (a == "--dry-run") {
      options.dryRun = true;
    } else if (a == "--undo") {
      options.undo = true;
    } else if (a == "--notify") {
      options.notify = true;
    } else if ((a == "--desktop" || a == "--layouts") && i + 1 < args.size()) {
      const std::string& value = args[++i];
      if (a == "--desktop") {
        options.desktop = desktopNamed(value);
        if (!options.desktop) {
          io.err << "brisquel setup: --desktop wants gnome, kde, sway or x11, not '" << value << "'\n";
          return kExitUsage;
        }
      } else {
        options.layouts = layoutsArgument(value);
        if (options.layouts->empty()) {
          io.err << "brisquel setup: --layouts wants xkb layouts such as us,ru or us,ru(phonetic)\n";
          return kExitUsage;
        }
      }
    } else {
      io.err << "brisquel setup: unknown argument '" << a << "' (brisquel setup --help)\n";
      return kExitUsage;
    }
  }
  if (options.undo && (options.desktop || options.layouts)) {
    io.err << "brisquel setup: --undo takes no --desktop or --layouts\n";
    return kExitUsage;
  }

  Outcome outcome{kExitOk, ""};
  if (options.undo) {
    if (options.dryRun) {
      const Journal journal = Journal::read(stateFolder() / "changes");
      for (const auto& e : journal.entries)
        io.out << "  would restore " << (e[0] == "file" ? shown(e[1]) : e[1] + " " + e[2]) << "\n";
      if (journal.entries.empty()) io.out << "Nothing to undo.\n";
      return kExitOk;
    }
    outcome = undo(io.out, io.err);
  } else {
    std::string error;
    const auto facts = gatherFacts(options, error);
    Planned planned;
    if (facts) planned = planSetup(*facts);
    if (facts && !planned.plan) {
      error = planned.error;
      if (facts->layouts.empty()) error += ": add your layouts there, or name them: brisquel setup --layouts us,ru";
    }
    if (!planned.plan) {
      io.err << "brisquel setup: " << error << "\nNothing was changed.\n";
      outcome = {kExitFailure, error};
    } else if (planned.plan->empty()) {
      printPlan(*facts, *planned.plan, io.out);
      io.out << "Nothing to change: fcitx5 with Brisquel is set up for this user already.\n";
      outcome = {kExitOk, "Nothing to change: Brisquel is set up already."};
    } else {
      printPlan(*facts, *planned.plan, io.out);
      if (options.dryRun) {
        io.out << "Nothing was changed (--dry-run).\n";
        return kExitOk;
      }
      outcome = apply(*facts, *planned.plan, io.out, io.err);
    }
  }
  if (options.notify) notifyDesktop("Brisquel setup", outcome.summary);
  return outcome.status;
}

}  // namespace brisquel::cli
