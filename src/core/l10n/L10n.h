// SPDX-License-Identifier: MIT
#pragma once
// Interface texts in six languages, looked up by key.
//
// The language is chosen once per process from the user's preferred
// languages (L10n::initialize, called by the composition root). Until then,
// and whenever nothing matches, texts are English.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "base/Languages.h"

namespace brisquel {

// The product's web site; the about text ends with it and the donation page lies on it.
inline constexpr std::string_view kProductSiteHost = "brisquel.app";
inline constexpr std::string_view kProductSiteURL = "https://brisquel.app";
inline constexpr std::string_view kDonationURL = "https://brisquel.app/donate";

// The text for key in L10n::current(): that language's text, else the
// English one, else the key itself.
std::string L(std::string_view key);

namespace L10n {

// The supported language codes, in the table's order.
inline constexpr const auto& kLanguages = kLanguageCodes;

// The key of the Undo entry of the edit-shortcut menu.
inline constexpr std::string_view kUndoKey = "menu.ctrl.undo";

// The language for a preferred-languages list ("uk-UA", "en-GB", ...): the
// first entry whose first two characters, lower-cased, name a supported
// language; "en" when none does.
std::string chooseLanguage(const std::vector<std::string>& preferredLanguages);

// Fixes current() for the life of the process; later calls change nothing.
void initialize(const std::vector<std::string>& preferredLanguages);

// The language in use: one of kLanguages.
std::string_view current();

// For tests and tools: makes a supported language current (false otherwise).
bool setCurrentForTesting(std::string_view language);

// The text for key in the given language, with the fallbacks of L().
std::string text(std::string_view key, std::string_view language);

// Whether the table holds a text of its own for key in language (no fallback).
bool hasOwnText(std::string_view key, std::string_view language);

// Every key of the table, in the table's order.
std::vector<std::string_view> keys();

}  // namespace L10n
}  // namespace brisquel
