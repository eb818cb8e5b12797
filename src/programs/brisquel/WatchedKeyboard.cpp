// SPDX-License-Identifier: MIT
#include "brisquel/WatchedKeyboard.h"

#include "sim/SimApp.h"

#include "base/KeyCodes.h"

namespace brisquel::cli {
namespace {

// What a text field inserts for a key's characters (line breaks as "\n").
std::u16string insertedText(const KeyEvent& event) {
  if (event.keyCode == KeyCode::Return) return u"\n";
  if (event.keyCode == KeyCode::Delete || !event.characters) return {};
  return sim::insertable(*event.characters);
}

}  // namespace

std::unique_ptr<EventTap> WatchedKeyboard::createEventTap(std::uint64_t eventMask, TapCallback callback) {
  return base_.createEventTap(eventMask, [this, callback](EventType type, const KeyEvent& event) {
    if (event.userData == syntheticEventMarker) return callback(type, event);
    ++userEvents;
    if (type == EventType::KeyDown) typedByUser += insertedText(event);
    if (!onTimed || (type != EventType::KeyDown && type != EventType::FlagsChanged)) return callback(type, event);
    if (beforeTimed) beforeTimed();
    const auto start = std::chrono::steady_clock::now();
    auto result = callback(type, event);
    onTimed(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return result;
  });
}

}  // namespace brisquel::cli
