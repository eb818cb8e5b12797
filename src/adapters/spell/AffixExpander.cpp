// SPDX-License-Identifier: MIT
#include "spell/AffixExpander.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>

namespace brisquel::spell {
namespace {

std::optional<std::string> readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(ss).str();
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r'; }

std::vector<std::u16string_view> fields(std::u16string_view line) {
  std::vector<std::u16string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isBlank(line[i])) ++i;
    std::size_t start = i;
    while (i < line.size() && !isBlank(line[i])) ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

template <typename Fn>
void forEachLine(std::u16string_view text, Fn fn) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(u'\n', pos);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    if (!fn(line)) return;
    pos = end + 1;
  }
}

bool allDigits(std::u16string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

}  // namespace

std::string declaredCharset(const std::filesystem::path& affFile) {
  std::ifstream in(affFile, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("SET", 0) == 0 && line.size() > 3 && (line[3] == ' ' || line[3] == '\t')) {
      std::istringstream ls(line.substr(4));
      std::string name;
      ls >> name;
      if (!name.empty()) return name;
    }
  }
  return "UTF-8";
}

namespace {

std::optional<std::u16string> decode(std::string_view bytes, const std::string& charset) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, decltype(&ucnv_close)> conv(ucnv_open(charset.c_str(), &status), &ucnv_close);
  if (U_FAILURE(status)) return std::nullopt;
  std::u16string out(bytes.size() + 1, u'\0');
  status = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(conv.get(), out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                            static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<std::size_t>(n));
  if (!out.empty() && out.front() == u'\uFEFF') out.erase(0, 1);
  return out;
}

// An IGNORE or ICONV line's part of the input conversion; false for other lines.
bool addConversion(InputConversion& conversion, const std::vector<std::u16string_view>& f) {
  if (f.size() >= 2 && f[0] == u"IGNORE") {
    conversion.ignored += std::u16string(f[1]);
    return true;
  }
  if (f.size() >= 3 && f[0] == u"ICONV") {
    conversion.replacements.emplace_back(std::u16string(f[1]), std::u16string(f[2]));
    return true;
  }
  return false;
}

}  // namespace

std::optional<std::u16string> readDecoded(const std::filesystem::path& file, const std::string& charset) {
  auto bytes = readBytes(file);
  if (!bytes) return std::nullopt;
  return decode(*bytes, charset);
}

AffixExpander::Flags AffixExpander::parseFlags(std::u16string_view text, bool aliasAllowed) const {
  Flags out;
  if (text.empty()) return out;
  if (aliasAllowed && !aliases_.empty() && allDigits(text)) {
    std::size_t n = 0;
    for (char16_t c : text) n = n * 10 + static_cast<std::size_t>(c - u'0');
    if (n >= 1 && n <= aliases_.size()) return aliases_[n - 1];
    return out;
  }
  switch (mode_) {
    case FlagMode::Long:
      for (std::size_t i = 0; i + 1 < text.size(); i += 2) out.push_back((Flag(text[i]) << 16) | Flag(text[i + 1]));
      break;
    case FlagMode::Num: {
      Flag value = 0;
      bool any = false;
      for (char16_t c : text) {
        if (c >= u'0' && c <= u'9') {
          value = value * 10 + Flag(c - u'0');
          any = true;
        } else if (c == u',') {
          if (any) out.push_back(value);
          value = 0;
          any = false;
        }
      }
      if (any) out.push_back(value);
      break;
    }
    case FlagMode::Char:
      for (char16_t c : text) out.push_back(Flag(c));
      break;
  }
  return out;
}

std::vector<AffixExpander::ConditionElement> AffixExpander::parseCondition(std::u16string_view text) {
  std::vector<ConditionElement> out;
  if (text == u".") return out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    ConditionElement e;
    if (text[i] == u'.') {
      e.any = true;
    } else if (text[i] == u'[') {
      std::size_t close = text.find(u']', i);
      if (close == std::u16string_view::npos) close = text.size();
      std::u16string_view inside = text.substr(i + 1, close - i - 1);
      if (!inside.empty() && inside.front() == u'^') {
        e.negated = true;
        inside.remove_prefix(1);
      }
      e.chars = std::u16string(inside);
      i = close;
    } else {
      e.chars = std::u16string(1, text[i]);
    }
    out.push_back(std::move(e));
  }
  return out;
}

bool AffixExpander::matchesAt(const std::vector<ConditionElement>& cond, std::u16string_view word, std::size_t start) {
  for (std::size_t k = 0; k < cond.size(); ++k) {
    const auto& e = cond[k];
    if (e.any) continue;
    bool in = e.chars.find(word[start + k]) != std::u16string::npos;
    if (in == e.negated) return false;
  }
  return true;
}

bool AffixExpander::prefixApplies(const Rule& rule, std::u16string_view word) const {
  if (word.size() <= rule.strip.size() || word.size() < rule.condition.size()) return false;
  if (!word.starts_with(rule.strip)) return false;
  return matchesAt(rule.condition, word, 0);
}

bool AffixExpander::suffixApplies(const Rule& rule, std::u16string_view word) const {
  if (word.size() <= rule.strip.size() || word.size() < rule.condition.size()) return false;
  if (!word.ends_with(rule.strip)) return false;
  return matchesAt(rule.condition, word, word.size() - rule.condition.size());
}

bool AffixExpander::has(const Flags& flags, std::optional<Flag> flag) {
  return flag && std::find(flags.begin(), flags.end(), *flag) != flags.end();
}

std::optional<AffixExpander> AffixExpander::load(const std::filesystem::path& affFile) {
  AffixExpander x;
  x.charset_ = declaredCharset(affFile);
  auto text = readDecoded(affFile, x.charset_);
  if (!text) return std::nullopt;

  // FLAG decides how every later flag string reads, wherever it appears.
  forEachLine(*text, [&](std::u16string_view line) {
    auto f = fields(line);
    if (f.size() >= 2 && f[0] == u"FLAG") {
      if (f[1] == u"long") x.mode_ = FlagMode::Long;
      if (f[1] == u"num") x.mode_ = FlagMode::Num;
    }
    return true;
  });

  forEachLine(*text, [&](std::u16string_view line) {
    auto f = fields(line);
    if (f.empty() || f[0].starts_with(u"#")) return true;
    const auto key = f[0];
    if (key == u"AF" && f.size() >= 2) {
      // The first AF line gives the count; each later one is an alias.
      if (!(allDigits(f[1]) && x.aliases_.empty() && f.size() == 2)) x.aliases_.push_back(x.parseFlags(f[1], false));
    } else if (key == u"NEEDAFFIX" && f.size() >= 2) {
      auto flags = x.parseFlags(f[1], false);
      if (!flags.empty()) x.needAffix_ = flags.front();
    } else if ((key == u"FORBIDDENWORD" || key == u"ONLYINCOMPOUND") && f.size() >= 2) {
      auto flags = x.parseFlags(f[1], false);
      x.excluded_.insert(x.excluded_.end(), flags.begin(), flags.end());
    } else if (addConversion(x.conversion_, f)) {
    } else if ((key == u"PFX" || key == u"SFX") && f.size() >= 4) {
      auto& table = key == u"PFX" ? x.prefixes_ : x.suffixes_;
      auto classFlags = x.parseFlags(f[1], false);
      if (classFlags.empty()) return true;
      auto& cls = table[classFlags.front()];
      if ((f[2] == u"Y" || f[2] == u"N") && allDigits(f[3]) && f.size() <= 5 && cls.rules.empty()) {
        cls.crossProduct = f[2] == u"Y";
        return true;
      }
      if (f.size() < 4) return true;
      Rule rule;
      rule.strip = f[2] == u"0" ? u"" : std::u16string(f[2]);
      std::u16string_view add = f[3];
      if (auto slash = add.find(u'/'); slash != std::u16string_view::npos) {
        rule.continuation = x.parseFlags(add.substr(slash + 1));
        add = add.substr(0, slash);
      }
      rule.add = add == u"0" ? u"" : std::u16string(add);
      rule.condition = parseCondition(f.size() >= 5 ? f[4] : u".");
      cls.rules.push_back(std::move(rule));
    }
    return true;
  });
  return x;
}

std::optional<InputConversion> AffixExpander::loadInputConversion(const std::filesystem::path& affFile) {
  auto bytes = readBytes(affFile);
  if (!bytes) return std::nullopt;
  // The keywords are ASCII in every charset a dictionary declares, so only
  // their lines need decoding (the affix rules are most of the file).
  std::string wanted;
  for (std::size_t start = 0; start < bytes->size();) {
    const std::size_t end = std::min(bytes->find('\n', start), bytes->size());
    const std::string_view line(bytes->data() + start, end - start);
    const std::size_t first = std::min(line.find_first_not_of(" \t"), line.size());
    if (line.substr(first).starts_with("IGNORE") || line.substr(first).starts_with("ICONV")) {
      wanted += line;
      wanted += '\n';
    }
    start = end + 1;
  }
  auto text = decode(wanted, declaredCharset(affFile));
  if (!text) return std::nullopt;
  InputConversion conversion;
  forEachLine(*text, [&](std::u16string_view line) {
    addConversion(conversion, fields(line));
    return true;
  });
  return conversion;
}

std::vector<std::u16string> AffixExpander::prefixStrings() const {
  std::set<std::u16string> seen;
  for (const auto& [flag, cls] : prefixes_)
    for (const auto& r : cls.rules)
      if (!r.add.empty()) seen.insert(r.add);
  return {seen.begin(), seen.end()};
}

void AffixExpander::expandEntry(std::u16string_view stem, std::u16string_view flagText, bool withPrefixes,
                                const std::function<void(std::u16string_view)>& emit) const {
  const Flags flags = parseFlags(flagText);
  for (Flag f : excluded_)
    if (has(flags, f)) return;
  if (!has(flags, needAffix_)) emit(stem);

  struct SuffixForm {
    std::u16string word;
    Flag flag;
  };
  std::vector<SuffixForm> suffixForms;
  std::u16string scratch;
  // The suffixed forms are kept only for prefixes that combine with them.
  const bool keepForms =
      withPrefixes && std::any_of(flags.begin(), flags.end(), [&](Flag f) { return prefixes_.count(f) > 0; });
  // One buffer per depth, used again for every form: a build makes a million of them.
  std::u16string formedAt[2];
  auto applySuffixes = [&](auto& self, std::u16string_view word, const Flags& from, int depth) -> void {
    std::u16string& formed = formedAt[depth];
    for (Flag f : from) {
      auto it = suffixes_.find(f);
      if (it == suffixes_.end()) continue;
      for (const auto& r : it->second.rules) {
        if (!suffixApplies(r, word)) continue;
        formed.assign(word.substr(0, word.size() - r.strip.size()));
        formed += r.add;
        if (!has(r.continuation, needAffix_)) emit(formed);
        if (depth == 0 && keepForms) suffixForms.push_back({formed, f});
        if (!r.continuation.empty() && depth < 1) self(self, formed, r.continuation, depth + 1);
      }
    }
  };
  applySuffixes(applySuffixes, stem, flags, 0);

  if (!withPrefixes) return;
  for (Flag f : flags) {
    auto it = prefixes_.find(f);
    if (it == prefixes_.end()) continue;
    for (const auto& r : it->second.rules) {
      if (!prefixApplies(r, stem)) continue;
      scratch = r.add;
      scratch += stem.substr(r.strip.size());
      emit(scratch);
      if (!it->second.crossProduct) continue;
      for (const auto& sf : suffixForms) {
        auto sc = suffixes_.find(sf.flag);
        if (sc == suffixes_.end() || !sc->second.crossProduct) continue;
        if (!prefixApplies(r, sf.word)) continue;
        scratch = r.add;
        scratch += std::u16string_view(sf.word).substr(r.strip.size());
        emit(scratch);
      }
    }
  }
}

bool AffixExpander::expand(const std::filesystem::path& dicFile, bool withPrefixes,
                           const std::function<void(std::u16string_view)>& emit,
                           const std::atomic<bool>* cancel) const {
  auto text = readDecoded(dicFile, charset_);
  if (!text) return false;
  bool first = true;
  bool cancelled = false;
  std::size_t count = 0;
  forEachLine(*text, [&](std::u16string_view line) {
    if (first) {  // the word count
      first = false;
      return true;
    }
    if (cancel && (++count & 0xFFF) == 0 && cancel->load(std::memory_order_relaxed)) {
      cancelled = true;
      return false;
    }
    // Several word lists are sometimes concatenated with "::::" banners between them.
    if (line.empty() || line.starts_with(u"::::") || line.ends_with(u".dic") || line.front() == u'#' ||
        line.front() == u'\t')
      return true;
    std::size_t end = 0;
    while (end < line.size() && line[end] != u'\t' && line[end] != u' ') ++end;
    std::u16string_view entry = line.substr(0, end);
    std::size_t slash = entry.find(u'/');
    while (slash != std::u16string_view::npos && slash > 0 && entry[slash - 1] == u'\\')
      slash = entry.find(u'/', slash + 1);
    std::u16string_view stem = entry.substr(0, slash);
    std::u16string_view flagText = slash == std::u16string_view::npos ? u"" : entry.substr(slash + 1);
    if (stem.empty()) return true;
    std::u16string unescaped;
    if (stem.find(u"\\/") != std::u16string_view::npos) {
      for (std::size_t i = 0; i < stem.size(); ++i)
        if (!(stem[i] == u'\\' && i + 1 < stem.size() && stem[i + 1] == u'/')) unescaped += stem[i];
      stem = unescaped;
    }
    expandEntry(stem, flagText, withPrefixes, emit);
    return true;
  });
  return !cancelled;
}

}  // namespace brisquel::spell
