// SPDX-License-Identifier: MIT
#include "brisquel/NamedKeys.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <charconv>
#include <utility>

#include "base/Languages.h"
#include "base/Text.h"

namespace brisquel::cli {
namespace {

// Key names as written in braces, and the simulated keyboard's names for them.
constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kKeys = {{
    {"BackSpace", "backspace"},
    {"Delete", "delete"},
    {"Left", "left"},
    {"Right", "right"},
    {"Up", "up"},
    {"Down", "down"},
    {"Home", "home"},
    {"End", "end"},
    {"Escape", "esc"},
    {"Return", "return"},
    {"Tab", "tab"},
    {"CapsLock", "capslock"},
}};
constexpr std::array<std::string_view, 5> kModifiers = {"ctrl", "shift", "opt", "cmd", "fn"};
constexpr int kMaxCount = 100000;  // characters selected or caret place: more is a typo, not a test

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::optional<std::string_view> simKeyName(std::string_view lower) {
  for (const auto& [written, key] : kKeys)
    if (lowerAscii(written) == lower) return key;
  return std::nullopt;
}

template <typename Number>
std::optional<Number> parseNumber(std::string_view s) {
  Number value{};
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || !(value >= 0)) return std::nullopt;
  return value;
}

// "ctrl+v", "shift+left": modifiers then one letter, digit or key name.
std::optional<std::string> chordFor(const std::string& lower) {
  std::string chord;
  std::size_t start = 0;
  for (std::size_t plus; (plus = lower.find('+', start)) != std::string::npos; start = plus + 1) {
    const std::string_view modifier = std::string_view(lower).substr(start, plus - start);
    if (std::find(kModifiers.begin(), kModifiers.end(), modifier) == kModifiers.end()) return std::nullopt;
    chord += std::string(modifier) + "+";
  }
  const std::string_view last = std::string_view(lower).substr(start);
  const bool plain = last.size() == 1 && ((last[0] >= 'a' && last[0] <= 'z') || (last[0] >= '0' && last[0] <= '9'));
  if (plain) return chord + std::string(last);
  if (auto key = simKeyName(last)) return chord + std::string(*key);
  return std::nullopt;
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
    step.count = -1;
    return step;
  }
  if (auto key = simKeyName(lower)) {
    step.kind = KeyStep::Kind::Key;
    step.key = *key;
    return step;
  }
  const auto space = lower.find(' ');
  if (space == std::string::npos) {
    if (lower.find('+') == std::string::npos) return std::nullopt;
    auto chord = chordFor(lower);
    if (!chord) return std::nullopt;
    step.kind = KeyStep::Kind::Chord;
    step.key = *chord;
    return step;
  }
  const std::string_view word = std::string_view(lower).substr(0, space);
  const std::string_view argument = std::string_view(lower).substr(space + 1);
  if (word == "select" || word == "click") {
    auto count = parseNumber<int>(argument);
    if (!count || *count > kMaxCount || (word == "select" && *count == 0)) return std::nullopt;
    step.kind = word == "select" ? KeyStep::Kind::Select : KeyStep::Kind::Click;
    step.count = *count;
    return step;
  }
  if (word == "wait" || word == "option") {
    auto seconds = parseNumber<double>(argument);
    if (!seconds || !std::isfinite(*seconds) || *seconds > 86400) return std::nullopt;
    step.kind = word == "wait" ? KeyStep::Kind::Wait : KeyStep::Kind::Option;
    step.seconds = *seconds;
    return step;
  }
  if (word == "layout" && std::find(kLanguageCodes.begin(), kLanguageCodes.end(), argument) != kLanguageCodes.end()) {
    step.kind = KeyStep::Kind::Layout;
    step.key = argument;
    return step;
  }
  const std::string bundleId = name.substr(space + 1);  // as written: identifiers have case
  if (word == "app" && !bundleId.empty() && bundleId.find(' ') == std::string::npos) {
    step.kind = KeyStep::Kind::App;
    step.key = bundleId;
    return step;
  }
  return std::nullopt;
}

std::string number(double value) {
  char buffer[32];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : "0";
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

std::string formatNamedKeys(const std::vector<KeyStep>& steps) {
  std::string out;
  for (const KeyStep& step : steps) {
    switch (step.kind) {
      case KeyStep::Kind::Text: {
        std::u16string escaped;
        for (char16_t c : step.text) escaped += c == u'{' ? std::u16string(u"{{") : std::u16string(1, c);
        out += text::toUtf8(escaped);
        break;
      }
      case KeyStep::Kind::Key:
        for (const auto& [written, key] : kKeys)
          if (key == step.key) out += "{" + std::string(written) + "}";
        break;
      case KeyStep::Kind::Option:
        out += step.seconds > 0 ? "{Option " + number(step.seconds) + "}" : "{Option}";
        break;
      case KeyStep::Kind::Click:
        out += step.count < 0 ? "{Click}" : "{Click " + std::to_string(step.count) + "}";
        break;
      case KeyStep::Kind::Select:
        out += "{Select " + std::to_string(step.count) + "}";
        break;
      case KeyStep::Kind::Wait:
        out += "{Wait " + number(step.seconds) + "}";
        break;
      case KeyStep::Kind::Layout:
        out += "{Layout " + step.key + "}";
        break;
      case KeyStep::Kind::App:
        out += "{App " + step.key + "}";
        break;
      case KeyStep::Kind::Chord:
        out += "{" + step.key + "}";
        break;
    }
  }
  return out;
}

}  // namespace brisquel::cli
