// SPDX-License-Identifier: MIT
#pragma once
// Expands a Hunspell dictionary (.aff + .dic) into its full word forms: each
// stem with its suffixes (two levels deep), prefixes and their cross
// products. For languages whose prefixes are stacked clitics (Hebrew,
// Arabic) the prefixes are left out and listed separately instead, since
// applying them would multiply the forms many times over.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace brisquel::spell {

// Reads a file and decodes it from the named charset ("UTF-8", "ISO8859-7", ...).
std::optional<std::u16string> readDecoded(const std::filesystem::path& file, const std::string& charset);

// The charset an .aff file declares with SET (UTF-8 when it declares none).
std::string declaredCharset(const std::filesystem::path& affFile);

// How the dictionary wants text mapped before a lookup: the IGNORE characters
// dropped and the ICONV pairs replaced.
struct InputConversion {
  std::u16string ignored;
  std::vector<std::pair<std::u16string, std::u16string>> replacements;
};

class AffixExpander {
 public:
  // Parses the .aff file; nullopt when it cannot be read.
  static std::optional<AffixExpander> load(const std::filesystem::path& affFile);
  // Only the input conversion, as load() reads it, without parsing the affix rules.
  static std::optional<InputConversion> loadInputConversion(const std::filesystem::path& affFile);

  const InputConversion& inputConversion() const { return conversion_; }
  const std::string& charset() const { return charset_; }

  // The distinct strings the prefix rules add.
  std::vector<std::u16string> prefixStrings() const;

  // Calls emit for every form of every stem of the .dic file (duplicates
  // possible). withPrefixes=false leaves prefixes out. Stops early and
  // answers false when cancel becomes true or the file cannot be read.
  bool expand(const std::filesystem::path& dicFile, bool withPrefixes,
              const std::function<void(std::u16string_view)>& emit, const std::atomic<bool>* cancel = nullptr) const;

  // The forms of one stem given with its flag string, as a .dic line has it.
  void expandEntry(std::u16string_view stem, std::u16string_view flagText, bool withPrefixes,
                   const std::function<void(std::u16string_view)>& emit) const;

 private:
  using Flag = std::uint32_t;
  using Flags = std::vector<Flag>;
  enum class FlagMode { Char, Long, Num };

  struct ConditionElement {
    bool any = false;
    bool negated = false;
    std::u16string chars;
  };
  struct Rule {
    std::u16string strip;
    std::u16string add;
    Flags continuation;
    std::vector<ConditionElement> condition;
  };
  struct RuleClass {
    bool crossProduct = false;
    std::vector<Rule> rules;
  };

  Flags parseFlags(std::u16string_view text, bool aliasAllowed = true) const;
  static std::vector<ConditionElement> parseCondition(std::u16string_view text);
  static bool matchesAt(const std::vector<ConditionElement>& cond, std::u16string_view word, std::size_t start);
  bool prefixApplies(const Rule& rule, std::u16string_view word) const;
  bool suffixApplies(const Rule& rule, std::u16string_view word) const;
  static bool has(const Flags& flags, std::optional<Flag> flag);

  std::string charset_ = "UTF-8";
  FlagMode mode_ = FlagMode::Char;
  std::vector<Flags> aliases_;
  std::unordered_map<Flag, RuleClass> prefixes_;
  std::unordered_map<Flag, RuleClass> suffixes_;
  std::optional<Flag> needAffix_;
  Flags excluded_;  // forbidden and compound-only stems
  InputConversion conversion_;
};

}  // namespace brisquel::spell
