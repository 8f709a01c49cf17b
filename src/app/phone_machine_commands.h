// The answering machine's commands beside the Phone menu: Use dictation as
// greeting, the ring of the incoming-call window, the desktop notice of a
// new message, and the line tester reached from Modem Selection.
#pragma once

#include <cstdint>

#include "kivo/core/user_messages.h"

namespace kivo::app {

class MainWindow;
class NewMessageNotice;

// Routes Use dictation as greeting and tells the user of each new message
// through the desktop's notifications.
void RoutePhoneMachineCommands(MainWindow* window, core::MessageReporter* reporter);

// Tells of new messages through `notice` instead (not owned; it must outlive
// the window or be replaced first).
void ReplaceNewMessageNotice(MainWindow* window, NewMessageNotice* notice);

// The notice's Play: the window comes forward with the phone list, the
// message selected and playing. False when the message is not listed.
bool PlayPhoneMessage(MainWindow* window, std::int32_t record_number);

}  // namespace kivo::app
