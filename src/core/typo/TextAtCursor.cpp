// SPDX-License-Identifier: MIT
// Reading the focused text field and finding words in it.
#include <unicode/utf16.h>

#include <algorithm>

#include "base/Text.h"
#include "typo/TypoDetector.h"
#include "typo/WordTables.h"

namespace brisquel {
namespace {

bool isSpaceUnit(const std::u16string& s, std::int64_t i) {
  char16_t u = s[static_cast<std::size_t>(i)];
  return !U16_IS_SURROGATE(u) && text::isWhiteSpace(u);
}

bool isListed(const std::optional<std::string>& bundleIdentifier) {
  return bundleIdentifier && words::nonAXAppBundleIDs().count(*bundleIdentifier) > 0;
}

}  // namespace

std::optional<FieldText> TypoDetector::readField(bool bypassBlacklist) {
  FieldReading reading = ports_.textField.read();
  if (reading.focusUnknown && permissionRecheck_) {
    ports_.mainQueue.async([weak = weak_from_this()] {
      if (auto self = weak.lock(); self && self->permissionRecheck_) self->permissionRecheck_();
    });
  }
  if (!reading.field) return std::nullopt;
  if (!bypassBlacklist) {
    std::optional<std::string> owner;
    if (const auto& pid = reading.field->ownerPid; pid && *pid > 0) {
      for (const auto& app : ports_.workspace.runningApplications())
        if (app.pid == *pid) owner = app.bundleIdentifier;
    } else if (auto front = ports_.workspace.frontmostApplication()) {
      owner = front->bundleIdentifier;
    }
    if (isListed(owner)) return std::nullopt;
  }
  return std::move(reading.field);
}

std::optional<WordAtCursor> TypoDetector::getWordAtCursor(const FieldText& state) {
  const std::u16string& s = state.text;
  if (state.selected > 0 || s.empty()) return std::nullopt;
  const auto n = static_cast<std::int64_t>(s.size());
  const std::int64_t cursor = std::clamp<std::int64_t>(state.caret, 0, n);
  std::int64_t start = 0;
  std::int64_t end = 0;
  if (cursor < n && !isSpaceUnit(s, cursor)) {
    start = end = cursor;  // inside a word or at its start
  } else if (cursor > 0 && !isSpaceUnit(s, cursor - 1)) {
    start = end = cursor;  // at a word's end
  } else {
    // White space around the cursor: the word before it.
    end = cursor;
    while (end > 0 && isSpaceUnit(s, end - 1)) --end;
    if (end == 0) return std::nullopt;
    start = end;
  }
  while (start > 0 && !isSpaceUnit(s, start - 1)) --start;
  while (end < n && !isSpaceUnit(s, end)) ++end;
  if (start == end) return std::nullopt;
  return WordAtCursor{s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)), cursor - start,
                      end - cursor, false};
}

std::optional<WordInfo> TypoDetector::getWordBeforeCursor(const FieldText& state) {
  const std::u16string& s = state.text;
  if (s.empty()) return std::nullopt;
  const std::int64_t cursor = std::clamp<std::int64_t>(state.caret, 0, static_cast<std::int64_t>(s.size()));
  std::int64_t pos = cursor;
  while (true) {
    while (pos > 0 && isSpaceUnit(s, pos - 1)) --pos;
    if (pos == 0) return std::nullopt;
    const std::int64_t end = pos;
    while (pos > 0 && !isSpaceUnit(s, pos - 1)) --pos;
    WordInfo info;
    info.fullWord = s.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(end - pos));
    for (auto c : text::characters(info.fullWord))
      if (!LayoutMaps::isEmojiOrSymbol(c)) info.cleanWord += c;
    if (!info.cleanWord.empty()) {
      info.startLoc = pos;
      info.endLoc = end;
      info.trailingSpaces = cursor - end;
      return info;
    }
  }
}

}  // namespace brisquel
