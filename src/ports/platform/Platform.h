// SPDX-License-Identifier: MIT
#pragma once
// Every port the program uses, gathered by the composition root.

#include "platform/Accessibility.h"
#include "platform/Defaults.h"
#include "platform/Files.h"
#include "platform/InputSources.h"
#include "platform/KeyEvents.h"
#include "platform/MainQueue.h"
#include "platform/Process.h"
#include "platform/Saves.h"
#include "platform/SpellChecker.h"
#include "platform/TextField.h"
#include "platform/UserInterface.h"
#include "platform/Workspace.h"

namespace brisquel {

// Non-owning references to the ports; the composition root owns the adapters
// and keeps them alive for the life of the program.
struct Platform {
  KeyboardPort* keyboard = nullptr;
  AccessibilityPort* accessibility = nullptr;
  TextFieldPort* textField = nullptr;
  InputSourcePort* inputSources = nullptr;
  WorkspacePort* workspace = nullptr;
  SpellCheckerPort* spelling = nullptr;
  DefaultsPort* defaults = nullptr;
  FilesPort* files = nullptr;
  SaveQueuePort* saves = nullptr;  // none: saves run at once
  MainQueuePort* mainQueue = nullptr;
  BackgroundQueuePort* background = nullptr;
  ClockPort* clock = nullptr;
  ApplicationPort* application = nullptr;
  ProcessPort* processes = nullptr;
  LoginItemPort* loginItems = nullptr;
  UserInterfacePort* ui = nullptr;
};

}  // namespace brisquel
