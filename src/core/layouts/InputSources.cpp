// SPDX-License-Identifier: MIT
#include "layouts/InputSources.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <utility>

#include "base/Text.h"

namespace brisquel {

namespace {

bool isActiveLayout(const InputSource& source) {
  return source.category == std::string(kKeyboardInputSourceCategory) && source.selectCapable == true;
}

// The first `count` user-perceived characters, upper-cased.
std::string upperPrefix(const std::string& s, int count) {
  // Asked at every layout change: the shared character iterator, not a new one each time.
  const std::u16string text = text::fromUtf8(s);
  const auto characters = text::characters(text);
  std::size_t end = text.size();
  if (characters.size() > static_cast<std::size_t>(count))
    end = static_cast<std::size_t>(characters[static_cast<std::size_t>(count)].data() - text.data());
  return text::toUtf8(text::toUpper(std::u16string_view(text).substr(0, end)));
}

// Checked in this order: an identifier naming two languages shows the first.
constexpr std::array<std::pair<const char*, const char*>, 5> kIdentifierCodes = {{
    {"russian", "RU"},
    {"hebrew", "HE"},
    {"arabic", "AR"},
    {"greek", "EL"},
    {"ukrainian", "UA"},
}};

}  // namespace

std::vector<InputSourceRef> InputSources::getActiveLayouts() const {
  std::vector<InputSourceRef> layouts;
  for (auto& source : port_->enabledInputSources()) {
    if (source && isActiveLayout(*source)) layouts.push_back(source);
  }
  return layouts;
}

std::string InputSources::getCurrentLanguageCode() const {
  const InputSourceRef current = port_->currentKeyboardInputSource();
  if (!current) return "EN";
  if (current->languages && !current->languages->empty()) {
    return upperPrefix(current->languages->front(), 2);
  }
  if (!current->id) return "EN";
  const std::string id = text::toLower(*current->id);
  for (const auto& [needle, code] : kIdentifierCodes) {
    if (id.find(needle) != std::string::npos) return code;
  }
  return "EN";
}

std::optional<std::string> InputSources::currentInputSourceID() const {
  const InputSourceRef current = port_->currentKeyboardInputSource();
  if (!current) return std::nullopt;
  return current->id;
}

void InputSources::switchToInputSourceByID(const std::string& id) const {
  for (auto& layout : getActiveLayouts()) {
    if (layout->id && *layout->id == id) {
      port_->select(layout);
      return;
    }
  }
}

void InputSources::switchToNextLayout() const {
  const auto layouts = getActiveLayouts();
  if (layouts.empty()) return;
  const auto currentID = currentInputSourceID();
  if (!currentID) return;
  const auto it = std::find_if(layouts.begin(), layouts.end(),
                               [&](const InputSourceRef& layout) { return layout->id == currentID; });
  if (it == layouts.end()) return;
  const auto index = static_cast<std::size_t>(it - layouts.begin());
  port_->select(layouts[(index + 1) % layouts.size()]);
}

void InputSources::switchToLayout(const std::string& language) const {
  for (auto& layout : getActiveLayouts()) {
    if (!layout->languages) continue;
    const auto& languages = *layout->languages;
    if (std::find(languages.begin(), languages.end(), language) != languages.end()) {
      port_->select(layout);
      return;
    }
  }
}

}  // namespace brisquel
