/// \file
/// \brief The framework's value types and collections that the library's interface uses.
// The framework's value types and collections that the library's interface uses.
#pragma once

#include <toolbox/types/windef.h>
#include <toolbox/types/cstring.h>
#include <toolbox/types/collections.h>
#include <toolbox/types/maps.h>
#include <toolbox/types/variant.h>
