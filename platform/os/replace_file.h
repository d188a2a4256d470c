// Replacing a file's whole content: see <toolbox/os/output_file.h>.
#pragma once

#include <toolbox/os/output_file.h>
