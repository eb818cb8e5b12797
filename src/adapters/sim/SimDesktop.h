// SPDX-License-Identifier: MIT
#pragma once
// A deterministic desktop for tests and the command-line tools: a virtual
// clock driving the main queue, input sources, a keyboard typing with the
// real X11 layouts, applications with focused text fields, accessibility
// over those fields, and recording fakes of the remaining ports.
//
// Nothing waits for real time: the test advances the clock. Keyboard and
// application actions run the work that is due right after they happen,
// as the main loop would between two user actions. Each port family is a fake of its own
// (Sim*.h); this facade owns them and gives the test one place to drive them.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/KeyCodes.h"
#include "platform/Platform.h"
#include "sim/RecordingCanvas.h"
#include "sim/SimApp.h"
#include "sim/SimSpellChecker.h"

namespace brisquel::sim {

class Desktop {
 public:
  // Files live under filesRoot (application support = <root>/Library/Application Support,
  // home = <root>); empty: a fresh folder under the system's temporary folder.
  explicit Desktop(std::filesystem::path filesRoot = {});
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  // Every port, owned by the desktop.
  Platform platform();

  // --- clock and queues ----------------------------------------------------
  double now() const;  // monotonic virtual seconds, starting at 0
  // Runs main-queue work, timers and background tasks in time order up to now + seconds.
  void advance(double seconds);
  // Runs everything due now (including work that this work queues for now).
  void runUntilIdle();
  // Wall time in seconds since 1970; starts at 2026-01-01T00:00:00Z and moves with now().
  void setWallTime(double secondsSince1970);
  double wallTime() const;
  // Seconds spent in ClockPort::sleep, in order.
  const std::vector<double>& sleeps() const;
  std::size_t pendingTaskCount() const;  // queued work not yet run (live timers included)

  // --- input sources -------------------------------------------------------
  // Replaces the enabled sources with realistic ones for the layout codes
  // "en", "ru", "uk", "he", "ar", "el" (ids "com.apple.keylayout.US", ".Russian",
  // ".Ukrainian", ".Hebrew", ".Arabic", ".Greek"); the first becomes current.
  void enableLayouts(const std::vector<std::string>& codes);
  static InputSource standardSource(const std::string& code);
  // Full control: arbitrary sources. The keyboard table a source types with is
  // derived from its first language, else its id; `keyboardLayout` ("us", "ru",
  // "ua", "il", "ara", "gr") overrides. Typing with an unknown source uses "us".
  InputSourceRef addSource(InputSource source, std::optional<std::string> keyboardLayout = std::nullopt);
  void clearSources();
  // Makes a source current without a notification (setup); it need not be enabled.
  void setCurrentSource(InputSourceRef source);
  // The user picks a layout (by code as in enableLayouts) from the system menu:
  // selects it and posts the change notification. False when no enabled source has it.
  bool selectLayout(const std::string& code);
  InputSourceRef currentSource() const;
  std::optional<std::string> currentSourceId() const;
  // The layout code ("en", "ru", "uk", "he", "ar", "el") of the current source's keyboard table.
  std::string currentLayoutCode() const;
  // Ids of every InputSourcePort::select call, in order.
  const std::vector<std::string>& selectLog() const;

  // --- keyboard ------------------------------------------------------------
  // Physical keys. A modifier key produces flags-changed; other keys key-down /
  // key-up with the characters of the current layout at the time of the press.
  void keyDown(std::uint16_t keyCode, bool autoRepeat = false);
  void keyUp(std::uint16_t keyCode);
  // Down then up.
  void tapKey(std::uint16_t keyCode);
  // Chords separated by spaces: "ctrl+c", "shift+cmd+z", "opt", "fn+shift", "a",
  // "left", "return", "backspace", "delete" (forward), "tab", "space", "esc".
  // Each chord: modifiers down, key down and up, modifiers up, then the typing
  // interval passes. False (nothing pressed) when a name is unknown.
  bool press(std::string_view chords);
  // Presses the keys that produce each character in the keys layout ("us",
  // "ru", ...; default: the current source's table). A character that neither
  // it nor "us" produces is one key-down/key-up carrying it as text.
  // The typing interval passes after each character.
  void typeText(std::u16string_view text, std::string_view keysLayout = {});
  void typeText(std::string_view utf8, std::string_view keysLayout = {});
  // Clock time between two typed characters or chords (default 0.1 s; 0 allowed).
  void setTypingInterval(double seconds);
  // A mouse-down: global mouse monitors run; with a caret position the focused field's caret moves there.
  void click(std::optional<std::int64_t> caretPosition = std::nullopt);
  std::uint64_t modifierFlags() const;
  // Events posted through KeyboardPort::post, in order, with the time they were posted.
  const std::vector<ReceivedEvent>& posted() const;
  // Forgets what grows while keys are typed: posted events, select calls,
  // sleeps and every application's received events and value writes. Long
  // runs call it between checks to stay in constant memory.
  void clearLogs();
  // The system disables every enabled tap, telling each callback (TapDisabledByTimeout / ByUserInput).
  void disableTaps(EventType reason);
  std::size_t tapCount() const;  // live taps, enabled or not

  // --- applications --------------------------------------------------------
  // The first application added is frontmost from the start (no notification).
  SimApp& addApplication(AppSpec spec);
  // Quits it: references to its SimApp no longer hold.
  void removeApplication(const std::string& bundleId);
  SimApp* application(const std::string& bundleId);
  SimApp* applicationByPid(std::int64_t pid);
  // Makes it frontmost at once; activation observers run on the main queue (run here).
  void activate(const std::string& bundleId);
  SimApp* frontmost();
  // The pasteboard the applications' Command+C/X/V use.
  std::u16string& clipboard();

  // --- accessibility -------------------------------------------------------
  // Trust also decides whether event taps can be created.
  void setTrusted(bool trusted);
  bool isTrusted() const;
  int trustQueryCount() const;
  int trustPromptCount() const;  // queries with prompt=true

  // --- workspace -----------------------------------------------------------
  const std::vector<std::string>& openedURLs() const;
  const std::vector<std::filesystem::path>& openedFiles() const;
  const std::vector<std::filesystem::path>& openedApplications() const;
  void setOpenFails(bool fails);                                   // openURL/openFile/open report failure
  void setPreferredLanguages(std::vector<std::string> languages);  // default {"en-US"}

  // --- defaults, files -----------------------------------------------------
  // The values of the defaults store, to read or write directly. Once they
  // were handed out, the store reports a change whenever asked.
  std::map<std::string, DefaultsValue>& defaultsValues();
  const std::filesystem::path& filesRoot() const;
  void setFileWritesFail(bool fails);

  // --- application, processes, login items ---------------------------------
  void setMainBundlePath(std::filesystem::path path);  // default "/Applications/Brisquel.app"
  void setBundleVersion(std::string version);          // default "1.01"
  int terminateCount() const;
  const std::vector<int>& exitStatuses() const;  // exitNow calls (the test process goes on)
  struct Launch {
    std::string program;
    std::vector<std::string> arguments;
  };
  const std::vector<Launch>& launches() const;
  void setLaunchFails(bool fails);
  void setLoginServiceAvailable(bool available);  // default true
  void setLoginRegistrationRefused(bool refused);
  void setLoginStatus(LoginItemStatus status);  // default NotRegistered
  LoginItemStatus loginStatus() const;

  // --- user interface ------------------------------------------------------
  const std::optional<Image>& statusItemImage() const;
  int statusItemImageCount() const;  // how many times it was set
  // Replays the status image's drawing (or "named <resource>") on a recording canvas.
  std::vector<std::string> drawStatusItemImage() const;
  std::shared_ptr<Menu> statusItemMenu() const;
  const std::vector<AlertSpec>& alerts() const;
  // The answers of the next alerts, in order (none: closed without a choice);
  // once used up, alerts answer 1000. Alerts are answered at once unless held.
  void queueAlertResponse(AlertAnswer response);
  void holdAlertAnswers(bool held);
  void answerHeldAlerts();

  // --- spelling ------------------------------------------------------------
  SimSpellChecker& spelling();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace brisquel::sim
