// Starting a helper program (sendmail, xdg-email) with an argument vector, optional
// standard input, and waiting for it.
#pragma once

#include <toolbox/types/cstring.h>

#include <string>
#include <vector>

/// Finds name on the PATH (a name with "/" is taken as it is). Empty when not found.
CString TBFindProgram(const char* name);
/// Runs argv[0] with argv, feeding input to its standard input (nothing when empty),
/// and returns its exit status; -1 when it could not be started or was killed.
int TBRunProgram(const std::vector<std::string>& argv, const std::string& input);
