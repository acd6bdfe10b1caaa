// The host's handler table: what runs when a module posts a command to the host.
#pragma once

class CommandBus;

void FillHandlerTable(CommandBus& bus);
