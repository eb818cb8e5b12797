// SPDX-License-Identifier: MIT
#pragma once
// The typo detector: recognises words typed with the wrong keyboard layout,
// retypes them in the right one and switches the layout; a lone Option press
// converts the last word by hand (a second press undoes it) and is learned.
//
// Main thread only. Create it through create() (delayed work holds it weakly).

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Defaults.h"
#include "platform/Platform.h"
#include "typo/ChangeLayoutAction.h"
#include "typo/KeyTables.h"
#include "typo/LayoutMaps.h"
#include "typo/PairWords.h"

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

// A finished word as it stands in the text (after any correction of it) and
// the white space typed after it, kept as typed so that a correction reaching
// back over it puts back a Return or a Tab, not a space.
struct CompletedWord {
  std::u16string word;
  std::u16string separator;
  int spaces() const;  // characters of the separator
  friend bool operator==(const CompletedWord&, const CompletedWord&) = default;
};

// A snapshot of the focused text element.
struct AXTextState {
  AXElement element;
  std::u16string text;
  std::int64_t cursorLoc = 0;  // UTF-16 units
  std::int64_t selectionLength = 0;
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
  AccessibilityPort& accessibility;
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
  static constexpr int maxBufferSize = 50;
  static constexpr int maxHistorySize = 10;
  static constexpr std::size_t maxCacheSize = 1000;
  static constexpr double simulationCooldown = 0.05;
  static constexpr double fixDebounceInterval = 0.35;
  static constexpr double doublePressInterval = 0.4;
  static constexpr double lonePressMaxHold = 0.7;
  static constexpr double antiLoopInterval = 1.5;
  static constexpr double learnDelay = 1.5;
  static constexpr double undoWindow = 5.0;
  static constexpr double axMessagingTimeout = 0.05;

  // The ports must outlive the detector.
  static std::shared_ptr<TypoDetector> create(TypoDetectorPorts ports, LearnedWordsStore learnedWords);

  // Called when reading the focused element system-wide fails (usually a
  // withdrawn accessibility permission).
  void setPermissionRecheck(std::function<void()> recheck) { permissionRecheck_ = std::move(recheck); }

  // Key-down and flags-changed events from the keyboard path. True when the
  // detector has already reproduced this key's effect itself, or acted on a
  // lone Option release: drop the event.
  bool process(const KeyEvent& event, const ChangeLayoutAction& changeLayoutAction);

  // Forgets the word being typed, the last word and the history.
  void clearBuffer();

  // A mouse button went down: Option held through a click is no lone press.
  void cancelLoneOptionPress() { optionPressedAlone_ = false; }

  bool isSimulating() const { return isSimulating_; }

  // Observable state.
  const std::u16string& buffer() const { return buffer_; }
  const std::u16string& lastCompletedWord() const { return lastCompletedWord_; }
  int lastCompletedWordTrailingSpaces() const { return lastCompletedWordTrailingSpaces_; }
  const std::vector<CompletedWord>& completedWordsHistory() const { return completedWordsHistory_; }

  // Conversion and language guessing, with the layouts enabled right now.
  std::u16string transliterate(std::u16string_view text, bool forceSwap) const;
  LanguagePair guessLanguagePair(std::u16string_view word) const;

  // Spelling with the validity cache.
  bool isWordValid(std::u16string_view word, const std::string& language);
  bool isPrefixValid(std::u16string_view prefix, const std::string& language);
  std::size_t validityCacheSize() const { return validityCache_.size(); }

  // Text at the cursor.
  std::optional<AXTextState> getAXTextState(bool bypassBlacklist);
  static std::optional<WordAtCursor> getWordAtCursor(const AXTextState& state);
  static std::optional<WordInfo> getWordBeforeCursor(const AXTextState& state);

  // Manual conversion (a lone Option press) and the double-press action.
  void performManualToggle(const ChangeLayoutAction& changeLayoutAction);
  void performManualToggleBufferFallback(const ChangeLayoutAction& changeLayoutAction);
  void performDoublePressFix(const ChangeLayoutAction& changeLayoutAction);

  // Use create().
  TypoDetector(TypoDetectorPorts ports, LearnedWordsStore learnedWords);

 private:
  bool processFlagsChanged(const KeyEvent& event, const ChangeLayoutAction& changeLayoutAction);
  // Ends the buffered word with the separator; false when there was none.
  bool finishWord(const std::u16string& separator);
  // The layout a word was typed on; none for a word without letters.
  std::optional<std::string> languageOf(std::u16string_view word, const LayoutAvailability& layouts) const;
  bool checkWordOnSeparator(const std::u16string& word, const std::u16string& separator,
                            const ChangeLayoutAction& changeLayoutAction);
  // pendingCharacters: how many of the word's last characters came with the
  // current event, which the application has not received yet.
  bool checkMidWord(const std::u16string& word, const ChangeLayoutAction& changeLayoutAction,
                    int pendingCharacters = 1);
  bool repairPreviousWord(const std::u16string& word, const std::u16string& separator);
  // Words of the pair that only the neighbouring words decide: the
  // English-Russian table, or what both dictionaries have for the other pairs.
  static bool usesRussianTables(const LanguagePair& pair);
  bool isAmbiguousFor(std::u16string_view word, const LanguagePair& pair);
  static bool isSingleLetterWord(std::u16string_view letter, const std::string& language);
  // The words found for English and the language; none until both
  // dictionaries are loaded and the search, queued on the first call, has run.
  const pairwords::PairWords* pairWords(const std::string& language);
  // Starts the search for the pair's words, so that they are there by the word's end.
  void preparePairWords(const LanguagePair& pair);
  // Whether nothing typed before history entry `first` shows the person
  // writing in `language`: the field starts there, a sentence or line ends
  // right before it, or a word of another layout stands there.
  // `unitsToCaret`: the field's UTF-16 units from that entry to the caret.
  bool startsFreshText(std::size_t first, const std::string& language, const std::optional<AXTextState>& field,
                       std::size_t unitsToCaret, const LayoutAvailability& layouts) const;
  // The keys of a word typed on the layout `from` as the layout `to` gives them (codes).
  KeyTables::Conversion convertBetween(std::u16string_view word, const std::string& from, const std::string& to) const;
  // Of the readings of a word typed on the pair's source layout, one that
  // reads as the target (see readsAsTarget), or none.
  std::optional<std::u16string> targetReading(std::u16string_view typed, const LanguagePair& pair, bool capitals);
  // Capitals meant as typed; `before`: the history entries before the word.
  bool isAbbreviation(std::u16string_view word, const LanguagePair& pair, std::size_t before,
                      const LayoutAvailability& layouts) const;
  // What a correction deletes and types, and the history entries it rewrites.
  struct Fold {
    int deleteCount = 0;
    std::u16string text;
    std::vector<std::pair<std::size_t, std::u16string>> rewritten;
    std::u16string typed;  // what it deletes, as typed
  };
  // Takes earlier words typed on the same wrong layout into the correction.
  void foldPreceding(Fold& fold, std::size_t before, const LanguagePair& pair, bool ambiguousWords,
                     const LayoutAvailability& layouts, const std::optional<AXTextState>& field);
  // The same for the pairs other than English-Russian, which have no tables
  // made for them: only from where the text starts afresh, and mid-word too.
  void foldFreshText(Fold& fold, std::size_t before, const LanguagePair& pair, const LayoutAvailability& layouts,
                     const std::optional<AXTextState>& field);
  // Whether `swapped`, the keys of `typed` on the pair's other layout, is what
  // the person meant there as far as words alone tell: a word of both or of
  // the target only (a one-letter word of the target included).
  bool readsAsTarget(std::u16string_view typed, std::u16string_view swapped, const LanguagePair& pair);

  // Whether the field, where its text can be read, has white space (or its
  // start) right before the last `characters` before the caret: otherwise the
  // caret was put into a word, or keys went by unseen, and what the detector
  // holds is not the whole word there; with typed, also that those are its characters.
  // Both take the field as read once before a correction (none: keys only).
  bool beginsAWordInField(const std::optional<AXTextState>& field, int characters, std::u16string_view typed = {});
  // Replacement of the deleteCount characters before the cursor by text.
  // True when typed keys were used (the separator has then been typed too).
  bool replaceBeforeCursor(const std::optional<AXTextState>& field, int deleteCount, const std::u16string& text,
                           const std::u16string* separator);
  // Whether the field can take that replacement exactly; where it cannot, the text stays as typed.
  bool canReplace(int deleteCount, std::int64_t stepOver = 0) const;

  void performFixForWord(const std::u16string& word, std::int64_t charsBefore, std::int64_t charsAfter,
                         std::int64_t trailingSpaces, int usedHistoryCount, bool isSelection,
                         const std::optional<AXTextState>& axState, const ChangeLayoutAction& changeLayoutAction);
  // The selected text of the snapshot replaced by result.
  void replaceSelection(const std::u16string& result, const std::optional<AXTextState>& axState,
                        const std::string& code, const ChangeLayoutAction& changeLayoutAction);
  void convertWordBeforeCursor(const AXTextState& state, const WordInfo& info,
                               const ChangeLayoutAction& changeLayoutAction);
  void saveLearnedWords(bool revert, const std::u16string& word, const std::u16string& result);
  void scheduleOnMain(void (TypoDetector::*action)(const ChangeLayoutAction&), ChangeLayoutAction changeLayoutAction);

  // Synthetic keys.
  void simulateTyping(const std::u16string& text, double delay);
  void pressKey(std::uint16_t keyCode, int times, double delay = 0.001);
  void postKey(std::uint16_t keyCode, bool keyDown, const std::u16string* text);
  void finishSimulation();

  // The enabled layouts, taken afresh only when the enabled sources change:
  // the key path asks for them several times per key.
  struct LayoutSnapshot {
    std::uint64_t version = 0;  // the port's, when it was taken
    std::vector<InputSourceRef> sources;
    LayoutAvailability availability;
    std::shared_ptr<const KeyTables> tables;
  };
  const LayoutSnapshot& layoutSnapshot() const;
  const LayoutAvailability& layoutAvailability() const { return layoutSnapshot().availability; }
  // The enabled layouts' key tables.
  std::shared_ptr<const KeyTables> keyTables() const { return layoutSnapshot().tables; }
  // The word in the other layout: by the layouts' key tables where the port
  // gives both, else by the built-in maps.
  std::u16string convert(std::u16string_view word, bool forceSwap, const LayoutAvailability& layouts) const;
  // The conversion the correction rules judge, and whether it spells a word
  // (a beginning, for prefix) of the target; of two readings of a character
  // the one that does.
  struct TargetConversion {
    std::u16string text;
    bool valid = false;
    bool waitsForKey = false;  // ends with a dead key: the next key decides
  };
  TargetConversion convertForTarget(std::u16string_view word, const LayoutAvailability& layouts,
                                    const LanguagePair& pair, bool prefix);
  std::string layoutCodeFor(const LanguagePair& pair) const;
  // The validity cache's key: what was asked (word, prefix), the language and the text.
  std::u16string validityKey(char16_t kind, const std::string& language, std::u16string_view text);
  std::shared_ptr<const StringMap> learnedWords() const;
  double now() const;

  // elapsed < interval, ignoring rounding of the clock's sums (below a nanosecond).
  static bool isWithin(double elapsed, double interval) { return elapsed < interval - 1e-9; }

  static constexpr double distantPast = -std::numeric_limits<double>::infinity();

  TypoDetectorPorts ports_;
  LearnedWordsStore learnedWordsStore_;
  std::function<void()> permissionRecheck_;

  std::u16string buffer_;
  std::vector<CompletedWord> completedWordsHistory_;
  std::u16string lastCompletedWord_;
  int lastCompletedWordTrailingSpaces_ = 0;
  bool isSimulating_ = false;
  double lastSimulationEndTime_ = distantPast;
  bool typedWithCapsLock_ = false;  // some key of the buffered word came with Caps Lock on
  bool isOptionCurrentlyDown_ = false;
  bool optionPressedAlone_ = false;
  double optionDownAt_ = distantPast;
  double lastOptionUpTime_ = distantPast;
  double lastFixTime_ = distantPast;

  std::unordered_map<std::u16string, bool> validityCache_;
  std::vector<std::string> validityLanguages_;  // a key's second unit is its language's place here
  std::u16string lastAutoSwitchWord_;
  std::u16string lastAutoSwitchResult_;
  double lastAutoSwitchTime_ = distantPast;
  bool lastAutoSwitchWasMidWord_ = false;
  // An automatic correction of the word being typed was undone: the rest of
  // the word is left as the person types it.
  bool leaveWordAsTyped_ = false;
  // BackSpace went into text typed before anything the detector knows, in a
  // field it cannot read: the word typed there began somewhere unknown.
  bool wordStartUnknown_ = false;

  std::u16string lastManualToggleWord_;
  std::u16string lastManualToggleResult_;
  double lastManualToggleTime_ = distantPast;
  std::shared_ptr<WorkItem> pendingSaveItem_;

  mutable std::shared_ptr<const LayoutSnapshot> layouts_;
  mutable std::shared_ptr<const LayoutSnapshot> previousLayouts_;  // what a caller may still hold
  // The oldest words of the history were dropped for newer ones.
  bool historyLostWords_ = false;
  std::shared_ptr<const KeyTables> pairWordsTables_;  // the layouts the words were found for
  std::map<std::string, std::shared_ptr<const pairwords::PairWords>> pairWords_;  // null: being found
  std::uint64_t pairWordsGeneration_ = 0;
};

}  // namespace brisquel
