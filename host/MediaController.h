// The content controllers of the media kinds whose panes list files of the phone (photos; apps,
// books, music and videos join as further rows of the same table): the pane's requests 1 to 5
// (load, export, add chosen files, add given files, delete) turned into device-service
// operations with their dialogs, and the service's notices (count, list batch, deleted item,
// added item) streamed back into the pane and the navigator's counts.
//
// Ownership: a notice's payload and item are the controller's. Items of a load batch and added
// items go to the pane (the batch vectors stay here); a deleted item is the service's report,
// destroyed with its notice. Checked lists, export lists and path lists go on to the device
// service with the operation, and are deleted here when no operation is sent.
#pragma once

struct CommandRecord;
class CommandBus;

// Every media kind's request command (from its pane) and notice command (from the device
// service, any thread).
void FillMediaHandlers(CommandBus& bus);

// The router's part: a posted copy of a media notice named `name`; false when `name` is no
// media kind's. The router frees the copy.
bool RouteMediaNotice(const char* name, CommandRecord* copy);
