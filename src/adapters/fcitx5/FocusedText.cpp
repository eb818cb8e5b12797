// SPDX-License-Identifier: MIT
#include "fcitx5/FocusedText.h"

#include <fcitx/surroundingtext.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "base/Text.h"
#include "fcitx5/Composing.h"
#include "fcitx5/KeyMapping.h"
#include "base/KeyCodes.h"

namespace brisquel::fcitx5 {
namespace {

using Ref = fcitx::TrackableObjectReference<fcitx::InputContext>;

// fcitx5 counts the surrounding text's characters in code points.
std::u32string codePointsOfUtf16(std::u16string_view s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    UChar32 c = 0;
    U16_NEXT(s.data(), i, s.size(), c);
    out += static_cast<char32_t>(c);
  }
  return out;
}

std::u32string codePointsOfUtf8(const std::string& s) {
  return codePointsOfUtf16(text::fromUtf8(s));
}

std::string utf8(std::u32string_view s) {
  std::u16string units;
  for (char32_t c : s) {
    if (c > 0xFFFF) {
      units += static_cast<char16_t>(U16_LEAD(c));
      units += static_cast<char16_t>(U16_TRAIL(c));
    } else {
      units += static_cast<char16_t>(c);
    }
  }
  return text::toUtf8(units);
}

std::int64_t utf16Length(std::u32string_view s) {
  std::int64_t n = 0;
  for (char32_t c : s) n += c > 0xFFFF ? 2 : 1;
  return n;
}

// The character offset of a UTF-16 offset, or none inside a pair or past the end.
std::optional<std::size_t> characterOffset(std::u32string_view s, std::int64_t units) {
  std::int64_t at = 0;
  for (std::size_t i = 0; i <= s.size(); ++i) {
    if (at == units) return i;
    if (i == s.size() || at > units) break;
    at += s[i] > 0xFFFF ? 2 : 1;
  }
  return std::nullopt;
}

// An environment variable naming an input method other than fcitx.
bool namesAnotherInputMethod(const char* variable, std::string_view ours) {
  const char* value = std::getenv(variable);
  if (!value || !*value) return false;
  return std::string_view(value).find(ours) == std::string_view::npos;
}

}  // namespace

bool FocusedText::isProcessTrusted(bool) {
  if (session_.sawInputContext) return true;
  return !namesAnotherInputMethod("GTK_IM_MODULE", "fcitx") && !namesAnotherInputMethod("QT_IM_MODULE", "fcitx") &&
         !namesAnotherInputMethod("XMODIFIERS", "fcitx");
}

AXElement FocusedText::systemWideElement() {
  return systemWide_;
}

AXElement FocusedText::applicationElement(std::int64_t) {
  return {};
}

AXResult<AXElement> FocusedText::focusedElement(const AXElement& element) {
  if (element.handle != systemWide_.handle) return {AXError::NoValue, std::nullopt};
  fcitx::InputContext* ic = session_.focused();
  if (!ic) return {AXError::NoValue, std::nullopt};
  if (Session::isSecure(*ic)) return {AXError::CannotComplete, std::nullopt};
  return {AXError::Success, AXElement{std::make_shared<Ref>(ic->watch())}};
}

fcitx::InputContext* FocusedText::readable(const AXElement& element) const {
  if (!element || element.handle == systemWide_.handle) return nullptr;
  fcitx::InputContext* ic = static_cast<const Ref*>(element.handle.get())->get();
  if (!ic || Session::isSecure(*ic) || !ic->capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText) ||
      !ic->surroundingText().isValid() || Composing::batchesKeys(*ic)) {
    return nullptr;
  }
  return ic;
}

AXResult<AXValue> FocusedText::value(const AXElement& element) {
  fcitx::InputContext* ic = readable(element);
  if (!ic) return {AXError::NoValue, std::nullopt};
  return {AXError::Success, AXValue{text::fromUtf8(ic->surroundingText().text())}};
}

AXResult<TextRange> FocusedText::selectedRange(const AXElement& element) {
  fcitx::InputContext* ic = readable(element);
  if (!ic) return {AXError::NoValue, std::nullopt};
  const auto& surrounding = ic->surroundingText();
  const std::u32string text = codePointsOfUtf8(surrounding.text());
  const std::size_t from = std::min<std::size_t>(std::min(surrounding.cursor(), surrounding.anchor()), text.size());
  const std::size_t to = std::min<std::size_t>(std::max(surrounding.cursor(), surrounding.anchor()), text.size());
  const std::u32string_view view(text);
  return {AXError::Success,
          TextRange{utf16Length(view.substr(0, from)), utf16Length(view.substr(from, to - from))}};
}

std::optional<std::int64_t> FocusedText::pid(const AXElement&) {
  return std::nullopt;  // fcitx5 names the program, not its process
}

AXResult<bool> FocusedText::isValueSettable(const AXElement& element) {
  return {AXError::Success, readable(element) != nullptr};
}

AXError FocusedText::setValue(const AXElement& element, const std::u16string& value) {
  fcitx::InputContext* ic = readable(element);
  if (!ic) return AXError::Failure;
  auto& surrounding = ic->surroundingText();
  const std::u32string before = codePointsOfUtf8(surrounding.text());
  const std::u32string after = codePointsOfUtf16(value);
  const std::size_t cursor = std::min<std::size_t>(surrounding.cursor(), before.size());

  // Rewrite the smallest stretch that holds every change and touches the
  // cursor: delete-surrounding leaves the cursor at its start, where the
  // commit then goes.
  std::size_t prefix = 0;
  while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
  prefix = std::min(prefix, cursor);
  std::size_t suffix = 0;
  const std::size_t maxSuffix = std::min(before.size(), after.size()) - prefix;
  while (suffix < maxSuffix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) ++suffix;
  suffix = std::min(suffix, before.size() - cursor);
  const std::size_t removeEnd = before.size() - suffix;
  const std::u32string inserted = after.substr(prefix, after.size() - suffix - prefix);

  if (removeEnd > prefix) {
    ic->deleteSurroundingText(static_cast<int>(prefix) - static_cast<int>(cursor),
                              static_cast<unsigned int>(removeEnd - prefix));
  }
  if (!inserted.empty()) ic->commitString(utf8(inserted));
  // What the client will report once it has applied both.
  const auto newCursor = static_cast<unsigned int>(prefix + inserted.size());
  surrounding.setText(utf8(after), newCursor, newCursor);
  session_.editedDuringKey = true;
  return AXError::Success;
}

AXError FocusedText::setSelectedRange(const AXElement& element, TextRange range) {
  fcitx::InputContext* ic = readable(element);
  if (!ic || range.length != 0) return AXError::Failure;
  auto& surrounding = ic->surroundingText();
  const std::u32string text = codePointsOfUtf8(surrounding.text());
  const auto target = characterOffset(text, range.location);
  if (!target) return AXError::Failure;
  const auto cursor = static_cast<std::int64_t>(surrounding.cursor());
  const std::int64_t move = static_cast<std::int64_t>(*target) - cursor;
  const auto arrow = physicalKey(move < 0 ? KeyCode::LeftArrow : KeyCode::RightArrow);
  for (std::int64_t i = 0; i < std::abs(move); ++i) {
    const fcitx::Key key(arrow->sym, fcitx::KeyStates(), arrow->xkbKeycode);
    ic->forwardKey(key, false);
    ic->forwardKey(key, true);
  }
  surrounding.setCursor(static_cast<unsigned int>(*target), static_cast<unsigned int>(*target));
  return AXError::Success;
}

}  // namespace brisquel::fcitx5
