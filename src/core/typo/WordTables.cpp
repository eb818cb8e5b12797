// SPDX-License-Identifier: MIT
#include "typo/WordTables.h"

namespace brisquel::words {

const std::set<std::u16string, std::less<>>& systemProtectedWords() {
  static const std::set<std::u16string, std::less<>> words = {u"ctrl", u"cmd", u"alt"};
  return words;
}

const std::set<std::u16string, std::less<>>& validSingleLetterWords(std::string_view language) {
  static const std::set<std::u16string, std::less<>> english = {u"a", u"i", u"o"};
  static const std::set<std::u16string, std::less<>> russian = {u"и", u"а", u"в", u"с", u"о",
                                                                u"у", u"я", u"б", u"к", u"ж"};
  static const std::set<std::u16string, std::less<>> ukrainian = {u"і", u"а", u"в", u"с", u"о", u"у",
                                                                  u"я", u"б", u"к", u"ж", u"є", u"и"};
  // The articles ο, η and the conjunction ή (the dictionary takes every letter).
  static const std::set<std::u16string, std::less<>> greek = {u"ο", u"η", u"ή"};
  static const std::set<std::u16string, std::less<>> none;
  if (language == "en_US") return english;
  if (language == "ru_RU") return russian;
  if (language == "uk_UA") return ukrainian;
  if (language == "el") return greek;
  return none;
}

const std::map<std::u16string, std::u16string, std::less<>>& aggressiveSwitchWords() {
  static const std::map<std::u16string, std::u16string, std::less<>> words = {
      {u"f", u"а"},         {u"d", u"в"},           {u"b", u"и"},
      {u"r", u"к"},         {u"c", u"с"},           {u"e", u"у"},
      {u"z", u"я"},         {u"j", u"о"},           {u"yf", u"на"},
      {u"yt", u"не"},       {u"yj", u"но"},         {u"lf", u"да"},
      {u"gj", u"по"},       {u"pf", u"за"},         {u"jn", u"от"},
      {u"bp", u"из"},       {u"lj", u"до"},         {u"cj", u"со"},
      {u"nj", u"то"},       {u"jy", u"он"},         {u"jyf", u"она"},
      {u",s", u"бы"},       {u"ш", u"i"},           {u"ша", u"if"},
      {u"шы", u"is"},       {u"ше", u"it"},         {u"шт", u"in"},
      {u"щк", u"or"},       {u"фе", u"at"},         {u"щт", u"on"},
      {u"пщ", u"go"},       {u"ьн", u"my"},         {u"тщ", u"no"},
      {u"ыщ", u"so"},       {u"гз", u"up"},         {u"вщ", u"do"},
      {u"рш", u"hi"},       {u"ьу", u"me"},         {u"цу", u"we"},
      {u"[f", u"ха"},       {u"[s", u"хы"},         {u"[e", u"ху"},
      {u"[t", u"хе"},       {u"f[", u"ах"},         {u"[b", u"хи"},
      {u"[j", u"хо"},       {u"иу", u"be"},         {u"щл", u"ok"},
      {u"фь", u"am"},       {u"ytn", u"нет"},       {u"ldf", u"два"},
      {u"nhb", u"три"},     {u"rfr", u"как"},       {u"nfr", u"так"},
      {u"gjl", u"под"},     {u"yfl", u"над"},       {u"ghb", u"при"},
      {u"ghj", u"про"},     {u"xnj", u"что"},       {u"rnj", u"кто"},
      {u"bkb", u"или"},     {u"dct", u"все"},       {u"jyb", u"они"},
      {u"nfv", u"там"},     {u"nen", u"тут"},       {u"djn", u"вот"},
      {u"иге", u"but"},     {u"еру", u"the"},       {u"фтв", u"and"},
      {u"фкк", u"all"},     {u"нщг", u"you"},       {u"сфт", u"can"},
      {u"рфы", u"has"},     {u"to`", u"ещё"},       {u"шзрщту", u"iphone"},
      {u"шзфв", u"ipad"},   {u"шщы", u"ios"},       {u"'nj", u"это"},
      {u"lh", u"др"},       {u"ghbdtn", u"привет"}, {u"пшерги", u"github"},
      {u"пше", u"git"},     {u"пшедфи", u"gitlab"}, {u"пщщпду", u"google"},
      {u"ыдфсл", u"slack"}, {u"вщслук", u"docker"}, {u"еудупкфь", u"telegram"},
      {u"фзш", u"api"},     {u"куфсе", u"react"},
  };
  return words;
}

const std::set<std::u16string, std::less<>>& ambiguousContextWords() {
  static const std::set<std::u16string, std::less<>> words = {
      u"vs", u"мы", u"ns", u"dj", u"во", u"ye", u"ш",  u"цу", u"фь", u"шт", u"щк", u"ещ", u"ыщ", u"фы", u"f",
      u"d",  u"b",  u"r",  u"c",  u"e",  u"z",  u"j",  u"фт", u"г",  u"и",  u"ю",  u"ру", u"ф",  u"a",  u"an",
      u"ша", u"шы", u"ну", u"ше", u"фе", u"щт", u"пщ", u"ьн", u"тщ", u"гз", u"вщ", u"рш", u"ьу", u"иу"};
  return words;
}

const std::set<std::string, std::less<>>& nonAXAppBundleIDs() {
  static const std::set<std::string, std::less<>> ids = {"ru.keepcoder.Telegram",
                                                         "com.tdesktop.Telegram",
                                                         "com.googlecode.iterm2",
                                                         "com.apple.Terminal",
                                                         "com.google.Chrome",
                                                         "com.apple.Safari",
                                                         "org.mozilla.firefox",
                                                         "com.hnc.Discord",
                                                         "com.tinyspeck.slackmacgap",
                                                         "com.microsoft.VSCode",
                                                         "com.brave.Browser",
                                                         "com.operasoftware.Opera",
                                                         "ru.yandex.desktop.yandex-browser"};
  return ids;
}

}  // namespace brisquel::words
