// SPDX-License-Identifier: MIT
#pragma once
// The typo detector: recognises words typed with the wrong keyboard layout,
// retypes them in the right one and switches the layout; a lone Option press
// converts the last word by hand (a second press undoes it) and is learned.
// Three parts do the work: the words typed (WordHistory), the rules that
// judge them (CorrectionRules) and the edits of the field (FieldEditor); the
// detector feeds them the keys and applies what the rules decide.
//
// Main thread only. Create it through create() (delayed work holds it weakly).

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/KeyPath.h"
#include "platform/Defaults.h"
#include "platform/Platform.h"
#include "typo/ChangeLayoutAction.h"
#include "typo/CorrectionRules.h"
#include "typo/FieldEditor.h"
#include "typo/LayoutMaps.h"
#include "typo/WordHistory.h"

namespace brisquel {

class SettingsHelper;

// Where learned corrections live (typed word -> wanted word, UTF-8); the
// settings store provides it. An entry mapping a word to itself means "leave it".
struct LearnedWordsStore {
  // The current words, shared rather than copied: they are looked up at
  // every word end.
  std::function<std::shared_ptr<const StringMap>()> get;
  std::function<void(const StringMap&)> set;

  // The settings' "LEARNED_WORDS" (and the learned-words file), read afresh
  // on every use; does nothing once the settings object is gone.
  static LearnedWordsStore of(SettingsHelper& settings);
};

struct WordAtCursor {
  std::u16string word;
  std::int64_t charsBeforeCursor = 0;
  std::int64_t charsAfterCursor = 0;  // negative when the word ends before the cursor
  bool isSelection = false;
};

struct WordInfo {
  std::u16string fullWord;
  std::u16string cleanWord;  // without emoji and symbols
  std::int64_t startLoc = 0;
  std::int64_t endLoc = 0;
  std::int64_t trailingSpaces = 0;
};

// The ports the detector uses.
struct TypoDetectorPorts {
  KeyboardPort& keyboard;
  WorkspacePort& workspace;
  InputSourcePort& inputSources;
  SpellCheckerPort& spelling;
  MainQueuePort& mainQueue;
  ClockPort& clock;
  TextFieldPort& textField;
  // Where the pairs' words are found, off the main thread; none: on the main queue.
  BackgroundQueuePort* background = nullptr;
};

class TypoDetector : public std::enable_shared_from_this<TypoDetector> {
 public:
  static constexpr int maxBufferSize = WordHistory::maxBufferSize;
  static constexpr int maxHistorySize = WordHistory::maxHistorySize;
  static constexpr std::size_t maxCacheSize = CorrectionRules::maxCacheSize;
  static constexpr double simulationCooldown = 0.05;
  static constexpr double fixDebounceInterval = 0.35;
  static constexpr double doublePressInterval = 0.4;
  static constexpr double lonePressMaxHold = 0.7;
  static constexpr double antiLoopInterval = 1.5;
  static constexpr double learnDelay = 1.5;
  static constexpr double undoWindow = 5.0;

  // The ports must outlive the detector.
  static std::shared_ptr<TypoDetector> create(TypoDetectorPorts ports, LearnedWordsStore learnedWords);

  // Called when the system cannot say which field has the focus (usually a
  // withdrawn accessibility permission).
  void setPermissionRecheck(std::function<void()> recheck) { permissionRecheck_ = std::move(recheck); }

  // Key-down and flags-changed events from the keyboard path. True when the
  // detector has already reproduced this key's effect itself, or acted on a
  // lone Option release: drop the event.
  bool process(const KeyEvent& event, const ChangeLayoutAction& changeLayoutAction);

  // Forgets the word being typed, the last word and the history.
  void clearBuffer() { words_.clear(); }

  // A mouse button went down: Option held through a click is no lone press.
  void cancelLoneOptionPress() { optionPressedAlone_ = false; }

  bool isSimulating() const { return editor_.isWriting(); }

  // Observable state.
  const std::u16string& buffer() const { return words_.buffer(); }
  const std::u16string& lastCompletedWord() const { return words_.lastWord(); }
  int lastCompletedWordTrailingSpaces() const { return words_.lastWordTrailingSpaces(); }
  const std::vector<CompletedWord>& completedWordsHistory() const { return words_.words(); }

  // Conversion and language guessing, with the layouts enabled right now.
  std::u16string transliterate(std::u16string_view text, bool forceSwap) const {
    return rules_->transliterate(text, forceSwap);
  }
  LanguagePair guessLanguagePair(std::u16string_view word) const { return rules_->guessLanguagePair(word); }

  // Spelling with the validity cache.
  bool isWordValid(std::u16string_view word, const std::string& language) {
    return rules_->isWordValid(word, language);
  }
  bool isPrefixValid(std::u16string_view prefix, const std::string& language) {
    return rules_->isPrefixValid(prefix, language);
  }
  std::size_t validityCacheSize() const { return rules_->validityCacheSize(); }

  // Text at the cursor; none in the applications whose text is not used, unless bypassed.
  std::optional<FieldText> readField(bool bypassBlacklist);
  static std::optional<WordAtCursor> getWordAtCursor(const FieldText& state);
  static std::optional<WordInfo> getWordBeforeCursor(const FieldText& state);

  // Manual conversion (a lone Option press) and the double-press action.
  void performManualToggle(const ChangeLayoutAction& changeLayoutAction);
  void performManualToggleBufferFallback(const ChangeLayoutAction& changeLayoutAction);
  void performDoublePressFix(const ChangeLayoutAction& changeLayoutAction);

  // Use create().
  TypoDetector(TypoDetectorPorts ports, LearnedWordsStore learnedWords);

 private:
  bool processFlagsChanged(const KeyEvent& event, const ChangeLayoutAction& changeLayoutAction);
  // The corrections the rules find, applied; true when keys were typed for
  // the key being decided (its separator among them).
  bool checkWordOnSeparator(const std::u16string& word, const std::u16string& separator,
                            const ChangeLayoutAction& changeLayoutAction);
  // pendingCharacters: how many of the word's last characters came with the
  // current event, which the application has not received yet.
  bool checkMidWord(const std::u16string& word, const ChangeLayoutAction& changeLayoutAction,
                    int pendingCharacters = 1);
  bool repairPreviousWord(const std::u16string& word, const std::u16string& separator);
  // Whether the word was corrected automatically a moment ago: its undo must not be corrected again.
  bool justCorrected(const std::u16string& word) const;

  void performFixForWord(const std::u16string& word, std::int64_t charsBefore, std::int64_t charsAfter,
                         std::int64_t trailingSpaces, int usedHistoryCount, bool isSelection,
                         const std::optional<FieldText>& field, const ChangeLayoutAction& changeLayoutAction);
  void convertWordBeforeCursor(const FieldText& state, const WordInfo& info,
                               const ChangeLayoutAction& changeLayoutAction);
  void saveLearnedWords(bool revert, const std::u16string& word, const std::u16string& result);
  void scheduleOnMain(void (TypoDetector::*action)(const ChangeLayoutAction&), ChangeLayoutAction changeLayoutAction);
  std::shared_ptr<const StringMap> learnedWords() const;
  double now() const;

  // elapsed < interval, ignoring rounding of the clock's sums (below a nanosecond).
  static bool isWithin(double elapsed, double interval) { return elapsed < interval - 1e-9; }

  static constexpr double distantPast = -std::numeric_limits<double>::infinity();

  TypoDetectorPorts ports_;
  LearnedWordsStore learnedWordsStore_;
  std::function<void()> permissionRecheck_;

  WordHistory words_;
  std::shared_ptr<CorrectionRules> rules_;
  FieldEditor editor_;

  bool isOptionCurrentlyDown_ = false;
  bool optionPressedAlone_ = false;
  double optionDownAt_ = distantPast;
  double lastOptionUpTime_ = distantPast;
  double lastFixTime_ = distantPast;

  std::u16string lastAutoSwitchWord_;
  std::u16string lastAutoSwitchResult_;
  double lastAutoSwitchTime_ = distantPast;
  bool lastAutoSwitchWasMidWord_ = false;

  std::u16string lastManualToggleWord_;
  std::u16string lastManualToggleResult_;
  double lastManualToggleTime_ = distantPast;
  std::shared_ptr<WorkItem> pendingSaveItem_;
  keypath::KeptWarm keptWarm_{this, sizeof(*this)};  // read at every key
};

}  // namespace brisquel
