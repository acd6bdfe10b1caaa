// The contacts controller: turns the contacts pane's requests into device-service
// operations, and streams the service's contact notifications back into the pane and the
// navigator's count.
//
// Ownership: a notification's payload and item are the controller's. Contact records go to
// the pane only where it keeps them (streamed batches, a newly saved contact); every other
// item (an edited contact's report, a deleted contact, a failed save) is the service's report
// made for the notice and is destroyed with it. Checked lists and path lists go on to the
// device service with the operation, and are deleted here when no operation is sent.
#pragma once

struct CommandRecord;
class CommandBus;

// "LIBROLODEX_COMMAND_DO_CONTACT" (requests) and "LIBCOURIER_COMMAND_DO_CONTACT"
// (notifications, any thread).
void FillContactsHandlers(CommandBus& bus);

// The router's part: a posted copy of a contacts notification. The router frees the copy.
void RouteContactNotice(CommandRecord* copy);
