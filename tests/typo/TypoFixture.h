#pragma once
// The typo detector on the simulated desktop, behind a stand-in for the edit
// tap: it passes the program's own marked events, hands key-downs and
// flags-changed events to the detector and drops those it has reproduced.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/KeyCodes.h"
#include "platform/sim/SimDesktop.h"
#include "settings/SettingsHelper.h"
#include "typo/Text.h"
#include "typo/TypoDetector.h"

namespace brisquel {

inline void PrintTo(const CompletedWord& entry, std::ostream* os) {
  *os << "(" << text::toUtf8(entry.word) << ", \"" << text::toUtf8(entry.separator) << "\")";
}

}  // namespace brisquel

namespace brisquel::testing {

inline constexpr const char* kTextEdit = "com.apple.TextEdit";  // accessibility text is used
inline constexpr const char* kTerminal = "com.apple.Terminal";  // listed: typed keys only
inline constexpr std::int64_t kSyntheticEventMarker = 0xDEADBEEF;

inline std::u16string u16(std::string_view s) {
  return text::fromUtf8(s);
}
inline std::string u8(std::u16string_view s) {
  return text::toUtf8(s);
}

class TypoScenario : public ::testing::Test {
 protected:
  TypoScenario() : desktop_(testFolder()) {}

  void SetUp() override {
    desktop_.enableLayouts({"en", "ru"});
    desktop_.addApplication({kTextEdit, "TextEdit", "/System/Applications/TextEdit.app", 0});
    desktop_.addApplication({kTerminal, "Terminal", "/System/Applications/Utilities/Terminal.app", 0});
    Platform p = desktop_.platform();
    settings_ = SettingsHelper::create(*p.defaults, *p.files, *p.mainQueue, *p.workspace);
    LearnedWordsStore store = LearnedWordsStore::of(*settings_);
    learnedStore_ = {store.get, [this, set = store.set](const StringMap& words) {
                       ++learnedWrites_;
                       set(words);
                     }};
    startDetector();
  }

  // (Re)creates the detector and the stand-in tap, e.g. after changing layouts.
  void startDetector() {
    Platform p = desktop_.platform();
    tap_.reset();
    detector_ = TypoDetector::create(p, learnedStore_);
    std::weak_ptr<TypoDetector> weak = detector_;
    tap_ = p.keyboard->createEventTap(kKeyEventsMask,
                                      [this, weak](EventType type, const KeyEvent& event) -> std::optional<KeyEvent> {
                                        if (event.userData == kSyntheticEventMarker) return event;
                                        auto detector = weak.lock();
                                        if (!detector || type == EventType::KeyUp) return event;
                                        if (detector->process(event, changeLayout())) return std::nullopt;
                                        return event;
                                      });
    ASSERT_TRUE(tap_);
  }

  // Selects the first enabled layout declaring the code, as the program does.
  ChangeLayoutAction changeLayout() {
    return [this](const std::optional<std::string>& code) {
      layoutRequests_.push_back(code.value_or("next"));
      InputSourcePort& sources = *desktop_.platform().inputSources;
      for (const auto& source : sources.enabledInputSources()) {
        if (!code || !source->languages) continue;
        for (const auto& language : *source->languages) {
          if (language == *code) {
            sources.select(source);
            return;
          }
        }
      }
    };
  }

  void focus(const std::string& bundleId) { desktop_.activate(bundleId); }
  sim::SimApp& app() { return *desktop_.frontmost(); }
  std::string text() { return app().textUtf8(); }
  std::int64_t caret() { return app().selection().location; }
  void type(std::string_view s) { desktop_.typeText(s); }
  void words(const std::string& language, const std::vector<std::string>& list) {
    desktop_.spelling().setWords(language, list);
  }
  StringMap learned() { return settings_->learnedWords(); }
  void learn(const StringMap& words) { settings_->setLearnedWords(words); }

  // A lone Option press.
  void option() {
    desktop_.keyDown(KeyCode::Option);
    desktop_.keyUp(KeyCode::Option);
  }

  // Synthetic events the detector posted since the mark, as "bs bs left привет".
  std::size_t mark() const { return desktop_.posted().size(); }
  std::string postedSince(std::size_t from) const {
    std::string out;
    std::string typed;
    auto flush = [&] {
      if (typed.empty()) return;
      out += (out.empty() ? "" : " ") + typed;
      typed.clear();
    };
    const auto& posted = desktop_.posted();
    for (std::size_t i = from; i < posted.size(); ++i) {
      const KeyEvent& e = posted[i].event;
      if (e.type != EventType::KeyDown) continue;
      const char* name = e.keyCode == 51 ? "bs" : e.keyCode == 123 ? "left" : e.keyCode == 124 ? "right" : nullptr;
      if (name) {
        flush();
        out += (out.empty() ? "" : " ") + std::string(name);
      } else {
        typed += e.characters ? u8(*e.characters) : "?";
      }
    }
    flush();
    return out;
  }

  static std::filesystem::path testFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::path dir = std::filesystem::path(BRISQUEL_BINARY_DIR) / "test-home" / "typo" /
                                (std::string(info->test_suite_name()) + "." + info->name());
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    return dir;
  }

  sim::Desktop desktop_;
  std::shared_ptr<SettingsHelper> settings_;
  LearnedWordsStore learnedStore_;
  int learnedWrites_ = 0;
  std::shared_ptr<TypoDetector> detector_;
  std::unique_ptr<EventTap> tap_;
  std::vector<std::string> layoutRequests_;
};

}  // namespace brisquel::testing
