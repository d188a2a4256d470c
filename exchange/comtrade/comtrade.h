// Pieces shared by the COMTRADE configuration and data sources: companion file names
// of a record, unit prefixes and the text written for names and units. Internal to the
// exchange formats; hosts use the engine.
#pragma once

#include <toolbox/exchange/engine.h>
#include <toolbox/os/file_io.h>
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

/// How the time stamps of a record are written: time = (stamp x multiplier) us + origin.
struct StampScale {
    double origin = 0.0;      ///< the first time when it lies before zero, else 0 (seconds)
    double multiplier = 1.0;  ///< the time multiplier of the configuration file
};

/// The stamp scale of the record the engine holds, timeChannel carrying the times: the
/// smallest whole multiplier that lets the latest time fit the stamp field of the data
/// type (ten digits in text, unsigned 32 bits in binary). False, with the error set,
/// when the time channel has no store or too few values.
bool ChooseStampScale(CReadAndWriteFileFunction& engine, int timeChannel, bool binary, StampScale& scale);

/// Writes the data file of a record into out (opened by the caller, who also closes it
/// and reports its file errors), after the configuration writer has filled the
/// multipliers and offsets; name is the file named in messages. Results as
/// WriteComtradeFile.
int WriteData(CReadAndWriteFileFunction& engine, CBufferedFileWriter& out, const CString& name, int timeChannel,
              bool binary);

/// What a read keeps of a record beyond the engine's named COMTRADE state, for the data
/// step after the configuration step.
struct RecordLayout {
    /// Seconds from the trigger point to the first sample (negative when the record
    /// starts before its trigger); added to times read from time stamps.
    double timeOrigin = 0.0;
    int sampleType = 0;       ///< binary samples: 0 2-byte, 1 4-byte integer, 2 4-byte float
    int revision = 1999;      ///< revision year of the configuration read
    long long dataOffset = 0;  ///< where the samples begin (non-zero in a combined .cff)
};

/// The engine's record layout.
RecordLayout& Layout(CReadAndWriteFileFunction& engine);

}  // namespace tb_comtrade
