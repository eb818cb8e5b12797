// SPDX-License-Identifier: MIT
#pragma once
// The whole program on the simulated desktop, built by the composition root,
// seen from the typo detector's side: keys typed into a text field, the
// field's text, the layout, the synthetic events posted and the words learned.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KeyScripts.h"
#include "TestFolders.h"
#include "TestText.h"
#include "base/KeyCodes.h"
#include "base/Languages.h"
#include "simprogram/SimProgram.h"
#include "settings/SettingsHelper.h"
#include "sim/SimDesktop.h"
#include "base/Text.h"
#include "typo/TypoDetector.h"

namespace brisquel {

inline void PrintTo(const CompletedWord& entry, std::ostream* os) {
  *os << "(" << text::toUtf8(entry.word) << ", \"" << text::toUtf8(entry.separator) << "\")";
}

}  // namespace brisquel

namespace brisquel::testing {

inline constexpr const char* kTextEdit = "com.apple.TextEdit";  // accessibility text is used
inline constexpr const char* kTerminal = "com.apple.Terminal";  // listed: typed keys only

// Counts the writes of the learned words, which the program debounces.
class CountingDefaults final : public DefaultsPort {
 public:
  explicit CountingDefaults(DefaultsPort& base) : base_(base) {}
  std::optional<DefaultsValue> object(const std::string& key) const override { return base_.object(key); }
  void set(const std::string& key, const DefaultsValue& value) override {
    if (key == SettingsHelper::learnedWordsKey) ++learnedWrites;
    base_.set(key, value);
  }
  void remove(const std::string& key) override { base_.remove(key); }
  std::uint64_t changeCount() const override { return base_.changeCount(); }
  int learnedWrites = 0;

 private:
  DefaultsPort& base_;
};

// Records the layouts the program selects (the person's own picks from the
// system menu do not pass through the program's port).
class RecordingInputSources final : public InputSourcePort {
 public:
  explicit RecordingInputSources(InputSourcePort& base) : base_(base) {}
  std::vector<InputSourceRef> enabledInputSources() override { return base_.enabledInputSources(); }
  InputSourceRef currentKeyboardInputSource() override { return base_.currentKeyboardInputSource(); }
  void select(const InputSourceRef& source) override {
    for (std::string_view code : kLanguageCodes) {
      if (source && sim::Desktop::standardSource(std::string(code)).id == source->id) selected.emplace_back(code);
    }
    base_.select(source);
  }
  Registration observeSelectedSourceChanged(std::function<void()> handler) override {
    return base_.observeSelectedSourceChanged(std::move(handler));
  }
  std::optional<KeyboardTable> keyboardTable(const InputSourceRef& source) override {
    return base_.keyboardTable(source);
  }
  std::vector<std::string> selected;

 private:
  InputSourcePort& base_;
};

// Keys typed into an empty field on the English layout. A step is typed,
// except "#T" (T typed by the US keys, whatever the layout), "^T" (T pasted),
// "@opt" (a lone Option press), "@bs" (Backspace), "@keys K" (the named keys
// K pressed), "@+S" (S seconds pass) and "@xx" (the person picks layout xx).
struct Steps {
  std::vector<std::string> steps;  // the program's keys are watched during the last one
  const char* text;                // the field afterwards
  const char* posted = nullptr;    // the keys the program posted in the last step; null: not checked
  const char* layout = nullptr;    // the layout afterwards; null: not checked
  StringMap learned = {};          // the words learned before the first step
};

class TypoScenario : public ::testing::Test {
 protected:
  TypoScenario() : desktop_(freshFolder("typo")) {}

  void SetUp() override {
    desktop_.enableLayouts({"en", "ru"});
    desktop_.addApplication({kTextEdit, "TextEdit", "/System/Applications/TextEdit.app", 0});
    desktop_.addApplication({kTerminal, "Terminal", "/System/Applications/Utilities/Terminal.app", 0});
    startDetector();
  }

  // (Re)starts the program, e.g. after changing layouts; the settings stay.
  void startDetector() {
    program_.reset();
    defaults_ = std::make_unique<CountingDefaults>(*desktop_.platform().defaults);
    inputSources_ = std::make_unique<RecordingInputSources>(*desktop_.platform().inputSources);
    SimProgramOptions options;
    options.ports = [this](Platform& p) {
      p.defaults = defaults_.get();
      p.inputSources = inputSources_.get();
    };
    options.program.donationReminder = false;
    program_ = std::make_unique<SimProgram>(desktop_, std::move(options));
    program_->start();
    settings_ = &program_->settings();
    detector_ = &program_->typoDetector();
  }

  // The layouts the program switched to since it started, as codes.
  const std::vector<std::string>& layoutRequests() const { return inputSources_->selected; }

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
  int learnedWrites() const { return defaults_->learnedWrites; }

  // Characters arriving in one event, as a paste brings them.
  void paste(const std::u16string& characters) {
    KeyEvent event;
    event.keyCode = KeyCode::ANSI_V;
    event.characters = characters;
    desktop_.platform().keyboard->post(event);
  }

  // A lone Option press.
  void option() {
    desktop_.keyDown(KeyCode::Option);
    desktop_.keyUp(KeyCode::Option);
  }

  // An empty field of the application on the English layout, nothing
  // learned, out of every time window of what came before; layoutRequests()
  // starts again.
  void freshField(const char* bundleId = kTextEdit) {
    focus(bundleId);
    app().setText(u"");
    detector_->clearBuffer();
    learn({});
    desktop_.selectLayout("en");
    desktop_.advance(6);
    inputSources_->selected.clear();
  }

  // Plays the steps in a fresh field and checks what they say.
  void expectSteps(const Steps& s, const char* bundleId = kTextEdit) {
    const std::string row = ::testing::PrintToString(s.steps);
    freshField(bundleId);
    learn(s.learned);
    std::size_t from = 0;
    for (const auto& step : s.steps) {
      from = mark();
      if (step.starts_with('#')) {
        desktop_.typeText(std::string_view(step).substr(1), "us");
      } else if (step.starts_with('^')) {
        paste(u16(step.substr(1)));
      } else if (step == "@opt") {
        option();
      } else if (step == "@bs") {
        desktop_.press("backspace");
      } else if (step.starts_with("@keys ")) {
        EXPECT_TRUE(desktop_.press(step.substr(6))) << row;
      } else if (step.starts_with("@+")) {
        desktop_.advance(std::stod(step.substr(2)));
      } else if (step.starts_with('@')) {
        desktop_.selectLayout(step.substr(1));
      } else {
        type(step);
      }
    }
    EXPECT_EQ(text(), s.text) << row;
    if (app().selection().length == 0) {
      EXPECT_EQ(caret(), static_cast<std::int64_t>(app().text().size())) << row << ": the caret left the end";
    }
    if (s.posted) {
      EXPECT_EQ(postedSince(from), s.posted) << row;
    }
    if (s.layout) {
      EXPECT_EQ(desktop_.currentLayoutCode(), s.layout) << row;
    }
  }

  // Synthetic events the detector posted since the mark, as "bs bs left привет".
  std::size_t mark() const { return desktop_.posted().size(); }
  std::string postedSince(std::size_t from) const { return postedKeys(desktop_, from); }


  sim::Desktop desktop_;
  std::unique_ptr<CountingDefaults> defaults_;
  std::unique_ptr<RecordingInputSources> inputSources_;
  std::unique_ptr<SimProgram> program_;
  SettingsHelper* settings_ = nullptr;
  TypoDetector* detector_ = nullptr;
};

}  // namespace brisquel::testing
