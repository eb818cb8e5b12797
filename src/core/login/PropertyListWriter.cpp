#include "login/PropertyListWriter.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>

namespace brisquel::plist {

namespace {

bool isXMLChar(UChar32 c) {
  if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
  return c != 0xFFFE && c != 0xFFFF;
}

// Escapes markup characters; fails on text an XML document cannot hold.
bool appendEscaped(std::string& out, const std::string& text) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto length = static_cast<std::int32_t>(text.size());
  if (static_cast<std::size_t>(length) != text.size()) return false;
  std::int32_t i = 0;
  while (i < length) {
    const std::int32_t start = i;
    UChar32 c = 0;
    U8_NEXT(bytes, i, length, c);
    if (c < 0 || !isXMLChar(c)) return false;
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out.append(text, static_cast<std::size_t>(start), static_cast<std::size_t>(i - start));
    }
  }
  return true;
}

bool write(std::string& out, const Value& value, int depth) {
  const std::string indent(static_cast<std::size_t>(depth), '\t');
  if (const auto* s = std::get_if<std::string>(&value.content)) {
    out += indent + "<string>";
    if (!appendEscaped(out, *s)) return false;
    out += "</string>\n";
  } else if (const auto* b = std::get_if<bool>(&value.content)) {
    out += indent + (*b ? "<true/>\n" : "<false/>\n");
  } else if (const auto* array = std::get_if<Array>(&value.content)) {
    if (array->empty()) {
      out += indent + "<array/>\n";
      return true;
    }
    out += indent + "<array>\n";
    for (const Value& element : *array) {
      if (!write(out, element, depth + 1)) return false;
    }
    out += indent + "</array>\n";
  } else if (const auto* dict = std::get_if<Dictionary>(&value.content)) {
    if (dict->empty()) {
      out += indent + "<dict/>\n";
      return true;
    }
    std::vector<const std::pair<std::string, Value>*> entries;
    for (const auto& entry : *dict) entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(), [](auto* a, auto* b) { return a->first < b->first; });
    const auto repeated =
        std::adjacent_find(entries.begin(), entries.end(), [](auto* a, auto* b) { return a->first == b->first; });
    if (repeated != entries.end()) return false;
    out += indent + "<dict>\n";
    for (const auto* entry : entries) {
      out += indent + "\t<key>";
      if (!appendEscaped(out, entry->first)) return false;
      out += "</key>\n";
      if (!write(out, entry->second, depth + 1)) return false;
    }
    out += indent + "</dict>\n";
  }
  return true;
}

}  // namespace

std::optional<std::string> toXML(const Value& root) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<plist version=\"1.0\">\n";
  if (!write(out, root, 0)) return std::nullopt;
  out += "</plist>\n";
  return out;
}

}  // namespace brisquel::plist
