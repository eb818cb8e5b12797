// SPDX-License-Identifier: MIT
#include "sim/SimRecorders.h"

#include "sim/RecordingCanvas.h"

namespace brisquel::sim {

void SimApplicationRecorder::terminate() {
  ++terminateCount_;
  if (auto handler = terminationHandler_) handler();
}

bool SimProcessRecorder::launch(const std::string& program, const std::vector<std::string>& arguments) {
  launches_.push_back({program, arguments});
  return !launchFails_;
}

bool SimLoginItems::registerMainApp() {
  if (registrationRefused_) return false;
  status_ = LoginItemStatus::Enabled;
  return true;
}

bool SimLoginItems::unregisterMainApp() {
  if (registrationRefused_) return false;
  status_ = LoginItemStatus::NotRegistered;
  return true;
}

void SimUserInterface::setStatusItemImage(const Image& image) {
  statusImage_ = image;
  ++statusImageCount_;
}

void SimUserInterface::showAlert(const AlertSpec& alert, std::function<void(AlertAnswer)> onAnswer) {
  alerts_.push_back(alert);
  AlertAnswer answer = kAlertFirstButtonReturn;
  if (!alertResponses_.empty()) {
    answer = alertResponses_.front();
    alertResponses_.pop_front();
  }
  if (holdAnswers_) {
    heldAnswers_.emplace_back(std::move(onAnswer), answer);
  } else if (onAnswer) {
    onAnswer(answer);
  }
}

void SimUserInterface::answerHeldAlerts() {
  auto held = std::move(heldAnswers_);
  heldAnswers_.clear();
  for (auto& [onAnswer, answer] : held)
    if (onAnswer) onAnswer(answer);
}

std::vector<std::string> SimUserInterface::drawStatusItemImage() const {
  if (!statusImage_) return {};
  const Image& image = *statusImage_;
  if (!image.namedResource.empty()) return {"named " + image.namedResource};
  RecordingCanvas canvas;
  if (image.draw) image.draw(canvas);
  return canvas.commands();
}

}  // namespace brisquel::sim
