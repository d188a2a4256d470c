/// \file
/// \brief The whole core interface of the toolbox library (everything without a window): one include gives a host every family.
// The whole core interface of the toolbox library (everything without a window):
// one include gives a host every family.
#pragma once

// Value types and operating-system services.
#include <toolbox/version.h>
#include <toolbox/types/types.h>
#include <toolbox/os/clipboard_hub.h>
#include <toolbox/os/dialog_hub.h>
#include <toolbox/os/dynamic_library.h>
#include <toolbox/os/file_io.h>
#include <toolbox/os/key_tree.h>
#include <toolbox/os/locale_info.h>
#include <toolbox/os/module_path.h>
#include <toolbox/os/profile_cache.h>
#include <toolbox/os/settings_store.h>

// String table, languages and general services.
#include <toolbox/resources/string_table.h>
#include <toolbox/resources/host_resources.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/language_file.h>
#include <toolbox/services/languages.h>
#include <toolbox/services/library_registry.h>
#include <toolbox/services/numbers.h>
#include <toolbox/services/random_values.h>
#include <toolbox/services/startup.h>
#include <toolbox/services/system_helpers.h>
#include <toolbox/services/xxcode.h>

// Data exchange.
#include <toolbox/exchange/channel.h>
#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/format_list.h>
#include <toolbox/exchange/read_and_write_files.h>
#include <toolbox/exchange/clipboard.h>
#include <toolbox/exchange/dao.h>
#include <toolbox/exchange/text_dialog_rules.h>
#include <toolbox/exchange/text_symbols.h>
#include <toolbox/exchange/recorder_files.h>
#include <toolbox/exchange/table_choice.h>

// Units, quantities, conversion and materials; the formula plug-ins' interface.
#include <toolbox/formula/formula_api.h>
#include <toolbox/units/quantity.h>
#include <toolbox/units/unit_manager.h>
#include <toolbox/units/unit_notation.h>
#include <toolbox/units/materials.h>

// Crash reports, mail and zip archives.
#include <toolbox/crash/crash_report.h>
#include <toolbox/crash/crash_dialogs.h>
#include <toolbox/mail/mail.h>
#include <toolbox/zip/zip_archive.h>

// Raster images and their file adaptors.
#include <toolbox/image/xfile.h>
#include <toolbox/image/ximage.h>
