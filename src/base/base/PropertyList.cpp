// SPDX-License-Identifier: MIT
#include "base/PropertyList.h"

#include <unicode/utf8.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "base/Text.h"

namespace brisquel::plist {
namespace {

constexpr int kMaxDepth = 64;
constexpr const char* kOtherElement = "x-brisquel-other";

// ---------------------------------------------------------------------------
// UTF-8

// Length of the well-formed UTF-8 sequence at s[i], or 0.
size_t utf8SequenceLength(std::string_view s, size_t i) {
  auto next = static_cast<int32_t>(i);
  UChar32 c;
  U8_NEXT(s.data(), next, static_cast<int32_t>(s.size()), c);
  return c < 0 ? 0 : static_cast<size_t>(next) - i;
}

void appendUtf8(std::string& out, char32_t c) {
  char bytes[U8_MAX_LENGTH];
  int32_t length = 0;
  U8_APPEND_UNSAFE(bytes, length, static_cast<UChar32>(c));
  out.append(bytes, static_cast<size_t>(length));
}

// ---------------------------------------------------------------------------
// Writing

// Escapes markup characters and the control characters XML would not keep
// (carriage returns included, which readers turn into line feeds); invalid
// UTF-8 becomes U+FFFD so that the file always reads back.
std::string escaped(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = utf8SequenceLength(s, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c < 0x20 && c != '\t' && c != '\n') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "&#x%X;", c);
      out += buf;
    } else {
      out.append(s.substr(i, n));
    }
    i += n;
  }
  return out;
}

// Whole seconds: common property-list readers refuse a fraction.
std::string formatDate(double since1970) {
  using namespace std::chrono;
  if (!std::isfinite(since1970) || std::fabs(since1970) > 253402300799.0) since1970 = 0;
  const double whole = std::floor(since1970);
  const sys_seconds at{duration_cast<sys_seconds::duration>(duration<double>(whole))};
  const auto day = floor<days>(at);
  const year_month_day ymd{day};
  const hh_mm_ss<sys_seconds::duration> time{at - day};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02d:%02d:%02lld", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<long long>(time.seconds().count()));
  return std::string(buf) + "Z";
}

// ---------------------------------------------------------------------------
// Reading: a small XML reader for the subset property lists use.

struct Element {
  std::string name;
  std::string text;  // character data, entities decoded
  std::vector<Element> children;
  size_t begin = 0;  // source range of the whole element
  size_t end = 0;
  bool hasMarkupText = false;  // non-blank text next to child elements
};

class Reader {
 public:
  explicit Reader(std::string_view src) : s_(src) {}

  // The document's root element, with the prolog and trailing misc skipped.
  std::optional<Element> document() {
    if (s_.starts_with("\xEF\xBB\xBF")) pos_ = 3;
    if (!skipMisc()) return std::nullopt;
    auto root = element(0);
    if (!root || !skipMisc() || pos_ != s_.size()) return std::nullopt;
    return root;
  }

  // Exactly one element and nothing else.
  std::optional<Element> lone() {
    auto e = element(0);
    if (!e || pos_ != s_.size()) return std::nullopt;
    return e;
  }

 private:
  bool startsWith(std::string_view p) const { return s_.substr(pos_).starts_with(p); }

  bool skipPast(std::string_view terminator) {
    const size_t at = s_.find(terminator, pos_);
    if (at == std::string_view::npos) return false;
    pos_ = at + terminator.size();
    return true;
  }

  void skipBlanks() {
    while (pos_ < s_.size() && isBlank(s_[pos_])) ++pos_;
  }

  static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

  bool skipMisc() {
    for (;;) {
      skipBlanks();
      if (startsWith("<?")) {
        if (!skipPast("?>")) return false;
      } else if (startsWith("<!--")) {
        if (!skipPast("-->")) return false;
      } else if (startsWith("<!DOCTYPE")) {
        if (!skipPast(">")) return false;  // the plist DTD has no internal subset
      } else {
        return true;
      }
    }
  }

  static bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == ':';
  }

  std::optional<std::string> name() {
    const size_t start = pos_;
    while (pos_ < s_.size() && isNameChar(s_[pos_])) ++pos_;
    if (pos_ == start) return std::nullopt;
    return std::string(s_.substr(start, pos_ - start));
  }

  // Attributes are read for well-formedness and then ignored.
  bool attributes() {
    for (;;) {
      skipBlanks();
      if (pos_ >= s_.size()) return false;
      if (s_[pos_] == '>' || startsWith("/>")) return true;
      if (!name()) return false;
      skipBlanks();
      if (pos_ >= s_.size() || s_[pos_] != '=') return false;
      ++pos_;
      skipBlanks();
      if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\'')) return false;
      const char quote = s_[pos_++];
      const size_t close = s_.find(quote, pos_);
      if (close == std::string_view::npos) return false;
      pos_ = close + 1;
    }
  }

  bool entity(std::string& out) {
    const size_t semi = s_.find(';', pos_);
    if (semi == std::string_view::npos || semi - pos_ > 12) return false;
    const std::string_view ref = s_.substr(pos_ + 1, semi - pos_ - 1);
    pos_ = semi + 1;
    if (ref == "amp") return out += '&', true;
    if (ref == "lt") return out += '<', true;
    if (ref == "gt") return out += '>', true;
    if (ref == "quot") return out += '"', true;
    if (ref == "apos") return out += '\'', true;
    if (ref.size() < 2 || ref[0] != '#') return false;
    const bool hex = ref[1] == 'x';
    const std::string_view digits = ref.substr(hex ? 2 : 1);
    std::uint32_t code = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty()) return false;
    // NUL and the other control characters are accepted: our writer escapes
    // them this way, and what it writes must read back.
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    appendUtf8(out, code);
    return true;
  }

  std::optional<Element> element(int depth) {
    if (depth > kMaxDepth || pos_ >= s_.size() || s_[pos_] != '<') return std::nullopt;
    Element e;
    e.begin = pos_++;
    auto n = name();
    if (!n || !attributes()) return std::nullopt;
    e.name = std::move(*n);
    if (startsWith("/>")) {
      pos_ += 2;
      e.end = pos_;
      return e;
    }
    ++pos_;  // '>'
    std::string text;
    for (;;) {
      if (pos_ >= s_.size()) return std::nullopt;
      const char c = s_[pos_];
      if (c == '<') {
        if (startsWith("</")) {
          pos_ += 2;
          auto closing = name();
          skipBlanks();
          if (!closing || *closing != e.name || pos_ >= s_.size() || s_[pos_] != '>') return std::nullopt;
          ++pos_;
          break;
        }
        if (startsWith("<!--")) {
          if (!skipPast("-->")) return std::nullopt;
          continue;
        }
        if (startsWith("<![CDATA[")) {
          const size_t start = pos_ + 9;
          if (!skipPast("]]>")) return std::nullopt;
          text.append(s_.substr(start, pos_ - 3 - start));
          continue;
        }
        auto child = element(depth + 1);
        if (!child) return std::nullopt;
        e.children.push_back(std::move(*child));
        continue;
      }
      if (c == '&') {
        if (!entity(text)) return std::nullopt;
        continue;
      }
      text += c;
      ++pos_;
    }
    e.end = pos_;
    if (!text::isValidUtf8(text)) return std::nullopt;
    if (!e.children.empty()) {
      for (char t : text) {
        if (!isBlank(t)) e.hasMarkupText = true;
      }
      text.clear();
    }
    e.text = std::move(text);
    return e;
  }

  std::string_view s_;
  size_t pos_ = 0;
};

bool isLeaf(const Element& e) { return e.children.empty(); }

bool hasBlankText(const Element& e) {
  for (char c : e.text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
  }
  return !e.hasMarkupText;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\n' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\t')) text.remove_suffix(1);
  if (text.starts_with('+')) text.remove_prefix(1);
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// "2026-01-31T12:00:00Z", optionally with a fraction of a second.
std::optional<double> parseDate(std::string_view t) {
  using namespace std::chrono;
  auto number = [&t](size_t at, size_t len) -> std::optional<int> {
    if (at + len > t.size()) return std::nullopt;
    int v = 0;
    for (size_t i = at; i < at + len; ++i) {
      if (t[i] < '0' || t[i] > '9') return std::nullopt;
      v = v * 10 + (t[i] - '0');
    }
    return v;
  };
  if (t.size() < 20 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':') return std::nullopt;
  auto y = number(0, 4), mo = number(5, 2), d = number(8, 2), h = number(11, 2), mi = number(14, 2),
       sec = number(17, 2);
  if (!y || !mo || !d || !h || !mi || !sec || *h > 23 || *mi > 59 || *sec > 60) return std::nullopt;
  const year_month_day ymd{year{*y}, month{static_cast<unsigned>(*mo)}, day{static_cast<unsigned>(*d)}};
  if (!ymd.ok()) return std::nullopt;
  double fraction = 0;
  size_t at = 19;
  if (t[at] == '.') {
    double scale = 0.1;
    ++at;
    const size_t digitsStart = at;
    while (at < t.size() && t[at] >= '0' && t[at] <= '9') {
      fraction += (t[at] - '0') * scale;
      scale /= 10;
      ++at;
    }
    if (at == digitsStart) return std::nullopt;
  }
  if (at + 1 != t.size() || t[at] != 'Z') return std::nullopt;
  const auto days = sys_days{ymd}.time_since_epoch().count();
  return static_cast<double>(days) * 86400.0 + *h * 3600.0 + *mi * 60.0 + *sec + fraction;
}

DefaultsValue valueOf(const Element& e, std::string_view src) {
  const DefaultsOther other{std::string(src.substr(e.begin, e.end - e.begin))};
  if (e.name == kOtherElement && isLeaf(e)) return DefaultsOther{e.text};
  if (e.name == "true" && isLeaf(e) && e.text.empty()) return true;
  if (e.name == "false" && isLeaf(e) && e.text.empty()) return false;
  if (e.name == "string" && isLeaf(e)) return e.text;
  if (e.name == "integer" && isLeaf(e)) {
    if (auto v = parseInteger(e.text)) return *v;
  }
  if (e.name == "date" && isLeaf(e)) {
    if (auto v = parseDate(e.text)) return DefaultsDate{*v};
  }
  if (e.name == "array" && hasBlankText(e)) {
    StringList list;
    for (const auto& child : e.children) {
      if (child.name != "string" || !isLeaf(child)) return other;
      list.push_back(child.text);
    }
    return list;
  }
  if (e.name == "dict" && hasBlankText(e) && e.children.size() % 2 == 0) {
    StringMap map;
    for (size_t i = 0; i < e.children.size(); i += 2) {
      const auto& key = e.children[i];
      const auto& value = e.children[i + 1];
      if (key.name != "key" || !isLeaf(key) || value.name != "string" || !isLeaf(value)) return other;
      map[key.text] = value.text;
    }
    return map;
  }
  return other;
}

void writeValue(std::string& out, const DefaultsValue& value, const std::string& indent) {
  struct Writer {
    std::string& out;
    const std::string& indent;
    void operator()(bool b) const { out += indent + (b ? "<true/>\n" : "<false/>\n"); }
    void operator()(std::int64_t i) const { out += indent + "<integer>" + std::to_string(i) + "</integer>\n"; }
    void operator()(const std::string& s) const { out += indent + "<string>" + escaped(s) + "</string>\n"; }
    void operator()(const DefaultsDate& d) const {
      out += indent + "<date>" + formatDate(d.secondsSince1970) + "</date>\n";
    }
    void operator()(const StringMap& m) const {
      if (m.empty()) {
        out += indent + "<dict/>\n";
        return;
      }
      out += indent + "<dict>\n";
      for (const auto& [k, v] : m) {
        out += indent + "\t<key>" + escaped(k) + "</key>\n";
        out += indent + "\t<string>" + escaped(v) + "</string>\n";
      }
      out += indent + "</dict>\n";
    }
    void operator()(const StringList& l) const {
      if (l.empty()) {
        out += indent + "<array/>\n";
        return;
      }
      out += indent + "<array>\n";
      for (const auto& s : l) out += indent + "\t<string>" + escaped(s) + "</string>\n";
      out += indent + "</array>\n";
    }
    void operator()(const DefaultsOther& o) const {
      // XML we read ourselves goes back as it was; any other description is
      // wrapped so that it reads back as the same description.
      if (auto e = Reader(o.description).lone()) {
        const DefaultsValue again = valueOf(*e, o.description);
        if (const auto* same = std::get_if<DefaultsOther>(&again); same != nullptr && *same == o) {
          out += indent + o.description + "\n";
          return;
        }
      }
      out += indent + "<" + kOtherElement + ">" + escaped(o.description) + "</" + kOtherElement + ">\n";
    }
  };
  std::visit(Writer{out, indent}, value);
}

}  // namespace

std::string encodePropertyList(const DefaultsDomain& values) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n"
      "<dict>\n";
  for (const auto& [key, value] : values) {
    out += "\t<key>" + escaped(key) + "</key>\n";
    writeValue(out, value, "\t");
  }
  out += "</dict>\n</plist>\n";
  return out;
}

std::optional<DefaultsDomain> decodePropertyList(std::string_view xml) {
  auto root = Reader(xml).document();
  if (!root || root->name != "plist" || root->hasMarkupText || root->children.size() != 1) return std::nullopt;
  const Element& dict = root->children.front();
  if (dict.name != "dict" || !hasBlankText(dict) || dict.children.size() % 2 != 0) return std::nullopt;
  DefaultsDomain values;
  for (size_t i = 0; i < dict.children.size(); i += 2) {
    const Element& key = dict.children[i];
    if (key.name != "key" || !isLeaf(key)) return std::nullopt;
    values[key.text] = valueOf(dict.children[i + 1], xml);
  }
  return values;
}

}  // namespace brisquel::plist
