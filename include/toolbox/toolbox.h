// The whole core interface of the toolbox library (everything without a window).
#pragma once

#include "platform/types/types.h"
#include "resources/string_table.h"
#include "services/numbers.h"
#include "services/random_values.h"
#include "services/xxcode.h"
#include "resources/language_file.h"
#include "services/profile_cache.h"
#include "services/startup.h"
#include "services/languages.h"
#include "services/library_registry.h"
#include "services/system_helpers.h"
#include "platform/os/module_path.h"
#include "platform/os/dynamic_library.h"
#include "platform/os/settings_store.h"
#include "platform/os/key_tree.h"
