// The key tables of the layouts the person has, as the platform gives them,
// for converting words to the other layout.
#include <algorithm>
#include <array>
#include <cctype>

#include "typo/TypoDetector.h"

namespace brisquel {
namespace {

// The layout code a source types ("ru" for "ru" or "ru_RU"), or empty.
std::string layoutCodeOf(const InputSource& source) {
  static constexpr std::array<std::string_view, 6> codes = {"en", "ru", "uk", "he", "ar", "el"};
  if (!source.languages) return {};
  for (const auto& language : *source.languages) {
    std::string code = language.substr(0, language.find_first_of("-_"));
    std::transform(code.begin(), code.end(), code.begin(), [](unsigned char c) { return std::tolower(c); });
    if (std::find(codes.begin(), codes.end(), code) != codes.end()) return code;
  }
  return {};
}

}  // namespace

std::shared_ptr<const KeyTables> TypoDetector::keyTables() const {
  if (!platform_.inputSources) return nullptr;
  std::vector<InputSourceRef> sources = platform_.inputSources->enabledInputSources();
  if (keyTables_ && sources == keyTableSources_) return keyTables_;
  auto tables = std::make_shared<KeyTables>();
  for (const auto& source : sources) {
    if (!source || source->category != kKeyboardInputSourceCategory || source->selectCapable != true) continue;
    const std::string code = layoutCodeOf(*source);
    if (code.empty() || tables->has(code)) continue;
    if (auto table = platform_.inputSources->keyboardTable(source)) tables->add(code, std::move(*table));
  }
  keyTableSources_ = std::move(sources);
  keyTables_ = std::move(tables);
  return keyTables_;
}

std::u16string TypoDetector::convert(std::u16string_view word, bool forceSwap, const LayoutAvailability& layouts,
                                     bool* endsWithDeadKey) const {
  return convertWord(word, forceSwap, layouts, keyTables().get(), endsWithDeadKey);
}

}  // namespace brisquel
