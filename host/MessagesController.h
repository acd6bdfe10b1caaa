// The messages controller: turns the messages pane's requests into device-service operations,
// wraps the changes a phone of Android 4.4 or later allows only its default SMS app to make in
// the handshake that makes this program that app first, loads contacts before messages are
// opened, and streams the service's notices back into the pane and the navigator's count.
//
// Ownership: a notice's payload and item are the controller's. Conversations of a load and
// one conversation's messages go to the pane (the vectors stay here); deleted, sent and
// received messages are reports, destroyed with their notice. Checked lists, path lists and
// outgoing messages go on to the device service with the operation; a list waiting in the
// handshake travels with it and is deleted here when the user declines.
#pragma once

struct CommandRecord;
class CommandBus;

// "LIBTEXTS_COMMAND_DO_SMS" (requests), "LIBCOURIER_COMMAND_DO_SMS" and
// "LIBCOURIER_COMMAND_DO_SMS_RECEIVE_MESSAGE" (notices, any thread).
void FillMessagesHandlers(CommandBus& bus);

// The router's part: posted copies of those notices. The router frees the copy.
void RouteMessageNotice(CommandRecord* copy);
void RouteReceivedMessage(CommandRecord* copy);
