/// \file
/// \brief The profile cache under its former path; the interface is <toolbox/os/profile_cache.h>.
// The cache moved below the services to the operating-system layer, where the per-user
// settings store uses it too. Hosts that include this path keep compiling.
#pragma once

#include <toolbox/os/profile_cache.h>
