#include "layouts/InputSources.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace brisquel {

namespace {

bool isActiveLayout(const InputSource& source) {
  return source.category == std::string(kKeyboardInputSourceCategory) && source.selectCapable == true;
}

std::string asciiLower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string asciiUpper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
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
    // Language codes are ASCII tags; only their first two characters show.
    return asciiUpper(current->languages->front().substr(0, 2));
  }
  if (!current->id) return "EN";
  const std::string id = asciiLower(*current->id);
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

ChangeLayoutAction InputSources::changeLayoutAction() const {
  return [self = *this](const std::optional<std::string>& language) {
    if (language) {
      self.switchToLayout(*language);
    } else {
      self.switchToNextLayout();
    }
  };
}

}  // namespace brisquel
