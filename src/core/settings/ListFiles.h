// SPDX-License-Identifier: MIT
#pragma once
// Text format of the user list files: headers, the line grammar, the
// written form and the lists stored on a first start.

#include <optional>
#include <string>
#include <string_view>

#include "platform/Defaults.h"

namespace brisquel {

extern const char* const learnedWordsHeader;
extern const char* const ignoredAppsHeader;
extern const char* const ignoredShortcutsAppsHeader;

const StringList& defaultIgnoredApps();
const StringList& defaultIgnoredShortcutsApps();

// The start of a list file's text that a read takes in: all of it when it
// fits within limit bytes, else the whole lines that do.
std::string_view leadingLines(std::string_view text, std::size_t limit);

// The entry lines of a list file: split at every Unicode line separator,
// trimmed of white space, empty lines and "#" comments left out. None when
// the text is not UTF-8.
std::optional<StringList> listFileEntries(std::string_view text);

// Whether the text holds a control character other than the tab and the
// line separators (a NUL, say): the lines holding one are not read in.
bool holdsControlCharacters(std::string_view text);

// Learned words from the file text: each pair typed -> result adds both
// typed -> result and result -> result; later lines win. Bad lines are skipped.
std::optional<StringMap> parseLearnedWords(std::string_view text);
std::optional<StringList> parseAppList(std::string_view text);

// The file text written for a list: header, an empty line, one entry a line.
std::string formatLearnedWords(const StringMap& words);
std::string formatAppList(std::string_view header, const StringList& entries);

}  // namespace brisquel
