// SPDX-License-Identifier: MIT
#pragma once
// The correction rules: whether a word was typed on the wrong layout, what
// it becomes, and which earlier words go with it. They judge a word by its
// letters, the words typed before it, the spelling answers and, where the
// text before those words matters, the field as read once before the
// correction. They change nothing: the detector applies what they decide.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Defaults.h"
#include "platform/InputSources.h"
#include "platform/MainQueue.h"
#include "platform/SpellChecker.h"
#include "platform/TextField.h"
#include "typo/KeyTables.h"
#include "typo/LayoutMaps.h"
#include "typo/PairWords.h"
#include "typo/ValidityCache.h"
#include "typo/WordHistory.h"

namespace brisquel {

struct CorrectionRulesPorts {
  InputSourcePort& inputSources;
  SpellCheckerPort& spelling;
  MainQueuePort& mainQueue;
  // Where the pairs' words are found, off the main thread; none: on the main queue.
  BackgroundQueuePort* background = nullptr;
};

class CorrectionRules : public std::enable_shared_from_this<CorrectionRules> {
 public:
  static constexpr std::size_t maxCacheSize = 1000;

  // history: the detector's, read at every decision; learnedWords: the
  // learned corrections (typed word -> wanted word, UTF-8), or null.
  CorrectionRules(CorrectionRulesPorts ports, const WordHistory& history,
                  std::function<std::shared_ptr<const StringMap>()> learnedWords);

  // What a correction deletes and types, and the history entries it rewrites.
  struct Fold {
    int deleteCount = 0;
    std::u16string text;
    std::vector<std::pair<std::size_t, std::u16string>> rewritten;
    std::u16string typed;  // what it deletes, as typed
  };
  // A correction with the earlier words it takes in, and of the word alone
  // (where the earlier ones cannot be reached exactly).
  struct Folds {
    Fold withEarlier;
    Fold alone;
  };
  // A word typed on the wrong layout: the pair of layouts and the word meant.
  struct Verdict {
    LanguagePair pair;
    std::u16string converted;
    bool russianRules = true;  // the word tables made for English and Russian apply
  };

  // The word just finished (the newest history entry), when it was typed on the wrong layout.
  std::optional<Verdict> atWordEnd(const std::u16string& word);
  // Its correction, with the earlier words typed on the same wrong layout.
  Folds wordEndFolds(const std::u16string& word, const Verdict& verdict, const std::optional<FieldText>& field);
  // The word being typed, when its beginning already shows the wrong layout.
  std::optional<Verdict> midWord(const std::u16string& word);
  // Its correction; pendingCharacters: its last characters, which came with
  // the key being decided and are not in the field yet.
  Folds midWordFolds(const std::u16string& word, const Verdict& verdict, int pendingCharacters,
                     const std::optional<FieldText>& field);
  // The word before the one just finished, when only this one shows that it
  // was typed on the wrong layout; the field is read (once) where it counts.
  struct Repair {
    std::size_t index = 0;  // of the history entry
    std::u16string swapped;
    Fold fold;
    std::optional<FieldText> field;
  };
  std::optional<Repair> previousWord(const std::u16string& word,
                                     const std::function<std::optional<FieldText>()>& readField);

  // Conversion and language guessing, with the layouts enabled right now.
  std::u16string transliterate(std::u16string_view text, bool forceSwap) const;
  LanguagePair guessLanguagePair(std::u16string_view word) const;
  static std::string layoutCodeFor(const LanguagePair& pair);

  // Spelling with the validity cache.
  bool isWordValid(std::u16string_view word, const std::string& language);
  bool isPrefixValid(std::u16string_view prefix, const std::string& language);
  std::size_t validityCacheSize() const { return validityCache_.size(); }

 private:
  // The language pair of the word being typed. Typing adds characters to
  // it, so the counts behind the guess are kept from the previous key and
  // only the new characters are counted.
  LanguagePair guessPair(std::u16string_view word, const LayoutAvailability& layouts) const;
  struct LanguageGuess {
    std::u16string word;
    LayoutMaps::Tally tally;
    bool unitwise = true;  // every code unit of the word is a character
  };
  // The word being typed, and the one guessed before it (the word just
  // finished, which the rules look back at).
  mutable LanguageGuess guess_, lastGuess_;
  // The layout a word was typed on; none for a word without letters.
  std::optional<std::string> languageOf(std::u16string_view word, const LayoutAvailability& layouts) const;
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
  bool startsFreshText(std::size_t first, const std::string& language, const std::optional<FieldText>& field,
                       std::size_t unitsToCaret, const LayoutAvailability& layouts) const;
  // The keys of a word typed on the layout `from` as the layout `to` gives them (codes).
  KeyTables::Conversion convertBetween(std::u16string_view word, const std::string& from, const std::string& to) const;
  // Of the readings of a word typed on the pair's source layout, one that
  // reads as the target (see readsAsTarget), or none.
  std::optional<std::u16string> targetReading(std::u16string_view typed, const LanguagePair& pair, bool capitals);
  // Capitals meant as typed; `before`: the history entries before the word.
  bool isAbbreviation(std::u16string_view word, const LanguagePair& pair, std::size_t before,
                      const LayoutAvailability& layouts) const;
  // Takes earlier words typed on the same wrong layout into the correction.
  void foldPreceding(Fold& fold, std::size_t before, const LanguagePair& pair, bool ambiguousWords,
                     const LayoutAvailability& layouts, const std::optional<FieldText>& field);
  // The same for the pairs other than English-Russian, which have no tables
  // made for them: only from where the text starts afresh, and mid-word too.
  void foldFreshText(Fold& fold, std::size_t before, const LanguagePair& pair, const LayoutAvailability& layouts,
                     const std::optional<FieldText>& field);
  // Whether `swapped`, the keys of `typed` on the pair's other layout, is what
  // the person meant there as far as words alone tell: a word of both or of
  // the target only (a one-letter word of the target included).
  bool readsAsTarget(std::u16string_view typed, std::u16string_view swapped, const LanguagePair& pair);

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
  // The validity cache's key: what was asked (word, prefix), the language and the text.
  void validityKey(std::u16string& key, char16_t kind, const std::string& language, std::u16string_view text);
  std::shared_ptr<const StringMap> learnedWords() const;

  CorrectionRulesPorts ports_;
  const WordHistory& history_;
  std::function<std::shared_ptr<const StringMap>()> learnedWords_;

  ValidityCache validityCache_;
  std::vector<std::string> validityLanguages_;  // a key's second unit is its language's place here
  std::u16string wordKey_, prefixKey_;  // the keys last asked, one each: a prefix asks for the word too
  mutable std::shared_ptr<const LayoutSnapshot> layouts_;
  mutable std::shared_ptr<const LayoutSnapshot> previousLayouts_;  // what a caller may still hold
  std::shared_ptr<const KeyTables> pairWordsTables_;  // the layouts the words were found for
  std::map<std::string, std::shared_ptr<const pairwords::PairWords>> pairWords_;  // null: being found
  std::uint64_t pairWordsGeneration_ = 0;
};

}  // namespace brisquel
