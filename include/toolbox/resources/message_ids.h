/// \file
/// \brief Names for the ids of the string table (resources/string_table_en.inc) that the library itself loads: TBLoadString(TBMsg::NoFileName) instead of TBLoadString(4).
// Names for the ids of the string table (resources/string_table_en.inc) that the
// library itself loads: TBLoadString(TBMsg::NoFileName) instead of TBLoadString(4).
// Language files replace texts by these same ids, and a host that compares an error
// or warning with TBFormatMessage(...) can use the names too. Every name must exist
// in the built-in English table, and the comment after each one quotes its English
// text, "..." marking what is left out (tests/resources/string_table_test.cpp checks
// both, so a mistyped id cannot go unnoticed).
#pragma once

#include <toolbox/types/windef.h>

namespace TBMsg {

/// Data exchange: files, databases and channels.
///@{
constexpr UINT CreateDatabaseFailed = 1;      // "Error by creating the database >>%s<<."
constexpr UINT NoMemory = 2;                  // "Not enough memory."
constexpr UINT NoFileName = 4;                // "No file name."
constexpr UINT WriteMdaFailed = 5;            // "Error by writing the mda-file >>%s<<!"
constexpr UINT WriteMdkFailed = 6;            // "Error by writing the mdk-file >>%s<<!"
constexpr UINT WriteMdxFailed = 7;            // "Error by writing the mdx-file >>%s<<!"
constexpr UINT ReadMdaFailed = 8;             // "Error by reading the mda-file >>%s<<!"
constexpr UINT ReadMdkFailed = 9;             // "Error by reading the mdk-file >>%s<<!"
constexpr UINT ReadMdxFailed = 10;            // "Error by reading the mdx-file >>%s<<!"
constexpr UINT WriteException = 11;           // "Big exception by writing file >>%s<<! Please contact your software..."
constexpr UINT InvalidChannelCount = 12;      // "In the file >>%s<< there is a invalid channel! Please compare the..."
constexpr UINT NotCharacteristicFormat = 13;  // "The file >>%s<< has a invalid format! ... *.mdk/ *.mda or *.mdx!"
constexpr UINT CannotOpenFile = 14;           // "The file >>%s<< couldn't be opened!"
constexpr UINT NoMemoryReserve = 15;          // "Not enough memory reserve!"
constexpr UINT UnknownFileFormat = 16;        // "The file >>%s<< has a invalid format! ... *.txt, *.csv or *.out!"
constexpr UINT InvalidChannelPointer = 17;    // "File >>%s<<: There is a invalid pointer of the data array from cha..."
constexpr UINT InvalidDataType = 18;          // "Invalid data type of the data file >>%s<<!"
constexpr UINT OpenDatabaseFailed = 19;       // "Error if opening the database >>%s<<!"
constexpr UINT OpenTableFailed = 20;          // "Error if try to open the table! Please control your table name in..."
constexpr UINT ReadCsvFailed = 21;            // "Error by reading the csv-file >>%s<<!"
constexpr UINT ReadOutFailed = 22;            // "Error by reading the out-file >>%s<<!"
constexpr UINT ReadTypFailed = 23;            // "Error by reading the TYP statement in the file >>%s<<!"
constexpr UINT ReadDimFailed = 24;            // "Error by reading the DIM statement in the file >>%s<<!"
constexpr UINT ReadLenFailed = 25;            // "Error by reading the LEN statement in the file >>%s<<!"
constexpr UINT CreateFileFailed = 26;         // "Error by creating the file >>%s<<."
constexpr UINT IdenticalChannelNames = 27;    // "Error by creating the database >>%s<<. The name of some channels a..."
constexpr UINT BasisChannelIncomplete = 28;   // "The BasisChannel is not defined for all Datapoints."
constexpr UINT ComtradeTooManyChannels = 29;  // "In Comtrade File Format, the maximum Channelnumbers are %i"
constexpr UINT InvalidChannelName = 50;       // "File >>%s<<: There is a invalid channel name!"
constexpr UINT InvalidUnitNumber = 51;        // "File >>%s<<: The unit number of the channel %i is invalid!"
constexpr UINT InvalidChannelNumber = 52;     // "File >>%s<<: The channelnumber %i is invalid!"
constexpr UINT InvalidFileTypePointer = 53;   // "File >>%s<<: Invalid File-typ-pointer! Use standard type "Excel 97"!"
constexpr UINT ChannelNotWritten = 54;        // "File >>%s<<: It couldn't be written into channel %i !"
constexpr UINT ChannelNotRead = 55;           // "File >>%s<<: It couldn't be read from channel %i !"
constexpr UINT MoreChannelsThanDim = 56;      // "File >>%s<<: You define more channels as the dimension (dim:=...)..."
constexpr UINT FewerValuesThanLength = 57;    // "File >>%s<<: You defined the channel lenght bigger than the availa..."
constexpr UINT NoRows = 58;                   // "File >>%s<<: There are no values! The number of rows is 0! If ther..."
constexpr UINT FileNameTooLong = 59;          // "File >>%s<<: The file name is to long. Reduce file name to 31 char..."
///@}

/// File-dialog filters (description|pattern| pairs).
///@{
constexpr UINT FilterExcel = 100;           // "Microsoft Excel (*.xls)|*.xls|"
constexpr UINT FilterAccess = 101;          // "Microsoft Access (*.mdb)|*.mdb|"
constexpr UINT FilterText = 102;            // "Text (*.txt)|*.txt|"
constexpr UINT FilterCharacteristic = 103;  // "Veltranix Characteristic (*.mdx)|*.mdx|VeltranixCharacteristic (*.md..."
constexpr UINT FilterCsv = 104;             // "CSV(*.csv)|*.csv|"
constexpr UINT FilterSpiceOut = 105;        // "Spice(*.out)|*.out|"
constexpr UINT FilterExcel3 = 107;          // "Microsoft Excel 3.0 (*.xls)|*.xls|"
constexpr UINT FilterExcel4 = 108;          // "Microsoft Excel 4.0 (*.xls)|*.xls|"
constexpr UINT FilterExcel5 = 109;          // "Microsoft Excel 5.0 (*.xls)|*.xls|"
constexpr UINT FilterExcel8 = 110;          // "Microsoft Excel 8.0 (*.xls)|*.xls|"
constexpr UINT FilterMdaAscii = 111;        // "Veltranix Characteristic (ASCII)(*.mda/*.mdk)|*.mda;*.mdk|"
constexpr UINT FilterMdaBin4 = 112;         // "Veltranix Characteristic (Bin(4 Byte))(*.mda/*.mdk)|*.mda;*.mdk|"
constexpr UINT FilterMdaBin8 = 113;         // "Veltranix Characteristic (Bin(8 Byte))(*.mda/*.mdk)|*.mda;*.mdk|"
constexpr UINT FilterMdxAscii = 114;        // "Veltranix Characteristic (ASCII) (*.mdx)|*.mdx|"
constexpr UINT FilterMdxBin4 = 115;         // "Veltranix Characteristic (Bin(4 Byte)) (*.mdx)|*.mdx|"
constexpr UINT FilterMdxBin8 = 116;         // "Veltranix Characteristic (Bin(8 Byte)) (*.mdx)|*.mdx|"
constexpr UINT FilterComtradeAscii = 117;   // "Comtrade(Ascii) (*.cfg)|*.cfg|"
constexpr UINT FilterComtradeBinary = 118;  // "Comtrade(Binary) (*.cfg)|*.cfg|"
constexpr UINT FilterComtrade = 119;        // "Comtrade (*.cfg)|*.cfg|"
constexpr UINT FilterMdx = 120;             // "Veltranix Characteristic (*.mdx)|*.mdx|"
constexpr UINT FilterMda = 121;             // "Veltranix Characteristic (*.mda/*.mdk)|*.mda;*.mdk|"
constexpr UINT FilterTekDat = 122;          // "TEK Oscilloscope(*.dat)|*.dat;*.dat|"
///@}

/// N-dimensional characteristic tables.
///@{
constexpr UINT NdimCannotOpen = 201;           // "N-Dim-Table: I can not open the file >>%s<<."
constexpr UINT NdimReadError = 202;            // "N-Dim-Table: file >>%s<< / line %d / Read error."
constexpr UINT NdimNoMemory = 203;             // "N-Dim-Table: file >>%s<< / line %d / Not enough memory."
constexpr UINT NdimInvalidType = 204;          // "N-Dim-Table: file >>%s<< / line %d / Invalid type (>>%s<<)."
constexpr UINT NdimInvalidXDimension = 205;    // "N-Dim-Table: file >>%s<< / line %d / Invalid dimension of X vecto..."
constexpr UINT NdimInvalidYDimension = 206;    // "N-Dim-Table: file >>%s<< / line %d / Invalid dimension of Y vecto..."
constexpr UINT NdimInvalidEnd = 208;           // "N-Dim-Table: file >>%s<< / line %d / Invalid end statement (>>%s<<)."
constexpr UINT NdimInvalidHeader = 209;        // "N-Dim-Table: file >>%s<< / line %d / Invalid header data."
constexpr UINT NdimNoDimension = 210;          // "N-Dim-Table: file >>%s<< / line %d / No dimension before channel..."
constexpr UINT NdimInvalidChannelIndex = 211;  // "N-Dim-Table: file >>%s<< / line %d / Invalid channel index (>>%s<<)."
constexpr UINT NdimInvalidChannelSize = 212;   // "N-Dim-Table: file >>%s<< / line %d / Invalid channel size (>>%s<<)."
constexpr UINT NdimInvalidValue = 213;         // "N-Dim-Table: file >>%s<< / line %d / Invalid value (>>%s<<)."
constexpr UINT NdimTooFewYValues = 214;        // "N-Dim-Table: file >>%s<< / line %d / Too few values in Y vector l..."
constexpr UINT NdimTooFewYLines = 215;         // "N-Dim-Table: file >>%s<< / Too few Y vector lines."
constexpr UINT NdimTooManyXValues = 216;       // "N-Dim-Table: file >>%s<< / line %d / Too many values in X vector..."
constexpr UINT NdimTooManyYValues = 217;       // "N-Dim-Table: file >>%s<< / line %d / Too many values in Y vector..."
constexpr UINT NdimTooManyYLines = 218;        // "N-Dim-Table: file >>%s<< / line %d / Too many Y vector lines (>>%..."
constexpr UINT NdimNoChannelMemory = 219;      // "N-Dim-Table: file >>%s<< / line %d / channel >>%s<< / No channel..."
///@}

/// Clipboard exchange.
///@{
constexpr UINT ClipboardOpenFailed = 500;             // "Error if try to open the clipboard!"
constexpr UINT ClipboardInvalidChannelPointer = 501;  // "There is a invalid pointer of the data array from channel %i!"
constexpr UINT ClipboardInvalidFormat = 502;          // "No valid clipboard data format!"
constexpr UINT ClipboardNoMemory = 503;               // "Not enough memory reserve!"
constexpr UINT ClipboardChannelNotRead = 550;         // "It couldn't be read from channel %i !"
constexpr UINT ClipboardChannelNotWritten = 551;      // "It couldn't be written into channel %i !"
///@}

/// COMTRADE records.
///@{
constexpr UINT ComtradeDateTimeFormat = 552;       // "%d/%m/%y,%H:%M:%S"
constexpr UINT ComtradeInvalidConfigLine = 570;    // "File >>%s<<: The configuration is invalid in line %i."
constexpr UINT ComtradeMissingChannelLines = 571;  // "File >>%s<<: The configuration announces %i channels, but onl..."
constexpr UINT ComtradeCombinedNoConfiguration = 572;  // "File >>%s<<: The combined file holds no configuration sec..."
constexpr UINT ComtradeShortSample = 573;              // "File >>%s<<: Sample %i and maybe later ones hold fewer va..."
constexpr UINT ComtradeCombinedNoData = 574;           // "File >>%s<<: The combined file holds no data section."
constexpr UINT ComtradeStampOutOfRange = 579;          // "File >>%s<<: The time of sample %i and maybe later ones..."
///@}

/// SPICE raw and recorder files; clipboard text.
///@{
constexpr UINT RawFileTruncated = 580;         // "The raw file >>%s<< ends before the %i points its header announces!"
constexpr UINT RawInvalidHeader = 581;         // "The file >>%s<< has no valid raw file header!"
constexpr UINT InvalidSampleCount = 582;       // "File >>%s<<: The number of samples %i is not valid!"
constexpr UINT ClipboardNoCompleteLine = 583;  // "The clipboard text holds no complete line!"
///@}

/// Windows: the pin entry of a resizing window's context menu.
constexpr UINT KeepOnTop = 4492;  // "&Keep on top"

/// Crash reports and help files.
///@{
constexpr UINT CrashReportRequest = 5506;  // "<p><b>Please tell us about this problem.</b></p>..."
constexpr UINT CrashReportProblem = 5507;  // "<p><b>%s has encountered a problem and needs to close.</b></p>..."
constexpr UINT CrashDumpFile = 5508;       // "Crash Dump"
constexpr UINT CrashLogFile = 5509;        // "Crash Log"
constexpr UINT ZipFilesFilter = 5511;      // "Zip Files (*.zip)"
constexpr UINT CrashReportSubject = 5512;  // "Crash Report - %s!"
constexpr UINT HelpFileNotFound = 5531;    // "Cannot find the %s file. Check to see that the file exists on your VE..."
///@}

}  // namespace TBMsg
