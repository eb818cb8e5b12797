// SPDX-License-Identifier: MIT
#include "menu/AttributedString.h"

#include <algorithm>

namespace brisquel {

TextAttributes TextAttributes::overlaid(const TextAttributes& other) const {
  TextAttributes out = *this;
  if (other.font) out.font = other.font;
  if (other.color) out.color = other.color;
  if (other.link) out.link = other.link;
  if (other.alignment) out.alignment = other.alignment;
  out.underline = underline || other.underline;
  return out;
}

AttributedString::AttributedString(std::string text, TextAttributes attributes) : text_(std::move(text)) {
  if (!text_.empty()) runs_.push_back({0, text_.size(), std::move(attributes)});
}

void AttributedString::splitAt(std::size_t offset) {
  for (auto it = runs_.begin(); it != runs_.end(); ++it) {
    if (offset > it->location && offset < it->location + it->length) {
      Run tail{offset, it->location + it->length - offset, it->attributes};
      it->length = offset - it->location;
      runs_.insert(it + 1, tail);
      return;
    }
  }
}

void AttributedString::coalesce() {
  std::vector<Run> merged;
  for (const auto& run : runs_) {
    if (!merged.empty() && merged.back().attributes == run.attributes) {
      merged.back().length += run.length;
    } else {
      merged.push_back(run);
    }
  }
  runs_ = std::move(merged);
}

void AttributedString::addAttributes(std::size_t location, std::size_t length, const TextAttributes& attrs) {
  if (location >= text_.size() || length == 0) return;
  const std::size_t end = std::min(text_.size(), location + length);
  splitAt(location);
  splitAt(end);
  for (auto& run : runs_) {
    if (run.location >= location && run.location + run.length <= end) run.attributes = run.attributes.overlaid(attrs);
  }
  coalesce();
}

TextAttributes AttributedString::attributesAt(std::size_t offset) const {
  for (const auto& run : runs_) {
    if (offset >= run.location && offset < run.location + run.length) return run.attributes;
  }
  return {};
}

}  // namespace brisquel
