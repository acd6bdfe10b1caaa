// Host handlers for the device pane's notices and the device service's device notices.
#pragma once

class CommandBus;

void FillDeviceHandlers(CommandBus& bus);
