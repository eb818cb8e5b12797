// Accessibility over the simulated applications' text fields, with the
// per-application failure switches.

#include <gtest/gtest.h>

#include "sim/SimDesktop.h"

namespace brisquel::sim {
namespace {

class AccessibilityTest : public ::testing::Test {
 protected:
  AccessibilityTest() { editor.setText(u"hello", TextRange{1, 2}); }
  AXElement focused() {
    auto result = ax.focusedElement(ax.systemWideElement());
    return result.value.value_or(AXElement{});
  }
  Desktop desktop;
  Platform platform = desktop.platform();
  AccessibilityPort& ax = *platform.accessibility;
  SimApp& editor = desktop.addApplication({"com.example.editor", "Editor", "/Applications/Editor.app", 4242});
  SimApp& other = desktop.addApplication({"com.example.other", "Other", "/Applications/Other.app", 0});
};

TEST_F(AccessibilityTest, ReadsAndWritesTheFocusedField) {
  auto element = ax.focusedElement(ax.systemWideElement());
  ASSERT_TRUE(element.ok());
  EXPECT_EQ(ax.pid(*element.value), 4242);
  EXPECT_EQ(ax.value(*element.value).value->string, u"hello");
  EXPECT_EQ(ax.selectedRange(*element.value).value, (TextRange{1, 2}));
  EXPECT_EQ(ax.isValueSettable(*element.value).value, true);

  EXPECT_EQ(ax.setValue(*element.value, u"goodbye"), AXError::Success);
  EXPECT_EQ(editor.text(), u"goodbye");
  EXPECT_EQ(editor.selection(), (TextRange{7, 0}));
  EXPECT_EQ(ax.setSelectedRange(*element.value, {2, 3}), AXError::Success);
  EXPECT_EQ(editor.selection(), (TextRange{2, 3}));
  EXPECT_EQ(ax.setSelectedRange(*element.value, {5, 3}), AXError::Failure);
  EXPECT_EQ(editor.axValueWrites(), std::vector<std::u16string>{u"goodbye"});

  // Per application, by process identifier.
  other.setText("other");
  auto otherField = ax.focusedElement(ax.applicationElement(other.pid()));
  ASSERT_TRUE(otherField.ok());
  EXPECT_EQ(ax.value(*otherField.value).value->string, u"other");
  EXPECT_FALSE(ax.focusedElement(ax.applicationElement(9999)).ok());
  EXPECT_FALSE(ax.pid(ax.systemWideElement()).has_value());
}

TEST_F(AccessibilityTest, FailureSwitches) {
  struct Case {
    const char* name;
    void (*apply)(AXFaults&);
    AXError focus, value, range, settable, write;
    bool valueIsString, isSettable;
  };
  using E = AXError;
  const Case cases[] = {
      {"none", [](AXFaults&) {}, E::Success, E::Success, E::Success, E::Success, E::Success, true, true},
      {"noFocusedElement", [](AXFaults& f) { f.noFocusedElement = true; }, E::NoValue, E::Success, E::Success,
       E::Success, E::Success, true, true},
      {"focusQueryFails", [](AXFaults& f) { f.focusQueryFails = true; }, E::CannotComplete, E::Success, E::Success,
       E::Success, E::Success, true, true},
      {"valueNotString", [](AXFaults& f) { f.valueNotString = true; }, E::Success, E::Success, E::NoValue, E::Success,
       E::AttributeUnsupported, false, false},
      {"readFails", [](AXFaults& f) { f.readFails = true; }, E::Success, E::CannotComplete, E::CannotComplete,
       E::CannotComplete, E::Success, true, true},
      {"notSettable", [](AXFaults& f) { f.notSettable = true; }, E::Success, E::Success, E::Success, E::Success,
       E::AttributeUnsupported, true, false},
      {"writeRefused", [](AXFaults& f) { f.writeRefused = true; }, E::Success, E::Success, E::Success, E::Success,
       E::Failure, true, true},
  };
  // An element obtained before the switch is set, as a caller holding it would.
  AXElement field = focused();
  ASSERT_TRUE(field);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    editor.axFaults() = {};
    c.apply(editor.axFaults());
    editor.setText(u"abc");
    EXPECT_EQ(ax.focusedElement(ax.systemWideElement()).error, c.focus);
    auto value = ax.value(field);
    EXPECT_EQ(value.error, c.value);
    if (value.ok()) {
      EXPECT_EQ(value.value->string.has_value(), c.valueIsString);
    }
    EXPECT_EQ(ax.selectedRange(field).error, c.range);
    auto settable = ax.isValueSettable(field);
    EXPECT_EQ(settable.error, c.settable);
    if (settable.ok()) {
      EXPECT_EQ(*settable.value, c.isSettable);
    }
    EXPECT_EQ(ax.setValue(field, u"xyz"), c.write);
    EXPECT_EQ(editor.text(), c.write == E::Success ? u"xyz" : u"abc");
  }
}

TEST_F(AccessibilityTest, TrustGatesEverythingAndQueriesAreCounted) {
  AXElement field = focused();
  EXPECT_TRUE(ax.isProcessTrusted(false));
  desktop.setTrusted(false);
  EXPECT_FALSE(ax.isProcessTrusted(true));
  EXPECT_EQ(ax.focusedElement(ax.systemWideElement()).error, AXError::NotTrusted);
  EXPECT_EQ(ax.value(field).error, AXError::NotTrusted);
  EXPECT_EQ(ax.setValue(field, u"x"), AXError::NotTrusted);
  EXPECT_EQ(editor.text(), u"hello");
  EXPECT_EQ(desktop.trustQueryCount(), 2);
  EXPECT_EQ(desktop.trustPromptCount(), 1);
}

TEST_F(AccessibilityTest, FocusFollowsTheFrontmostApplicationAndQuitApplicationsFail) {
  desktop.activate("com.example.other");
  EXPECT_EQ(ax.pid(focused()), other.pid());
  AXElement field = focused();
  desktop.removeApplication("com.example.other");
  EXPECT_EQ(ax.value(field).error, AXError::Failure);
  EXPECT_EQ(ax.focusedElement(ax.systemWideElement()).error, AXError::NoValue);  // nothing frontmost
}

}  // namespace
}  // namespace brisquel::sim
