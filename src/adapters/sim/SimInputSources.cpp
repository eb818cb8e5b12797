// SPDX-License-Identifier: MIT
#include "sim/SimInputSources.h"

#include <algorithm>
#include <cctype>

#include "base/Text.h"

namespace brisquel::sim {

namespace {

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

// The keyboard table a source types with: its first language, else a word in its id.
std::string deriveTable(const InputSource& source) {
  if (source.languages && !source.languages->empty()) {
    std::string language = text::toLower(source.languages->front());
    language = language.substr(0, language.find_first_of("-_"));
    for (const auto& info : kLayouts) {
      if (language == info.code) return info.table;
    }
  }
  if (source.id) {
    std::string id = text::toLower(*source.id);
    for (const auto& info : kLayouts) {
      if (info.idWord && id.find(info.idWord) != std::string::npos) return info.table;
    }
  }
  return "us";
}

}  // namespace

const KeyboardLayout* SimInputSources::tableOf(const InputSourceRef& source) const {
  if (!source) return findKeyboardLayout("us");
  auto it = tables_.find(source.get());
  return findKeyboardLayout(it != tables_.end() ? it->second : deriveTable(*source));
}

void SimInputSources::makeCurrent(InputSourceRef source) {
  context_.current.layout = tableOf(source);
  context_.current.source = std::move(source);
  ++context_.current.changes;
}

void SimInputSources::select(const InputSourceRef& source) {
  selectLog_.push_back(source && source->id ? *source->id : std::string());
  if (!source || source->selectCapable != true) return;
  if (std::find(enabled_.begin(), enabled_.end(), source) == enabled_.end()) return;
  if (source == context_.current.source) return;
  makeCurrent(source);
  // The change arrives as a notification, after the caller has returned.
  std::weak_ptr<ObserverList> weakObservers = observers_;
  context_.loop.async([weakObservers] {
    if (auto observers = weakObservers.lock()) observers->call();
  });
}

Registration SimInputSources::observeSelectedSourceChanged(std::function<void()> handler) {
  return observers_->add(std::move(handler));
}

std::optional<KeyboardTable> SimInputSources::keyboardTable(const InputSourceRef& source) {
  const KeyboardLayout* layout = tableOf(source);
  if (!layout) return std::nullopt;
  return sim::keyboardTable(*layout);
}

void SimInputSources::enableLayouts(const std::vector<std::string>& codes) {
  clearSources();
  for (const auto& code : codes) {
    std::optional<std::string> table;
    for (const auto& info : kLayouts) {
      if (code == info.code) table = info.table;
    }
    auto source = addSource(standardSource(code), table);
    if (!context_.current.source) makeCurrent(source);
  }
}

InputSource SimInputSources::standardSource(const std::string& code) {
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

InputSourceRef SimInputSources::addSource(InputSource source, std::optional<std::string> keyboardLayout) {
  auto ref = std::make_shared<const InputSource>(std::move(source));
  const KeyboardLayout* layout = keyboardLayout ? findKeyboardLayout(*keyboardLayout) : nullptr;
  tables_[ref.get()] = layout ? std::string(layout->name) : deriveTable(*ref);
  enabled_.push_back(ref);
  ++version_;
  return ref;
}

void SimInputSources::clearSources() {
  enabled_.clear();
  ++version_;
  makeCurrent(nullptr);
}

void SimInputSources::setCurrentSource(InputSourceRef source) {
  if (source && !tables_.count(source.get())) tables_[source.get()] = deriveTable(*source);
  makeCurrent(std::move(source));
}

bool SimInputSources::selectLayout(const std::string& code) {
  for (const auto& source : enabled_) {
    const KeyboardLayout* layout = tableOf(source);
    if (layout && layout->code == code) {
      select(source);
      context_.loop.advance(0);
      return true;
    }
  }
  return false;
}

}  // namespace brisquel::sim
