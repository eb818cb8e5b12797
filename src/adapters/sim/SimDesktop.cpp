// SPDX-License-Identifier: MIT
#include "sim/SimDesktop.h"

#include "base/Text.h"
#include "sim/SimAccessibility.h"
#include "sim/SimContext.h"
#include "sim/SimInputSources.h"
#include "sim/SimKeyboard.h"
#include "sim/SimRecorders.h"
#include "sim/SimStorage.h"
#include "sim/SimTyping.h"
#include "sim/SimWorkspace.h"

namespace brisquel::sim {

// The fakes, each with its own state; they share the context only.
struct Desktop::Impl {
  explicit Impl(std::filesystem::path filesRoot) : files(std::move(filesRoot)) {}

  SimContext context;
  SimInputSources inputSources{context};
  SimKeyboard keyboard{context};
  SimTyping typing{context, keyboard};
  SimAccessibility accessibility{context};
  SimTextField textField{context};
  SimWorkspace workspace{context};
  SimDefaults defaults;
  SimFiles files;
  SimApplicationRecorder application;
  SimProcessRecorder processes;
  SimLoginItems loginItems;
  SimUserInterface ui;
  SimSpellChecker spelling;
};

Desktop::Desktop(std::filesystem::path filesRoot) : impl_(std::make_unique<Impl>(std::move(filesRoot))) {}

Desktop::~Desktop() = default;

Platform Desktop::platform() {
  Platform p;
  p.keyboard = &impl_->keyboard;
  p.accessibility = &impl_->accessibility;
  p.textField = &impl_->textField;
  p.inputSources = &impl_->inputSources;
  p.workspace = &impl_->workspace;
  p.spelling = &impl_->spelling;
  p.defaults = &impl_->defaults;
  p.files = &impl_->files;
  p.mainQueue = &impl_->context.loop;
  p.background = &impl_->context.loop;
  p.clock = &impl_->context.loop;
  p.application = &impl_->application;
  p.processes = &impl_->processes;
  p.loginItems = &impl_->loginItems;
  p.ui = &impl_->ui;
  return p;
}

// --- clock and queues --------------------------------------------------------

double Desktop::now() const {
  return impl_->context.loop.now();
}
void Desktop::advance(double seconds) {
  impl_->context.loop.advance(seconds);
}
void Desktop::runUntilIdle() {
  impl_->context.loop.advance(0);
}
void Desktop::setWallTime(double secondsSince1970) {
  impl_->context.loop.setWallTime(secondsSince1970);
}
double Desktop::wallTime() const {
  return impl_->context.loop.wallTime();
}
const std::vector<double>& Desktop::sleeps() const {
  return impl_->context.loop.sleeps();
}
std::size_t Desktop::pendingTaskCount() const {
  return impl_->context.loop.pendingTaskCount();
}

// --- input sources -----------------------------------------------------------

void Desktop::enableLayouts(const std::vector<std::string>& codes) {
  impl_->inputSources.enableLayouts(codes);
}
InputSource Desktop::standardSource(const std::string& code) {
  return SimInputSources::standardSource(code);
}
InputSourceRef Desktop::addSource(InputSource source, std::optional<std::string> keyboardLayout) {
  return impl_->inputSources.addSource(std::move(source), std::move(keyboardLayout));
}
void Desktop::clearSources() {
  impl_->inputSources.clearSources();
}
void Desktop::setCurrentSource(InputSourceRef source) {
  impl_->inputSources.setCurrentSource(std::move(source));
}
bool Desktop::selectLayout(const std::string& code) {
  return impl_->inputSources.selectLayout(code);
}
InputSourceRef Desktop::currentSource() const {
  return impl_->context.current.source;
}
std::optional<std::string> Desktop::currentSourceId() const {
  const auto& source = impl_->context.current.source;
  return source ? source->id : std::nullopt;
}
std::string Desktop::currentLayoutCode() const {
  return std::string(impl_->context.current.keys().code);
}
const std::vector<std::string>& Desktop::selectLog() const {
  return impl_->inputSources.selectLog();
}

// --- keyboard ----------------------------------------------------------------

void Desktop::keyDown(std::uint16_t keyCode, bool autoRepeat) {
  impl_->keyboard.keyDown(keyCode, autoRepeat);
}
void Desktop::keyUp(std::uint16_t keyCode) {
  impl_->keyboard.keyUp(keyCode);
}
void Desktop::tapKey(std::uint16_t keyCode) {
  impl_->keyboard.keyDown(keyCode, false);
  impl_->keyboard.keyUp(keyCode);
}
bool Desktop::press(std::string_view chords) {
  return impl_->typing.press(chords);
}
void Desktop::typeText(std::u16string_view text, std::string_view keysLayout) {
  impl_->typing.typeText(text, keysLayout);
}
void Desktop::typeText(std::string_view utf8, std::string_view keysLayout) {
  impl_->typing.typeText(text::fromUtf8(utf8), keysLayout);
}
void Desktop::setTypingInterval(double seconds) {
  impl_->typing.setTypingInterval(seconds);
}
void Desktop::click(std::optional<std::int64_t> caretPosition) {
  impl_->keyboard.click(caretPosition);
}
std::uint64_t Desktop::modifierFlags() const {
  return impl_->keyboard.flags();
}
void Desktop::clearLogs() {
  impl_->keyboard.clearPosted();
  impl_->inputSources.clearSelectLog();
  impl_->context.loop.clearSleeps();
  for (const auto& app : impl_->context.apps.all()) app->clearLog();
}

const std::vector<ReceivedEvent>& Desktop::posted() const {
  return impl_->keyboard.posted();
}
void Desktop::disableTaps(EventType reason) {
  impl_->keyboard.disableTaps(reason);
}
std::size_t Desktop::tapCount() const {
  return impl_->keyboard.tapCount();
}

// --- applications ------------------------------------------------------------

SimApp& Desktop::addApplication(AppSpec spec) {
  return impl_->context.apps.add(std::move(spec));
}
void Desktop::removeApplication(const std::string& bundleId) {
  impl_->context.apps.remove(bundleId);
}
SimApp* Desktop::application(const std::string& bundleId) {
  return impl_->context.apps.byBundleId(bundleId);
}
SimApp* Desktop::applicationByPid(std::int64_t pid) {
  return impl_->context.apps.byPid(pid);
}
void Desktop::activate(const std::string& bundleId) {
  impl_->context.apps.activate(bundleId);
  runUntilIdle();
}
SimApp* Desktop::frontmost() {
  return impl_->context.apps.frontmost();
}
std::u16string& Desktop::clipboard() {
  return impl_->context.apps.clipboard();
}

// --- accessibility -----------------------------------------------------------

void Desktop::setTrusted(bool trusted) {
  impl_->accessibility.setTrusted(trusted);
}
bool Desktop::isTrusted() const {
  return impl_->accessibility.isTrusted();
}
int Desktop::trustQueryCount() const {
  return impl_->accessibility.trustQueryCount();
}
int Desktop::trustPromptCount() const {
  return impl_->accessibility.trustPromptCount();
}

// --- workspace ---------------------------------------------------------------

const std::vector<std::string>& Desktop::openedURLs() const {
  return impl_->workspace.openedURLs();
}
const std::vector<std::filesystem::path>& Desktop::openedFiles() const {
  return impl_->workspace.openedFiles();
}
const std::vector<std::filesystem::path>& Desktop::openedApplications() const {
  return impl_->workspace.openedApplications();
}
void Desktop::setOpenFails(bool fails) {
  impl_->workspace.setOpenFails(fails);
}
void Desktop::setPreferredLanguages(std::vector<std::string> languages) {
  impl_->workspace.setPreferredLanguages(std::move(languages));
}

// --- defaults, files ---------------------------------------------------------

std::map<std::string, DefaultsValue>& Desktop::defaultsValues() {
  return impl_->defaults.handOutValues();
}
const std::filesystem::path& Desktop::filesRoot() const {
  return impl_->files.root();
}
void Desktop::setFileWritesFail(bool fails) {
  impl_->files.setWritesFail(fails);
}

// --- application, processes, login items -------------------------------------

void Desktop::setMainBundlePath(std::filesystem::path path) {
  impl_->application.setMainBundlePath(std::move(path));
}
void Desktop::setBundleVersion(std::string version) {
  impl_->application.setBundleVersion(std::move(version));
}
int Desktop::terminateCount() const {
  return impl_->application.terminateCount();
}
const std::vector<int>& Desktop::exitStatuses() const {
  return impl_->application.exitStatuses();
}
const std::vector<Desktop::Launch>& Desktop::launches() const {
  return impl_->processes.launches();
}
void Desktop::setLaunchFails(bool fails) {
  impl_->processes.setLaunchFails(fails);
}
void Desktop::setLoginServiceAvailable(bool available) {
  impl_->loginItems.setServiceAvailable(available);
}
void Desktop::setLoginRegistrationRefused(bool refused) {
  impl_->loginItems.setRegistrationRefused(refused);
}
void Desktop::setLoginStatus(LoginItemStatus status) {
  impl_->loginItems.setStatus(status);
}
LoginItemStatus Desktop::loginStatus() const {
  return impl_->loginItems.status();
}

// --- user interface ----------------------------------------------------------

const std::optional<Image>& Desktop::statusItemImage() const {
  return impl_->ui.statusItemImage();
}
int Desktop::statusItemImageCount() const {
  return impl_->ui.statusItemImageCount();
}
std::vector<std::string> Desktop::drawStatusItemImage() const {
  return impl_->ui.drawStatusItemImage();
}
std::shared_ptr<Menu> Desktop::statusItemMenu() const {
  return impl_->ui.statusItemMenu();
}
const std::vector<AlertSpec>& Desktop::alerts() const {
  return impl_->ui.alerts();
}
void Desktop::queueAlertResponse(AlertAnswer response) {
  impl_->ui.queueAlertResponse(response);
}
void Desktop::holdAlertAnswers(bool held) {
  impl_->ui.holdAlertAnswers(held);
}
void Desktop::answerHeldAlerts() {
  impl_->ui.answerHeldAlerts();
}

// --- spelling ----------------------------------------------------------------

SimSpellChecker& Desktop::spelling() {
  return impl_->spelling;
}

}  // namespace brisquel::sim
