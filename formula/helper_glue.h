// What the three plug-ins share around the engine: access to the helper object and
// the scan that fills it.
#pragma once

#include "formula/engine.h"
#include <toolbox/formula/formula_api.h>

// Entry points keep default visibility; everything else in a plug-in stays hidden.
#define FORMEL_EXPORT extern "C" __attribute__((visibility("default")))

namespace formula {

/// The program of a live helper; null for a null or foreign pointer.
Program* ProgramOf(CFormelHelper* helper);

/// Scans text into the helper: kind, assignment flag and name, LastError. Returns a
/// FORMEL_ code.
int ScanIntoHelper(CFormelHelper* helper, std::string_view text);

/// Joins the messages of diagnostics, one per line.
std::string JoinMessages(const std::vector<Diagnostic>& errors);

}  // namespace formula
