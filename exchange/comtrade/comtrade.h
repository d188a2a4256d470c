// Pieces shared by the COMTRADE configuration and data sources: companion file names
// of a record, unit prefixes and the text written for names and units. Internal to the
// exchange formats; hosts use the engine.
#pragma once

#include <toolbox/exchange/engine.h>
#include <toolbox/types/cstring.h>

#include <string_view>

namespace tb_comtrade {

/// Splits a unit prefix off unit. A prefix counts only as the first character of a
/// unit whose rest is a unit symbol (kV, mA, MW, uA, GVA...); any other unit text stays
/// as it is and gives factor 1.0. Returns the factor and leaves the rest in unit.
double SplitUnitPrefix(CString& unit);

/// The text written for a channel name or unit in a configuration line: a comma would
/// split the field, so every comma becomes a semicolon; line breaks become blanks.
CString ConfigurationField(const CString& text);

/// The file of the record with the extension ext (".dat", ".hdr", ".d00"...), derived
/// from fileName by replacing its last four characters. Recorders write upper-case
/// extensions as often as lower-case ones: when the lower-case file does not exist
/// and the upper-case one does, that one is returned.
CString CompanionFile(const CString& fileName, const char* ext);

/// True when fileName ends with ".cff" in any case.
bool IsCombinedFile(const CString& fileName);

/// Blanks, tabs, CR and Ctrl-Z removed from both ends.
std::string_view TrimField(std::string_view text);

/// A number from a variant by its type: integers, reals, booleans and bytes by their
/// value, text read with TBExtended_atof (no decimal symbol), anything else 0.
double VariantNumber(const COleVariant& value);

/// Value k (0-based) of a channel from its first store (raw block, double array,
/// string array, variant array). False when the store holds k or fewer elements or
/// the channel has no store; a raw block is taken to hold NrItems values.
bool ChannelValue(const CExImPortChannel& channel, int k, double& value);

/// Data writers of a record, run after the configuration writer has filled the
/// multipliers and offsets. Results as WriteComtradeFile.
int WriteAsciiData(CReadAndWriteFileFunction& engine, const CString& fileName, int timeChannel);
int WriteBinaryData(CReadAndWriteFileFunction& engine, const CString& fileName, int timeChannel);

}  // namespace tb_comtrade
