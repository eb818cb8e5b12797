// SPDX-License-Identifier: MIT
#pragma once
// The running program: its bundle, ending it, child processes, login items.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace brisquel {

class ApplicationPort {
 public:
  virtual ~ApplicationPort() = default;
  // The installed program's bundle (or installation folder on desktops without bundles).
  virtual std::filesystem::path mainBundlePath() = 0;
  virtual std::string bundleVersion() = 0;
  // Orderly termination: the handler set here (the delegate's termination hook) runs.
  virtual void terminate() = 0;
  virtual void setTerminationHandler(std::function<void()> handler) = 0;
  // Ends the process at once; no termination hook runs.
  virtual void exitNow(int status) = 0;
};

class ProcessPort {
 public:
  virtual ~ProcessPort() = default;
  // Starts a child without waiting for it; false when it could not be started.
  virtual bool launch(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

enum class LoginItemStatus { NotRegistered, Enabled, RequiresApproval, NotFound };

class LoginItemPort {
 public:
  virtual ~LoginItemPort() = default;
  // Whether the system has a login-item service (else the LaunchAgent file is used).
  virtual bool isServiceAvailable() = 0;
  virtual LoginItemStatus status() = 0;
  virtual bool registerMainApp() = 0;
  virtual bool unregisterMainApp() = 0;
};

}  // namespace brisquel
