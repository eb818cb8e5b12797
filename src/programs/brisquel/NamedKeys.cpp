#include "brisquel/NamedKeys.h"

#include <array>
#include <charconv>
#include <utility>

#include "base/Text.h"

namespace brisquel::cli {
namespace {

// Key names as written in braces, and the simulated keyboard's names for them.
constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kKeys = {{
    {"backspace", "backspace"},
    {"delete", "delete"},
    {"left", "left"},
    {"right", "right"},
    {"up", "up"},
    {"down", "down"},
    {"home", "home"},
    {"end", "end"},
    {"escape", "esc"},
    {"return", "return"},
    {"tab", "tab"},
    {"capslock", "capslock"},
}};

std::string lowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

template <typename Number>
std::optional<Number> parseNumber(std::string_view s) {
  Number value{};
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || value < 0) return std::nullopt;
  return value;
}

// One name between braces; nullopt when unknown or its number is bad.
std::optional<KeyStep> stepFor(const std::string& name) {
  const std::string lower = lowerAscii(name);
  KeyStep step;
  if (lower == "option") {
    step.kind = KeyStep::Kind::Option;
    return step;
  }
  if (lower == "click") {
    step.kind = KeyStep::Kind::Click;
    return step;
  }
  for (const auto& [written, key] : kKeys) {
    if (lower == written) {
      step.kind = KeyStep::Kind::Key;
      step.key = key;
      return step;
    }
  }
  const auto space = lower.find(' ');
  if (space == std::string::npos) return std::nullopt;
  const std::string_view word = std::string_view(lower).substr(0, space);
  const std::string_view number = std::string_view(lower).substr(space + 1);
  if (word == "select") {
    auto count = parseNumber<int>(number);
    if (!count || *count == 0) return std::nullopt;
    step.kind = KeyStep::Kind::Select;
    step.count = *count;
    return step;
  }
  if (word == "wait") {
    auto seconds = parseNumber<double>(number);
    if (!seconds || *seconds > 86400) return std::nullopt;
    step.kind = KeyStep::Kind::Wait;
    step.seconds = *seconds;
    return step;
  }
  return std::nullopt;
}

}  // namespace

ParsedKeys parseNamedKeys(std::u16string_view line) {
  std::vector<KeyStep> steps;
  auto addText = [&](char16_t c) {
    if (steps.empty() || steps.back().kind != KeyStep::Kind::Text) steps.push_back({});
    steps.back().text += c;
  };
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != u'{') {
      addText(line[i]);
      continue;
    }
    if (i + 1 < line.size() && line[i + 1] == u'{') {
      addText(u'{');
      ++i;
      continue;
    }
    const std::size_t close = line.find(u'}', i + 1);
    if (close == std::u16string_view::npos) return {std::nullopt, "'{' without a closing '}'"};
    const std::string name = text::toUtf8(line.substr(i + 1, close - i - 1));
    auto step = stepFor(name);
    if (!step) return {std::nullopt, "unknown key name '" + name + "'"};
    steps.push_back(std::move(*step));
    i = close;
  }
  return {std::move(steps), {}};
}

}  // namespace brisquel::cli
