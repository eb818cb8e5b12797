#include "sim/SimDesktop.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <deque>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <system_error>

#include "sim/KeyboardLayouts.h"
#include "base/Text.h"

namespace brisquel::sim {

namespace {

constexpr double kStartWallTime = 1767225600.0;  // 2026-01-01T00:00:00Z
constexpr double kTimeEpsilon = 1e-9;            // sums of decimal seconds are inexact
constexpr double kMinTimerInterval = 1e-3;
constexpr std::size_t kMaxTasksPerRun = 1'000'000;  // a runaway loop stops here instead of hanging the test
constexpr std::uint64_t kAlphaShift = 0x10000;
constexpr std::int64_t kFirstPid = 501;

// Handlers kept by id, so a handler may unregister itself (or others) while they run.
template <typename Handler>
class HandlerList {
 public:
  int add(Handler handler) {
    int id = next_++;
    handlers_.emplace(id, std::make_shared<Handler>(std::move(handler)));
    return id;
  }
  void remove(int id) { handlers_.erase(id); }
  template <typename... Args>
  void call(const Args&... args) {
    std::vector<std::pair<int, std::shared_ptr<Handler>>> snapshot(handlers_.begin(), handlers_.end());
    for (auto& [id, handler] : snapshot) {
      if (handlers_.count(id)) (*handler)(args...);
    }
  }

 private:
  std::map<int, std::shared_ptr<Handler>> handlers_;
  int next_ = 1;
};

struct LayoutInfo {
  const char* code;
  const char* table;
  const char* id;
  const char* idWord;  // lower-case word in the id that names the layout
};

constexpr LayoutInfo kLayouts[] = {
    {"en", "us", "com.apple.keylayout.US", nullptr},
    {"ru", "ru", "com.apple.keylayout.Russian", "russian"},
    {"uk", "ua", "com.apple.keylayout.Ukrainian", "ukrainian"},
    {"he", "il", "com.apple.keylayout.Hebrew", "hebrew"},
    {"ar", "ara", "com.apple.keylayout.Arabic", "arabic"},
    {"el", "gr", "com.apple.keylayout.Greek", "greek"},
};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The keyboard table a source types with: its first language, else a word in its id.
std::string deriveTable(const InputSource& source) {
  if (source.languages && !source.languages->empty()) {
    std::string language = lower(source.languages->front());
    language = language.substr(0, language.find_first_of("-_"));
    for (const auto& info : kLayouts) {
      if (language == info.code) return info.table;
    }
  }
  if (source.id) {
    std::string id = lower(*source.id);
    for (const auto& info : kLayouts) {
      if (info.idWord && id.find(info.idWord) != std::string::npos) return info.table;
    }
  }
  return "us";
}

bool isModifierKey(std::uint16_t code) {
  return code >= KeyCode::RightCommand && code <= KeyCode::Function;
}

std::uint64_t modifierFlag(std::uint16_t code) {
  switch (code) {
    case KeyCode::Shift:
    case KeyCode::RightShift:
      return Flags::Shift;
    case KeyCode::Control:
    case KeyCode::RightControl:
      return Flags::Control;
    case KeyCode::Option:
    case KeyCode::RightOption:
      return Flags::Option;
    case KeyCode::Command:
    case KeyCode::RightCommand:
      return Flags::Command;
    case KeyCode::Function:
      return Flags::Fn;
    default:
      return 0;
  }
}

// Characters of the keys outside the layout table, as the system gives them.
std::optional<std::u16string> functionKeyCharacters(std::uint16_t code) {
  switch (code) {
    case KeyCode::Return:
      return u"\r";
    case KeyCode::Tab:
      return u"\t";
    case KeyCode::Delete:
      return u"\x7f";
    case KeyCode::Escape:
      return u"\x1b";
    case KeyCode::ForwardDelete:
      return u"\uF728";
    case KeyCode::UpArrow:
      return u"\uF700";
    case KeyCode::DownArrow:
      return u"\uF701";
    case KeyCode::LeftArrow:
      return u"\uF702";
    case KeyCode::RightArrow:
      return u"\uF703";
    default:
      return std::nullopt;
  }
}

// Control turns the ASCII letters and @[\]^_ into control characters.
std::u16string withControl(const std::u16string& s) {
  if (s.size() == 1) {
    char16_t c = s[0];
    if (c >= u'a' && c <= u'z') return std::u16string(1, static_cast<char16_t>(c - u'a' + 1));
    if (c >= u'@' && c <= u'_') return std::u16string(1, static_cast<char16_t>(c - u'@'));
  }
  return s;
}

struct ElementData {
  enum class Kind { SystemWide, Application, Field } kind;
  std::int64_t pid = 0;
};

const ElementData* elementData(const AXElement& element) {
  return static_cast<const ElementData*>(element.handle.get());
}

AXElement makeElement(ElementData::Kind kind, std::int64_t pid) {
  return AXElement{std::make_shared<const ElementData>(ElementData{kind, pid})};
}

std::filesystem::path freshTemporaryFolder() {
  std::random_device random;
  std::ostringstream name;
  name << "brisquel-sim-" << std::hex << random() << random();
  return std::filesystem::temp_directory_path() / name.str();
}

}  // namespace

// ---------------------------------------------------------------------------

struct Desktop::Impl : std::enable_shared_from_this<Impl> {
  // --- clock and queues ---
  using QueueKey = std::pair<double, std::uint64_t>;
  struct Entry {
    Task run;
    std::shared_ptr<WorkItem> item;
  };
  double now = 0;
  double wallOffset = kStartWallTime;
  std::vector<double> sleeps;
  std::map<QueueKey, Entry> queue;
  std::uint64_t sequence = 0;

  QueueKey schedule(double at, Entry entry) {
    QueueKey key{std::max(at, now), sequence++};
    queue.emplace(key, std::move(entry));
    return key;
  }

  void runDue(double target) {
    for (std::size_t count = 0; count < kMaxTasksPerRun && !queue.empty(); ++count) {
      auto it = queue.begin();
      if (it->first.first > target + kTimeEpsilon) break;
      double at = it->first.first;
      Entry entry = std::move(it->second);
      queue.erase(it);
      now = std::max(now, at);
      if (entry.item) {
        entry.item->perform();
      } else if (entry.run) {
        entry.run();
      }
    }
  }

  void advance(double seconds) {
    double target = now + std::max(0.0, seconds);
    runDue(target);
    now = std::max(now, target);
  }

  struct TimerState {
    double interval = 1;
    Task tick;
    std::optional<QueueKey> pending;
    bool alive = true;
  };

  void scheduleTick(const std::shared_ptr<TimerState>& timer, double at) {
    std::weak_ptr<Impl> weakSelf = weak_from_this();
    std::weak_ptr<TimerState> weakTimer = timer;
    timer->pending = schedule(at, Entry{[weakSelf, weakTimer, at] {
                                          auto self = weakSelf.lock();
                                          auto state = weakTimer.lock();
                                          if (!self || !state || !state->alive) return;
                                          state->pending.reset();
                                          auto tick = state->tick;  // the tick may cancel the timer
                                          if (tick) tick();
                                          if (state->alive) self->scheduleTick(state, at + state->interval);
                                        },
                                        nullptr});
  }

  // --- ports ---
  struct MainQueue final : MainQueuePort {
    Impl& d;
    explicit MainQueue(Impl& desktop) : d(desktop) {}
    void async(Task task) override { d.schedule(d.now, Entry{std::move(task), nullptr}); }
    void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) override {
      d.schedule(d.now + std::max(0.0, seconds), Entry{nullptr, std::move(item)});
    }
    Registration scheduleRepeatingTimer(double intervalSeconds, Task tick) override {
      auto timer = std::make_shared<TimerState>();
      timer->interval = std::max(kMinTimerInterval, intervalSeconds);
      timer->tick = std::move(tick);
      d.timers.push_back(timer);
      d.scheduleTick(timer, d.now + timer->interval);
      std::weak_ptr<Impl> weakSelf = d.weak_from_this();
      return Registration([weakSelf, timer] {
        timer->alive = false;
        if (auto self = weakSelf.lock()) {
          if (timer->pending) self->queue.erase(*timer->pending);
          std::erase(self->timers, timer);
        }
      });
    }
  };

  struct Background final : BackgroundQueuePort {
    Impl& d;
    explicit Background(Impl& desktop) : d(desktop) {}
    void async(QualityOfService, Task task) override { d.schedule(d.now, Entry{std::move(task), nullptr}); }
  };

  struct Clock final : ClockPort {
    Impl& d;
    explicit Clock(Impl& desktop) : d(desktop) {}
    double now() const override { return d.now; }
    double wallTime() const override { return d.wallOffset + d.now; }
    void sleep(double seconds) override {
      d.sleeps.push_back(seconds);
      if (seconds > 0) d.now += seconds;
    }
  };

  // --- input sources ---
  std::vector<InputSourceRef> enabledSources;
  std::map<const InputSource*, std::string> sourceTables;
  InputSourceRef current;
  std::vector<std::string> selectLog;
  HandlerList<std::function<void()>> sourceObservers;

  std::string tableOf(const InputSourceRef& source) const {
    if (!source) return "us";
    auto it = sourceTables.find(source.get());
    return it != sourceTables.end() ? it->second : deriveTable(*source);
  }

  struct InputSources final : InputSourcePort {
    Impl& d;
    explicit InputSources(Impl& desktop) : d(desktop) {}
    std::vector<InputSourceRef> enabledInputSources() override { return d.enabledSources; }
    InputSourceRef currentKeyboardInputSource() override { return d.current; }
    void select(const InputSourceRef& source) override {
      d.selectLog.push_back(source && source->id ? *source->id : std::string());
      if (!source || source->selectCapable != true) return;
      if (std::find(d.enabledSources.begin(), d.enabledSources.end(), source) == d.enabledSources.end()) return;
      if (source == d.current) return;
      d.current = source;
      d.pendingDead = nullptr;
      // The change arrives as a notification, after the caller has returned.
      std::weak_ptr<Impl> weakSelf = d.weak_from_this();
      d.schedule(d.now, Entry{[weakSelf] {
                                if (auto self = weakSelf.lock()) self->sourceObservers.call();
                              },
                              nullptr});
    }
    Registration observeSelectedSourceChanged(std::function<void()> handler) override {
      int id = d.sourceObservers.add(std::move(handler));
      std::weak_ptr<Impl> weakSelf = d.weak_from_this();
      return Registration([weakSelf, id] {
        if (auto self = weakSelf.lock()) self->sourceObservers.remove(id);
      });
    }
  };

  // --- keyboard ---
  struct TapState {
    std::uint64_t mask = 0;
    TapCallback callback;
    bool enabled = true;
    bool alive = true;
  };
  std::vector<std::shared_ptr<TapState>> taps;  // newest first
  HandlerList<std::function<void(const KeyEvent&)>> flagsMonitors;
  HandlerList<std::function<void(const KeyEvent&)>> mouseMonitors;
  std::set<std::uint16_t> heldModifiers;
  bool capsLock = false;
  const DeadKey* pendingDead = nullptr;
  std::deque<KeyEvent> eventQueue;
  bool dispatching = false;
  std::vector<ReceivedEvent> posted;
  double typingInterval = 0.1;

  std::uint64_t flags() const {
    std::uint64_t f = capsLock ? kAlphaShift : 0;
    for (auto code : heldModifiers) f |= modifierFlag(code);
    return f;
  }

  const KeyboardLayout& currentLayout() const {
    const KeyboardLayout* layout = findKeyboardLayout(tableOf(current));
    return layout ? *layout : keyboardLayouts().front();
  }

  // The key's characters on the current layout with the given flags, before dead-key handling.
  struct KeyOutput {
    std::optional<std::u16string> characters;
    std::optional<std::u16string> ignoringModifiers;
    const DeadKey* dead = nullptr;
    bool fromTable = false;
  };

  KeyOutput keyOutput(std::uint16_t code, std::uint64_t f) const {
    KeyOutput out;
    if (auto chars = functionKeyCharacters(code)) {
      out.characters = out.ignoringModifiers = *chars;
      return out;
    }
    const LayoutKey* key = findKey(currentLayout(), code);
    if (!key) return out;
    bool shifted = (f & Flags::Shift) != 0;
    // Caps Lock inverts Shift on letter keys (whose Shift level is the plain level's upper case).
    const KeyLevel& plain = key->levels[0];
    if ((f & kAlphaShift) && !plain.isDead() && !key->levels[1].isDead() && plain.text != key->levels[1].text &&
        text::toLower(key->levels[1].text) == plain.text) {
      shifted = !shifted;
    }
    const KeyLevel& level = key->levels[shifted ? 1 : 0];
    out.fromTable = true;
    if (level.isDead()) {
      out.dead = findDeadKey(level.deadKey);
      std::u16string spacing = out.dead ? std::u16string(out.dead->spacing) : std::u16string();
      out.characters = out.ignoringModifiers = spacing;
      return out;
    }
    std::u16string s(level.text);
    out.ignoringModifiers = s;
    out.characters = (f & Flags::Control) ? withControl(s) : s;
    return out;
  }

  KeyEvent physicalKeyEvent(std::uint16_t code, bool down, bool autoRepeat) {
    std::uint64_t f = flags();
    KeyOutput out = keyOutput(code, f);
    KeyEvent event;
    event.type = down ? EventType::KeyDown : EventType::KeyUp;
    event.keyCode = code;
    event.flags = f;
    event.autoRepeat = autoRepeat;
    event.characters = out.characters;
    event.charactersIgnoringModifiers = out.ignoringModifiers;
    bool shortcut = (f & (Flags::Command | Flags::Control)) != 0;
    if (shortcut) return event;
    if (out.dead) {
      // A dead key gives nothing and waits; a second one replaces the first.
      event.characters = event.charactersIgnoringModifiers = u"";
      if (down) pendingDead = out.dead;
      return event;
    }
    if (!down || !pendingDead) return event;
    const DeadKey* dead = std::exchange(pendingDead, nullptr);
    if (code == KeyCode::Space) {
      event.characters = std::u16string(dead->spacing);
    } else if (out.fromTable && out.characters) {
      if (auto composed = text::composeOne(*out.characters, dead->combining)) event.characters = *composed;
    }
    return event;
  }

  void inject(const KeyEvent& event) {
    eventQueue.push_back(event);
    if (dispatching) return;  // delivered after the current event, in order
    dispatching = true;
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }
    } reset{dispatching};
    while (!eventQueue.empty()) {
      KeyEvent next = std::move(eventQueue.front());
      eventQueue.pop_front();
      route(next);
    }
  }

  void route(KeyEvent event) {
    auto snapshot = taps;
    for (const auto& tap : snapshot) {
      if (!tap->alive || !tap->enabled) continue;
      auto type = static_cast<std::uint32_t>(event.type);
      if (type >= 64 || !(tap->mask & (std::uint64_t{1} << type))) continue;
      auto callback = tap->callback;
      std::optional<KeyEvent> result = callback ? callback(event.type, event) : std::optional<KeyEvent>(event);
      if (!result) return;
      event = std::move(*result);
    }
    if (event.type == EventType::FlagsChanged) flagsMonitors.call(event);
    if (SimApp* app = frontmost) app->deliver(event);
  }

  struct EventTapImpl final : EventTap {
    std::weak_ptr<Impl> desktop;
    std::shared_ptr<TapState> state;
    EventTapImpl(std::weak_ptr<Impl> d, std::shared_ptr<TapState> s) : desktop(std::move(d)), state(std::move(s)) {}
    ~EventTapImpl() override {
      state->alive = false;
      if (auto d = desktop.lock()) std::erase(d->taps, state);
    }
    void setEnabled(bool enabled) override { state->enabled = enabled; }
    bool isEnabled() const override { return state->enabled; }
  };

  struct Keyboard final : KeyboardPort {
    Impl& d;
    explicit Keyboard(Impl& desktop) : d(desktop) {}
    std::unique_ptr<EventTap> createEventTap(std::uint64_t eventMask, TapCallback callback) override {
      if (!d.trusted) return nullptr;
      auto state = std::make_shared<TapState>();
      state->mask = eventMask;
      state->callback = std::move(callback);
      d.taps.insert(d.taps.begin(), state);
      return std::make_unique<EventTapImpl>(d.weak_from_this(), state);
    }
    Registration addGlobalMonitor(MonitorKind kind, std::function<void(const KeyEvent&)> handler) override {
      auto& list = kind == MonitorKind::FlagsChanged ? d.flagsMonitors : d.mouseMonitors;
      int id = list.add(std::move(handler));
      std::weak_ptr<Impl> weakSelf = d.weak_from_this();
      return Registration([weakSelf, kind, id] {
        if (auto self = weakSelf.lock()) {
          (kind == MonitorKind::FlagsChanged ? self->flagsMonitors : self->mouseMonitors).remove(id);
        }
      });
    }
    std::optional<KeyEvent> createKeyboardEvent(std::uint16_t keyCode, bool keyDown) override {
      KeyOutput out = d.keyOutput(keyCode, 0);
      KeyEvent event;
      event.type = keyDown ? EventType::KeyDown : EventType::KeyUp;
      event.keyCode = keyCode;
      event.characters = out.dead ? std::optional<std::u16string>(u"") : out.characters;
      event.charactersIgnoringModifiers = out.dead ? std::optional<std::u16string>(u"") : out.ignoringModifiers;
      return event;
    }
    void post(const KeyEvent& event) override {
      d.posted.push_back({event, d.now});
      d.inject(event);
    }
  };

  // --- applications and workspace ---
  std::vector<std::unique_ptr<SimApp>> apps;
  SimApp* frontmost = nullptr;
  std::int64_t nextPid = kFirstPid;
  std::shared_ptr<std::u16string> clipboard = std::make_shared<std::u16string>();
  HandlerList<std::function<void(const RunningApplication&)>> activationObservers;
  std::vector<std::string> openedURLs;
  std::vector<std::filesystem::path> openedFiles;
  std::vector<std::filesystem::path> openedApplications;
  bool openFails = false;
  std::vector<std::string> preferredLanguages{"en-US"};

  SimApp* appByPid(std::int64_t pid) {
    for (auto& app : apps) {
      if (app->pid() == pid) return app.get();
    }
    return nullptr;
  }

  struct Workspace final : WorkspacePort {
    Impl& d;
    explicit Workspace(Impl& desktop) : d(desktop) {}
    std::optional<RunningApplication> frontmostApplication() override {
      if (!d.frontmost) return std::nullopt;
      return d.frontmost->runningApplication();
    }
    std::vector<RunningApplication> runningApplications() override {
      std::vector<RunningApplication> out;
      for (auto& app : d.apps) out.push_back(app->runningApplication());
      return out;
    }
    Registration observeActivation(std::function<void(const RunningApplication&)> handler) override {
      int id = d.activationObservers.add(std::move(handler));
      std::weak_ptr<Impl> weakSelf = d.weak_from_this();
      return Registration([weakSelf, id] {
        if (auto self = weakSelf.lock()) self->activationObservers.remove(id);
      });
    }
    bool openURL(const std::string& url) override {
      d.openedURLs.push_back(url);
      return !d.openFails;
    }
    bool openFile(const std::filesystem::path& path) override {
      d.openedFiles.push_back(path);
      return !d.openFails;
    }
    void openApplication(const std::filesystem::path& bundlePath, std::function<void(bool)> completion) override {
      d.openedApplications.push_back(bundlePath);
      bool ok = !d.openFails;
      if (completion) d.schedule(d.now, Entry{[completion = std::move(completion), ok] { completion(ok); }, nullptr});
    }
    std::vector<std::string> preferredLanguages() override { return d.preferredLanguages; }
  };

  // --- accessibility ---
  bool trusted = true;
  int trustQueries = 0;
  int trustPrompts = 0;

  struct Accessibility final : AccessibilityPort {
    Impl& d;
    explicit Accessibility(Impl& desktop) : d(desktop) {}

    // The application behind an element, with the error to answer when there is none.
    std::pair<SimApp*, AXError> target(const AXElement& element, bool wantField) {
      if (!d.trusted) return {nullptr, AXError::NotTrusted};
      const ElementData* data = elementData(element);
      if (!data) return {nullptr, AXError::Failure};
      if (wantField && data->kind != ElementData::Kind::Field) return {nullptr, AXError::AttributeUnsupported};
      SimApp* app = d.appByPid(data->pid);
      return {app, app ? AXError::Success : AXError::Failure};
    }

    bool isProcessTrusted(bool prompt) override {
      ++d.trustQueries;
      if (prompt) ++d.trustPrompts;
      return d.trusted;
    }
    AXElement systemWideElement() override { return makeElement(ElementData::Kind::SystemWide, 0); }
    AXElement applicationElement(std::int64_t pid) override { return makeElement(ElementData::Kind::Application, pid); }
    void setMessagingTimeout(const AXElement&, double) override {}

    AXResult<AXElement> focusedElement(const AXElement& element) override {
      if (!d.trusted) return {AXError::NotTrusted, std::nullopt};
      const ElementData* data = elementData(element);
      if (!data || data->kind == ElementData::Kind::Field) return {AXError::AttributeUnsupported, std::nullopt};
      SimApp* app = data->kind == ElementData::Kind::SystemWide ? d.frontmost : d.appByPid(data->pid);
      if (!app)
        return {data->kind == ElementData::Kind::SystemWide ? AXError::NoValue : AXError::Failure, std::nullopt};
      if (app->axFaults().focusQueryFails) return {AXError::CannotComplete, std::nullopt};
      if (app->axFaults().noFocusedElement) return {AXError::NoValue, std::nullopt};
      return {AXError::Success, makeElement(ElementData::Kind::Field, app->pid())};
    }
    AXResult<AXValue> value(const AXElement& element) override {
      auto [app, error] = target(element, true);
      if (!app) return {error, std::nullopt};
      if (app->axFaults().readFails) return {AXError::CannotComplete, std::nullopt};
      if (app->axFaults().valueNotString) return {AXError::Success, AXValue{std::nullopt}};
      return {AXError::Success, AXValue{app->text()}};
    }
    AXResult<TextRange> selectedRange(const AXElement& element) override {
      auto [app, error] = target(element, true);
      if (!app) return {error, std::nullopt};
      if (app->axFaults().readFails) return {AXError::CannotComplete, std::nullopt};
      if (app->axFaults().valueNotString) return {AXError::NoValue, std::nullopt};
      return {AXError::Success, app->selection()};
    }
    std::optional<std::int64_t> pid(const AXElement& element) override {
      const ElementData* data = elementData(element);
      if (!data || data->kind == ElementData::Kind::SystemWide || data->pid <= 0) return std::nullopt;
      return data->pid;
    }
    AXResult<bool> isValueSettable(const AXElement& element) override {
      auto [app, error] = target(element, true);
      if (!app) return {error, std::nullopt};
      if (app->axFaults().readFails) return {AXError::CannotComplete, std::nullopt};
      bool settable = !app->axFaults().notSettable && !app->axFaults().valueNotString;
      return {AXError::Success, settable};
    }
    AXError setValue(const AXElement& element, const std::u16string& newValue) override {
      auto [app, error] = target(element, true);
      if (!app) return error;
      if (app->axFaults().writeRefused) return AXError::Failure;
      if (app->axFaults().notSettable || app->axFaults().valueNotString) return AXError::AttributeUnsupported;
      app->axSetValue(newValue);
      return AXError::Success;
    }
    AXError setSelectedRange(const AXElement& element, TextRange range) override {
      auto [app, error] = target(element, true);
      if (!app) return error;
      if (app->axFaults().writeRefused) return AXError::Failure;
      auto size = static_cast<std::int64_t>(app->text().size());
      if (range.location < 0 || range.length < 0 || range.location + range.length > size) return AXError::Failure;
      app->setSelection(range);
      return AXError::Success;
    }
  };

  // --- defaults and files ---
  std::map<std::string, DefaultsValue> defaultsValues;
  std::uint64_t defaultsChanges = 0;
  // The map was handed out for writing: a change may come at any time.
  bool defaultsHandedOut = false;

  struct Defaults final : DefaultsPort {
    Impl& d;
    explicit Defaults(Impl& desktop) : d(desktop) {}
    std::optional<DefaultsValue> object(const std::string& key) const override {
      auto it = d.defaultsValues.find(key);
      if (it == d.defaultsValues.end()) return std::nullopt;
      return it->second;
    }
    void set(const std::string& key, const DefaultsValue& value) override {
      d.defaultsValues[key] = value;
      ++d.defaultsChanges;
    }
    void remove(const std::string& key) override {
      d.defaultsValues.erase(key);
      ++d.defaultsChanges;
    }
    std::uint64_t changeCount() const override { return d.defaultsHandedOut ? ++d.defaultsChanges : d.defaultsChanges; }
  };

  std::filesystem::path filesRoot;
  bool ownsFilesRoot = false;
  bool fileWritesFail = false;
  // Virtual dates of files written on the desktop, with the real date they had then.
  struct FileDate {
    double virtualDate;
    std::filesystem::file_time_type realDate;
  };
  std::map<std::filesystem::path, FileDate> fileDates;
  std::uint64_t tempCounter = 0;

  void dateFile(const std::filesystem::path& file) {
    std::error_code ec;
    auto real = std::filesystem::last_write_time(file, ec);
    if (!ec) fileDates[file.lexically_normal()] = {wallOffset + now, real};
  }

  struct Files final : FilesPort {
    Impl& d;
    explicit Files(Impl& desktop) : d(desktop) {}
    std::filesystem::path applicationSupportDirectory() override {
      return d.filesRoot / "Library" / "Application Support";
    }
    std::filesystem::path homeDirectory() override { return d.filesRoot; }
    bool createDirectories(const std::filesystem::path& dir) override {
      if (d.fileWritesFail) return false;
      std::error_code ec;
      std::filesystem::create_directories(dir, ec);
      return std::filesystem::is_directory(dir, ec);
    }
    bool writeAtomically(const std::filesystem::path& file, const std::string& bytes) override {
      if (d.fileWritesFail) return false;
      std::error_code ec;
      auto parent = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
      if (!std::filesystem::is_directory(parent, ec)) return false;
      auto temporary = parent / ("." + file.filename().string() + ".tmp" + std::to_string(d.tempCounter++));
      {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
          std::filesystem::remove(temporary, ec);
          return false;
        }
      }
      std::filesystem::rename(temporary, file, ec);
      if (ec) {
        std::filesystem::remove(temporary, ec);
        return false;
      }
      d.dateFile(file);
      return true;
    }
    std::optional<std::string> read(const std::filesystem::path& file) override {
      std::error_code ec;
      if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
      std::ifstream in(file, std::ios::binary);
      if (!in) return std::nullopt;
      std::ostringstream content;
      content << in.rdbuf();
      if (in.bad()) return std::nullopt;
      return content.str();
    }
    std::optional<double> modificationDate(const std::filesystem::path& file) override {
      std::error_code ec;
      auto real = std::filesystem::last_write_time(file, ec);
      if (ec) return std::nullopt;
      auto it = d.fileDates.find(file.lexically_normal());
      if (it != d.fileDates.end() && it->second.realDate == real) return it->second.virtualDate;
      auto system = std::chrono::file_clock::to_sys(real);
      return std::chrono::duration<double>(system.time_since_epoch()).count();
    }
    bool exists(const std::filesystem::path& file) override {
      std::error_code ec;
      return std::filesystem::exists(file, ec);
    }
    bool remove(const std::filesystem::path& file) override {
      if (d.fileWritesFail) return false;
      std::error_code ec;
      bool removed = std::filesystem::remove(file, ec);
      d.fileDates.erase(file.lexically_normal());
      return removed && !ec;
    }
    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
      if (d.fileWritesFail) return false;
      std::error_code ec;
      std::filesystem::rename(from, to, ec);
      if (ec) return false;
      auto it = d.fileDates.find(from.lexically_normal());
      if (it != d.fileDates.end()) {
        d.fileDates[to.lexically_normal()] = it->second;
        d.fileDates.erase(from.lexically_normal());
      }
      return true;
    }
  };

  // --- application, processes, login items ---
  std::filesystem::path mainBundlePath = "/Applications/Brisquel.app";
  std::string bundleVersion = "1.01";
  int terminateCount = 0;
  std::function<void()> terminationHandler;
  std::vector<int> exitStatuses;
  std::vector<Desktop::Launch> launches;
  bool launchFails = false;
  bool loginServiceAvailable = true;
  bool loginRegistrationRefused = false;
  LoginItemStatus loginStatus = LoginItemStatus::NotRegistered;

  struct Application final : ApplicationPort {
    Impl& d;
    explicit Application(Impl& desktop) : d(desktop) {}
    std::filesystem::path mainBundlePath() override { return d.mainBundlePath; }
    std::string bundleVersion() override { return d.bundleVersion; }
    void terminate() override {
      ++d.terminateCount;
      if (auto handler = d.terminationHandler) handler();
    }
    void setTerminationHandler(std::function<void()> handler) override { d.terminationHandler = std::move(handler); }
    void exitNow(int status) override { d.exitStatuses.push_back(status); }
  };

  struct Processes final : ProcessPort {
    Impl& d;
    explicit Processes(Impl& desktop) : d(desktop) {}
    bool launch(const std::string& program, const std::vector<std::string>& arguments) override {
      d.launches.push_back({program, arguments});
      return !d.launchFails;
    }
  };

  struct LoginItems final : LoginItemPort {
    Impl& d;
    explicit LoginItems(Impl& desktop) : d(desktop) {}
    bool isServiceAvailable() override { return d.loginServiceAvailable; }
    LoginItemStatus status() override { return d.loginStatus; }
    bool registerMainApp() override {
      if (d.loginRegistrationRefused) return false;
      d.loginStatus = LoginItemStatus::Enabled;
      return true;
    }
    bool unregisterMainApp() override {
      if (d.loginRegistrationRefused) return false;
      d.loginStatus = LoginItemStatus::NotRegistered;
      return true;
    }
  };

  // --- user interface ---
  std::optional<Image> statusImage;
  int statusImageCount = 0;
  std::shared_ptr<Menu> statusMenu;
  std::vector<AlertSpec> alerts;
  std::deque<int> alertResponses;

  struct UserInterface final : UserInterfacePort {
    Impl& d;
    explicit UserInterface(Impl& desktop) : d(desktop) {}
    void setStatusItemImage(const Image& image) override {
      d.statusImage = image;
      ++d.statusImageCount;
    }
    void setStatusItemMenu(std::shared_ptr<Menu> menu) override { d.statusMenu = std::move(menu); }
    int runModalAlert(const AlertSpec& alert) override {
      d.alerts.push_back(alert);
      if (d.alertResponses.empty()) return kAlertFirstButtonReturn;
      int response = d.alertResponses.front();
      d.alertResponses.pop_front();
      return response;
    }
  };

  SimSpellChecker spelling;

  MainQueue mainQueuePort{*this};
  Background backgroundPort{*this};
  Clock clockPort{*this};
  InputSources inputSourcePort{*this};
  Keyboard keyboardPort{*this};
  Workspace workspacePort{*this};
  Accessibility accessibilityPort{*this};
  Defaults defaultsPort{*this};
  Files filesPort{*this};
  Application applicationPort{*this};
  Processes processPort{*this};
  LoginItems loginItemPort{*this};
  UserInterface uiPort{*this};
  std::vector<std::shared_ptr<TimerState>> timers;

  // --- typing ---
  struct Stroke {
    std::uint16_t keyCode;
    bool shift;
  };

  // The keys that type one character on a layout (see Desktop::typeText).
  static std::optional<std::vector<Stroke>> strokesFor(std::u16string_view ch, const KeyboardLayout& layout) {
    for (const auto& key : layout.keys) {
      if (!key.levels[0].isDead() && key.levels[0].text == ch) return std::vector<Stroke>{{key.keyCode, false}};
    }
    // Where two keys give it with Shift, the one whose plain character is its lower case.
    const LayoutKey* shifted = nullptr;
    std::u16string lowered = text::toLower(ch);
    for (const auto& key : layout.keys) {
      if (key.levels[1].isDead() || key.levels[1].text != ch) continue;
      if (!shifted || (key.levels[0].text == lowered && shifted->levels[0].text != lowered)) shifted = &key;
    }
    if (shifted) return std::vector<Stroke>{{shifted->keyCode, true}};
    for (int deadLevel = 0; deadLevel < 2; ++deadLevel) {
      for (const auto& deadKey : layout.keys) {
        if (!deadKey.levels[deadLevel].isDead()) continue;
        const DeadKey* dead = findDeadKey(deadKey.levels[deadLevel].deadKey);
        if (!dead) continue;
        Stroke first{deadKey.keyCode, deadLevel == 1};
        if (dead->spacing == ch) return std::vector<Stroke>{first, {KeyCode::Space, false}};
        for (int baseLevel = 0; baseLevel < 2; ++baseLevel) {
          for (const auto& base : layout.keys) {
            const KeyLevel& level = base.levels[baseLevel];
            if (level.isDead() || level.text.empty() || base.keyCode == KeyCode::Space) continue;
            auto composed = text::composeOne(level.text, dead->combining);
            if (composed && *composed == ch) return std::vector<Stroke>{first, {base.keyCode, baseLevel == 1}};
          }
        }
      }
    }
    return std::nullopt;
  }

  void keyDown(std::uint16_t code, bool autoRepeat) {
    if (isModifierKey(code)) {
      if (code == KeyCode::CapsLock) {
        capsLock = !capsLock;
      } else {
        heldModifiers.insert(code);
      }
      KeyEvent event;
      event.type = EventType::FlagsChanged;
      event.keyCode = code;
      event.flags = flags();
      inject(event);
    } else {
      inject(physicalKeyEvent(code, true, autoRepeat));
    }
    advance(0);
  }

  void keyUp(std::uint16_t code) {
    if (isModifierKey(code)) {
      if (code == KeyCode::CapsLock || !heldModifiers.erase(code)) return;  // Caps Lock toggles on press
      KeyEvent event;
      event.type = EventType::FlagsChanged;
      event.keyCode = code;
      event.flags = flags();
      inject(event);
    } else {
      inject(physicalKeyEvent(code, false, false));
    }
    advance(0);
  }

  void stroke(const Stroke& s) {
    bool pressShift = s.shift && !(flags() & Flags::Shift);
    if (pressShift) keyDown(KeyCode::Shift, false);
    keyDown(s.keyCode, false);
    keyUp(s.keyCode);
    if (pressShift) keyUp(KeyCode::Shift);
  }

  void typeCharacter(std::u16string_view ch, std::string_view keysLayout) {
    if (ch == u"\n" || ch == u"\r") return stroke({KeyCode::Return, false});
    if (ch == u"\t") return stroke({KeyCode::Tab, false});
    const KeyboardLayout* layout = keysLayout.empty() ? &currentLayout() : findKeyboardLayout(keysLayout);
    std::optional<std::vector<Stroke>> strokes;
    if (layout) strokes = strokesFor(ch, *layout);
    if (!strokes) {
      if (const KeyboardLayout* us = findKeyboardLayout("us")) strokes = strokesFor(ch, *us);
    }
    if (strokes) {
      for (const auto& s : *strokes) stroke(s);
      return;
    }
    // As a paste or an input method would deliver it: one key carrying the text.
    KeyEvent event;
    event.type = EventType::KeyDown;
    event.flags = flags();
    event.characters = event.charactersIgnoringModifiers = std::u16string(ch);
    inject(event);
    event.type = EventType::KeyUp;
    inject(event);
    advance(0);
  }

  Platform platform() {
    Platform p;
    p.keyboard = &keyboardPort;
    p.accessibility = &accessibilityPort;
    p.inputSources = &inputSourcePort;
    p.workspace = &workspacePort;
    p.spelling = &spelling;
    p.defaults = &defaultsPort;
    p.files = &filesPort;
    p.mainQueue = &mainQueuePort;
    p.background = &backgroundPort;
    p.clock = &clockPort;
    p.application = &applicationPort;
    p.processes = &processPort;
    p.loginItems = &loginItemPort;
    p.ui = &uiPort;
    return p;
  }
};

// ---------------------------------------------------------------------------

Desktop::Desktop(std::filesystem::path filesRoot) : impl_(std::make_shared<Impl>()) {
  if (filesRoot.empty()) {
    filesRoot = freshTemporaryFolder();
    impl_->ownsFilesRoot = true;
  }
  std::error_code ec;
  std::filesystem::create_directories(filesRoot, ec);
  impl_->filesRoot = std::move(filesRoot);
}

Desktop::~Desktop() {
  if (impl_->ownsFilesRoot) {
    std::error_code ec;
    std::filesystem::remove_all(impl_->filesRoot, ec);
  }
}

Platform Desktop::platform() {
  return impl_->platform();
}

double Desktop::now() const {
  return impl_->now;
}
void Desktop::advance(double seconds) {
  impl_->advance(seconds);
}
void Desktop::runUntilIdle() {
  impl_->advance(0);
}
void Desktop::setWallTime(double secondsSince1970) {
  impl_->wallOffset = secondsSince1970 - impl_->now;
}
double Desktop::wallTime() const {
  return impl_->wallOffset + impl_->now;
}
const std::vector<double>& Desktop::sleeps() const {
  return impl_->sleeps;
}

std::size_t Desktop::pendingTaskCount() const {
  return static_cast<std::size_t>(std::count_if(impl_->queue.begin(), impl_->queue.end(), [](const auto& entry) {
    return !entry.second.item || !entry.second.item->isCancelled();
  }));
}

void Desktop::enableLayouts(const std::vector<std::string>& codes) {
  clearSources();
  for (const auto& code : codes) {
    std::optional<std::string> table;
    for (const auto& info : kLayouts) {
      if (code == info.code) table = info.table;
    }
    auto source = addSource(standardSource(code), table);
    if (!impl_->current) impl_->current = source;
  }
}

InputSource Desktop::standardSource(const std::string& code) {
  InputSource source;
  source.category = kKeyboardInputSourceCategory;
  source.selectCapable = true;
  source.id = "com.apple.keylayout." + code;
  for (const auto& info : kLayouts) {
    if (code == info.code) source.id = info.id;
  }
  source.languages = std::vector<std::string>{code};
  return source;
}

InputSourceRef Desktop::addSource(InputSource source, std::optional<std::string> keyboardLayout) {
  auto ref = std::make_shared<const InputSource>(std::move(source));
  impl_->sourceTables[ref.get()] = keyboardLayout && findKeyboardLayout(*keyboardLayout)
                                       ? std::string(findKeyboardLayout(*keyboardLayout)->name)
                                       : deriveTable(*ref);
  impl_->enabledSources.push_back(ref);
  return ref;
}

void Desktop::clearSources() {
  impl_->enabledSources.clear();
  impl_->current = nullptr;
  impl_->pendingDead = nullptr;
}

void Desktop::setCurrentSource(InputSourceRef source) {
  if (source && !impl_->sourceTables.count(source.get())) impl_->sourceTables[source.get()] = deriveTable(*source);
  impl_->current = std::move(source);
  impl_->pendingDead = nullptr;
}

bool Desktop::selectLayout(const std::string& code) {
  for (const auto& source : impl_->enabledSources) {
    const KeyboardLayout* layout = findKeyboardLayout(impl_->tableOf(source));
    if (layout && layout->code == code) {
      impl_->inputSourcePort.select(source);
      runUntilIdle();
      return true;
    }
  }
  return false;
}

InputSourceRef Desktop::currentSource() const {
  return impl_->current;
}

std::optional<std::string> Desktop::currentSourceId() const {
  return impl_->current ? impl_->current->id : std::nullopt;
}

std::string Desktop::currentLayoutCode() const {
  return std::string(impl_->currentLayout().code);
}

const std::vector<std::string>& Desktop::selectLog() const {
  return impl_->selectLog;
}

void Desktop::keyDown(std::uint16_t keyCode, bool autoRepeat) {
  impl_->keyDown(keyCode, autoRepeat);
}
void Desktop::keyUp(std::uint16_t keyCode) {
  impl_->keyUp(keyCode);
}

void Desktop::tapKey(std::uint16_t keyCode) {
  impl_->keyDown(keyCode, false);
  impl_->keyUp(keyCode);
}

bool Desktop::press(std::string_view chords) {
  struct Chord {
    std::vector<std::uint16_t> modifiers;
    std::optional<std::uint16_t> key;
  };
  std::vector<Chord> parsed;
  std::istringstream words{std::string(chords)};
  std::string word;
  while (words >> word) {
    Chord chord;
    std::size_t start = 0;
    while (start <= word.size()) {
      std::size_t plus = word.find('+', start + 1);  // "+" itself can be a key name: "shift+="
      std::string name = lower(word.substr(start, plus == std::string::npos ? std::string::npos : plus - start));
      auto code = keyCodeForName(name);
      if (!code) return false;
      if (isModifierKey(*code) && *code != KeyCode::CapsLock) {
        chord.modifiers.push_back(*code);
      } else {
        if (chord.key) return false;
        chord.key = *code;
      }
      if (plus == std::string::npos) break;
      start = plus + 1;
    }
    parsed.push_back(chord);
  }
  for (const auto& chord : parsed) {
    for (auto m : chord.modifiers) impl_->keyDown(m, false);
    if (chord.key) {
      impl_->keyDown(*chord.key, false);
      impl_->keyUp(*chord.key);
    }
    for (auto m = chord.modifiers.rbegin(); m != chord.modifiers.rend(); ++m) impl_->keyUp(*m);
    impl_->advance(impl_->typingInterval);
  }
  return true;
}

void Desktop::typeText(std::u16string_view text, std::string_view keysLayout) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t n = (i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF) ? 2 : 1;
    impl_->typeCharacter(text.substr(i, n), keysLayout);
    impl_->advance(impl_->typingInterval);
    i += n;
  }
}

void Desktop::typeText(std::string_view utf8, std::string_view keysLayout) {
  typeText(std::u16string_view(text::fromUtf8(utf8)), keysLayout);
}

void Desktop::setTypingInterval(double seconds) {
  impl_->typingInterval = std::max(0.0, seconds);
}

void Desktop::click(std::optional<std::int64_t> caretPosition) {
  if (caretPosition && impl_->frontmost) impl_->frontmost->setSelection({*caretPosition, 0});
  impl_->mouseMonitors.call(KeyEvent{});
  runUntilIdle();
}

std::uint64_t Desktop::modifierFlags() const {
  return impl_->flags();
}
const std::vector<ReceivedEvent>& Desktop::posted() const {
  return impl_->posted;
}

void Desktop::disableTaps(EventType reason) {
  auto snapshot = impl_->taps;
  for (const auto& tap : snapshot) {
    if (!tap->alive || !tap->enabled) continue;
    tap->enabled = false;
    KeyEvent event;
    event.type = reason;
    if (auto callback = tap->callback) callback(reason, event);
  }
  runUntilIdle();
}

std::size_t Desktop::tapCount() const {
  return impl_->taps.size();
}

SimApp& Desktop::addApplication(AppSpec spec) {
  if (spec.pid <= 0) spec.pid = impl_->nextPid;
  impl_->nextPid = std::max(impl_->nextPid, spec.pid + 1);
  std::weak_ptr<Impl> weak = impl_;
  auto clock = [weak] {
    auto impl = weak.lock();
    return impl ? impl->now : 0.0;
  };
  impl_->apps.push_back(std::make_unique<SimApp>(std::move(spec), clock, impl_->clipboard));
  SimApp& app = *impl_->apps.back();
  if (!impl_->frontmost) impl_->frontmost = &app;
  return app;
}

void Desktop::removeApplication(const std::string& bundleId) {
  auto& apps = impl_->apps;
  auto it = std::find_if(apps.begin(), apps.end(), [&](const auto& app) { return app->bundleId() == bundleId; });
  if (it == apps.end()) return;
  if (impl_->frontmost == it->get()) impl_->frontmost = nullptr;
  apps.erase(it);
}

SimApp* Desktop::application(const std::string& bundleId) {
  for (auto& app : impl_->apps) {
    if (app->bundleId() == bundleId) return app.get();
  }
  return nullptr;
}

SimApp* Desktop::applicationByPid(std::int64_t pid) {
  return impl_->appByPid(pid);
}

void Desktop::activate(const std::string& bundleId) {
  SimApp* app = application(bundleId);
  if (app && app != impl_->frontmost) {
    impl_->frontmost = app;
    RunningApplication info = app->runningApplication();
    std::weak_ptr<Impl> weak = impl_;
    impl_->schedule(impl_->now, Impl::Entry{[weak, info] {
                                              if (auto impl = weak.lock()) impl->activationObservers.call(info);
                                            },
                                            nullptr});
  }
  runUntilIdle();
}

SimApp* Desktop::frontmost() {
  return impl_->frontmost;
}
std::u16string& Desktop::clipboard() {
  return *impl_->clipboard;
}

void Desktop::setTrusted(bool trusted) {
  impl_->trusted = trusted;
}
bool Desktop::isTrusted() const {
  return impl_->trusted;
}
int Desktop::trustQueryCount() const {
  return impl_->trustQueries;
}
int Desktop::trustPromptCount() const {
  return impl_->trustPrompts;
}

const std::vector<std::string>& Desktop::openedURLs() const {
  return impl_->openedURLs;
}
const std::vector<std::filesystem::path>& Desktop::openedFiles() const {
  return impl_->openedFiles;
}
const std::vector<std::filesystem::path>& Desktop::openedApplications() const {
  return impl_->openedApplications;
}
void Desktop::setOpenFails(bool fails) {
  impl_->openFails = fails;
}
void Desktop::setPreferredLanguages(std::vector<std::string> languages) {
  impl_->preferredLanguages = std::move(languages);
}

std::map<std::string, DefaultsValue>& Desktop::defaultsValues() {
  // The caller may write through the reference whenever it likes.
  impl_->defaultsHandedOut = true;
  return impl_->defaultsValues;
}
const std::filesystem::path& Desktop::filesRoot() const {
  return impl_->filesRoot;
}
void Desktop::setFileWritesFail(bool fails) {
  impl_->fileWritesFail = fails;
}

bool Desktop::userWritesFile(const std::filesystem::path& file, const std::string& bytes) {
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  impl_->dateFile(file);
  return true;
}

void Desktop::setMainBundlePath(std::filesystem::path path) {
  impl_->mainBundlePath = std::move(path);
}
void Desktop::setBundleVersion(std::string version) {
  impl_->bundleVersion = std::move(version);
}
int Desktop::terminateCount() const {
  return impl_->terminateCount;
}
const std::vector<int>& Desktop::exitStatuses() const {
  return impl_->exitStatuses;
}
const std::vector<Desktop::Launch>& Desktop::launches() const {
  return impl_->launches;
}
void Desktop::setLaunchFails(bool fails) {
  impl_->launchFails = fails;
}
void Desktop::setLoginServiceAvailable(bool available) {
  impl_->loginServiceAvailable = available;
}
void Desktop::setLoginRegistrationRefused(bool refused) {
  impl_->loginRegistrationRefused = refused;
}
void Desktop::setLoginStatus(LoginItemStatus status) {
  impl_->loginStatus = status;
}
LoginItemStatus Desktop::loginStatus() const {
  return impl_->loginStatus;
}

const std::optional<Image>& Desktop::statusItemImage() const {
  return impl_->statusImage;
}
int Desktop::statusItemImageCount() const {
  return impl_->statusImageCount;
}

std::vector<std::string> Desktop::drawStatusItemImage() const {
  if (!impl_->statusImage) return {};
  const Image& image = *impl_->statusImage;
  if (!image.namedResource.empty()) return {"named " + image.namedResource};
  RecordingCanvas canvas;
  if (image.draw) image.draw(canvas);
  return canvas.commands();
}

std::shared_ptr<Menu> Desktop::statusItemMenu() const {
  return impl_->statusMenu;
}
const std::vector<AlertSpec>& Desktop::alerts() const {
  return impl_->alerts;
}
void Desktop::queueAlertResponse(int response) {
  impl_->alertResponses.push_back(response);
}

SimSpellChecker& Desktop::spelling() {
  return impl_->spelling;
}

}  // namespace brisquel::sim
