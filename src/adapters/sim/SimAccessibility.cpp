// SPDX-License-Identifier: MIT
#include "sim/SimAccessibility.h"

#include <memory>

namespace brisquel::sim {

namespace {

struct ElementData {
  enum class Kind { SystemWide, Application, Field } kind;
  std::int64_t pid = 0;
};

const ElementData* elementData(const AXElement& element) {
  return static_cast<const ElementData*>(element.handle.get());
}

AXElement makeElement(ElementData::Kind kind, std::int64_t pid) {
  return AXElement{std::make_shared<const ElementData>(ElementData{kind, pid})};
}

}  // namespace

std::pair<SimApp*, AXError> SimAccessibility::field(const AXElement& element) {
  if (!context_.trusted) return {nullptr, AXError::NotTrusted};
  const ElementData* data = elementData(element);
  if (!data) return {nullptr, AXError::Failure};
  if (data->kind != ElementData::Kind::Field) return {nullptr, AXError::AttributeUnsupported};
  SimApp* app = context_.apps.byPid(data->pid);
  return {app, app ? AXError::Success : AXError::Failure};
}

bool SimAccessibility::isProcessTrusted(bool prompt) {
  ++trustQueries_;
  if (prompt) ++trustPrompts_;
  return context_.trusted;
}

AXElement SimAccessibility::systemWideElement() {
  return makeElement(ElementData::Kind::SystemWide, 0);
}

AXElement SimAccessibility::applicationElement(std::int64_t pid) {
  return makeElement(ElementData::Kind::Application, pid);
}

AXResult<AXElement> SimAccessibility::focusedElement(const AXElement& element) {
  if (!context_.trusted) return {AXError::NotTrusted, std::nullopt};
  const ElementData* data = elementData(element);
  if (!data || data->kind == ElementData::Kind::Field) return {AXError::AttributeUnsupported, std::nullopt};
  bool systemWide = data->kind == ElementData::Kind::SystemWide;
  SimApp* app = systemWide ? context_.apps.frontmost() : context_.apps.byPid(data->pid);
  if (!app) return {systemWide ? AXError::NoValue : AXError::Failure, std::nullopt};
  if (app->axFaults().focusQueryFails) return {AXError::CannotComplete, std::nullopt};
  if (app->axFaults().noFocusedElement) return {AXError::NoValue, std::nullopt};
  return {AXError::Success, makeElement(ElementData::Kind::Field, app->pid())};
}

AXResult<AXValue> SimAccessibility::value(const AXElement& element) {
  auto [app, error] = field(element);
  if (!app) return {error, std::nullopt};
  if (app->axFaults().readFails) return {AXError::CannotComplete, std::nullopt};
  if (app->axFaults().valueNotString) return {AXError::Success, AXValue{std::nullopt}};
  return {AXError::Success, AXValue{app->text()}};
}

AXResult<TextRange> SimAccessibility::selectedRange(const AXElement& element) {
  auto [app, error] = field(element);
  if (!app) return {error, std::nullopt};
  if (app->axFaults().readFails) return {AXError::CannotComplete, std::nullopt};
  if (app->axFaults().valueNotString) return {AXError::NoValue, std::nullopt};
  return {AXError::Success, app->selection()};
}

std::optional<std::int64_t> SimAccessibility::pid(const AXElement& element) {
  const ElementData* data = elementData(element);
  if (!data || data->kind == ElementData::Kind::SystemWide || data->pid <= 0) return std::nullopt;
  return data->pid;
}

AXResult<bool> SimAccessibility::isValueSettable(const AXElement& element) {
  auto [app, error] = field(element);
  if (!app) return {error, std::nullopt};
  if (app->axFaults().readFails) return {AXError::CannotComplete, std::nullopt};
  bool settable = !app->axFaults().notSettable && !app->axFaults().valueNotString;
  return {AXError::Success, settable};
}

AXError SimAccessibility::setValue(const AXElement& element, const std::u16string& newValue) {
  auto [app, error] = field(element);
  if (!app) return error;
  if (app->axFaults().writeRefused) return AXError::Failure;
  if (app->axFaults().notSettable || app->axFaults().valueNotString) return AXError::AttributeUnsupported;
  app->axSetValue(newValue);
  return AXError::Success;
}

AXError SimAccessibility::setSelectedRange(const AXElement& element, TextRange range) {
  auto [app, error] = field(element);
  if (!app) return error;
  if (app->axFaults().writeRefused) return AXError::Failure;
  auto size = static_cast<std::int64_t>(app->text().size());
  if (range.location < 0 || range.length < 0 || range.location + range.length > size) return AXError::Failure;
  app->setSelection(range);
  return AXError::Success;
}

bool SimTextField::canReplaceBeforeCaret(int, int) {
  const SimApp* app = context_.apps.frontmost();
  if (!app || !app->replaysKeysLate()) return true;
  const AXFaults& f = app->axFaults();
  return context_.trusted && !f.noFocusedElement && !f.focusQueryFails && !f.valueNotString && !f.readFails &&
         !f.notSettable && !f.writeRefused;
}

}  // namespace brisquel::sim
