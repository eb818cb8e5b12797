// SPDX-License-Identifier: MIT
#pragma once
// Text with attributes over byte ranges of its UTF-8 string: font, colour,
// link, underline, alignment. Attributes added later overlay earlier ones
// field by field.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/UserInterface.h"
#include "platform/Workspace.h"

namespace brisquel {

struct TextAttributes {
  std::optional<Font> font;
  std::optional<ColorRole> color;
  std::optional<LinkTarget> link;
  bool underline = false;
  std::optional<TextAlignment> alignment;

  TextAttributes withFont(Font f) const {
    auto a = *this;
    a.font = f;
    return a;
  }
  TextAttributes withColor(ColorRole c) const {
    auto a = *this;
    a.color = c;
    return a;
  }
  TextAttributes withLink(LinkTarget target) const {
    auto a = *this;
    a.link = std::move(target);
    return a;
  }
  TextAttributes withUnderline() const {
    auto a = *this;
    a.underline = true;
    return a;
  }

  // Fields set in other replace those here; underline is added.
  TextAttributes overlaid(const TextAttributes& other) const;
  friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};

class AttributedString {
 public:
  struct Run {
    std::size_t location = 0;
    std::size_t length = 0;
    TextAttributes attributes;
    friend bool operator==(const Run&, const Run&) = default;
  };

  AttributedString() = default;
  explicit AttributedString(std::string text, TextAttributes attributes = {});

  const std::string& string() const { return text_; }
  std::size_t length() const { return text_.size(); }

  // Overlays attrs on [location, location + length), clipped to the string.
  void addAttributes(std::size_t location, std::size_t length, const TextAttributes& attrs);
  TextAttributes attributesAt(std::size_t offset) const;
  // Maximal runs of equal attributes covering the whole string.
  const std::vector<Run>& runs() const { return runs_; }
  // The run text of one run.
  std::string_view text(const Run& run) const { return std::string_view(text_).substr(run.location, run.length); }

  friend bool operator==(const AttributedString&, const AttributedString&) = default;

 private:
  void splitAt(std::size_t offset);
  void coalesce();

  std::string text_;
  std::vector<Run> runs_;
};

}  // namespace brisquel
