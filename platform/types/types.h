// The framework's value types and collections that the library's interface uses.
#pragma once

#include "platform/types/windef.h"
#include "platform/types/cstring.h"
#include "platform/types/collections.h"
#include "platform/types/maps.h"
#include "platform/types/variant.h"
