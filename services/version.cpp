// The version of the running library, fixed when the library was built.
#include <toolbox/version.h>

const char* TBGetVersionText() { return TB_VERSION_TEXT; }
