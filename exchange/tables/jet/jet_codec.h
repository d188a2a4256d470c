// How Jet databases store text, and the mask over their header: shared by the
// structural reader (jet_file) and the Jet 4 writer (jet4_writer).
#pragma once

#include <cstdint>
#include <string>

/// Applies (or removes: the mask is its own inverse) the RC4 keystream every Jet
/// database puts over the fields of its definition page from offset 0x18.
void TBJetMaskHeader(std::uint8_t* data, int length);

/// Decodes a Jet 3 text value (Windows-1252) to UTF-8.
std::string TBJet3DecodeText(const std::uint8_t* data, int size);

/// Decodes a Jet 4 text value (compressed or plain UTF-16LE) to UTF-8.
std::string TBJet4DecodeText(const std::uint8_t* data, int size);

/// Converts UTF-8 to UTF-16 (invalid bytes become U+FFFD).
std::u16string TBUtf8ToUtf16(const std::string& utf8);

/// text as little-endian UCS-2 bytes (column names of a table definition).
std::string TBJetUtf16Bytes(const std::u16string& text);

/// Encodes text the way a Jet 4 text or memo value is stored: the compressed form
/// (0xFF 0xFE, then one byte per character, switching to two-byte runs where needed)
/// when that is shorter, plain little-endian UCS-2 otherwise.
std::string TBJet4EncodeText(const std::u16string& text);
