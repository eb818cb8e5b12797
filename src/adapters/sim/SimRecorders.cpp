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

int SimUserInterface::runModalAlert(const AlertSpec& alert) {
  alerts_.push_back(alert);
  if (alertResponses_.empty()) return kAlertFirstButtonReturn;
  int response = alertResponses_.front();
  alertResponses_.pop_front();
  return response;
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
