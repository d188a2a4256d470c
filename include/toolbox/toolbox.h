// The whole core interface of the toolbox library (everything without a window).
#pragma once

#include "platform/types/types.h"
#include "resources/string_table.h"
#include "services/numbers.h"
#include "services/random_values.h"
#include "services/xxcode.h"
