// The whole core interface of the toolbox library (everything without a window).
#pragma once

#include "platform/types/types.h"
#include "resources/string_table.h"
#include "services/numbers.h"
#include "platform/os/clipboard_hub.h"
#include "platform/os/dialog_hub.h"
#include "platform/os/file_io.h"
#include "platform/os/locale_info.h"
#include "exchange/channel.h"
#include "exchange/engine.h"
#include "exchange/exchange_dialogs.h"
#include "exchange/read_and_write_files.h"
