/// \file
/// \brief XXencode: arbitrary bytes as printable text and back.
// XXencode: arbitrary bytes as printable text and back. The text is a continuous
// stream of lines without line breaks and without "begin"/"end" lines: each line is
// one length character (the alphabet character of its byte count, 0 to 45) followed
// by four characters per three bytes; a line of length 0 ("+") ends the stream.
#pragma once

#include <toolbox/types/cstring.h>

#include <cstdio>

/// The codec. The encoders that produce a string all write into one result string
/// shared by every CTBXXCode of the process (valid until the next such call); the
/// codec is not meant to be used from several threads at once.
class TB_EXPORT CTBXXCode {
public:
    CTBXXCode() = default;
    virtual ~CTBXXCode() = default;

    /// Encodes the rest of the binary stream in into out. Input already at its end
    /// gives nothing; input whose length is a multiple of 45 (also an empty one) ends
    /// with the "+" line, any other ends with its last short line. Returns 1, or 0
    /// when a stream is null or reading or writing fails.
    int xxe_EncodeFileToFile(FILE* in, FILE* out);
    /// Decodes the text stream in into out; stops at the first length character that
    /// decodes to 0 (the "+" end line, or any character outside the alphabet) or at
    /// the end of the text. A line cut short by the end of the text yields the bytes
    /// of its complete groups. Returns 1, or 0 when a stream is null or I/O fails.
    int xxe_DecodeFileToFile(FILE* in, FILE* out);
    /// Encodes the rest of the binary stream in (file rules as above) into the shared
    /// result string. The string is empty when in is null, reading fails or the text
    /// would exceed the largest string length.
    const CString& xxe_EncodeFileToString(FILE* in);
    /// Decodes the zero-terminated text into out. Returns 1, or 0 when an argument is
    /// null or writing fails.
    int xxe_DecodeCStringToFile(const char* text, FILE* out);
    /// Encodes length bytes: lines of 45 bytes, a last shorter line, then always the
    /// "+" end line ("abc" gives "1MK7X+", nothing gives "+"). The result lives in the
    /// shared result string; it is empty for null data, a negative length, or text
    /// that would exceed the largest string length.
    const CString& xxe_Encode(unsigned char* data, long length);
    /// Decodes the zero-terminated text into a new buffer of strlen(text) / 4 * 3 bytes
    /// (release it with delete[]); length receives the number of bytes produced.
    /// Returns 1; 0 with data null and length 0 when text is null or memory is short.
    int xxe_Decode(const char* text, long& length, unsigned char*& data);

protected:
    // One group: three bytes to four characters, or four characters to up to three
    // bytes (count says how many of the line's bytes are still due, at most 3 written).
    /// Encodes three bytes as four characters to out.
    void outencFile(const unsigned char* group, FILE* out);
    /// Appends the four characters of three bytes to text.
    void outencString(const unsigned char* group, CString& text);
    /// Appends the four characters of three bytes to the shared result string.
    void outencString(const unsigned char* group);
    /// Decodes four characters and writes count (at most 3) bytes to out.
    void outdecFile(const char* chars, int count, FILE* out);
    /// Decodes four characters and appends count (at most 3) bytes to bytes.
    void outdecString(const char* chars, int count, CString& bytes);
    /// Decodes four characters into count (at most 3) bytes at buffer.
    void outdecBuffer(const char* chars, int count, unsigned char* buffer);

    /// The shared result string of the string-producing encoders.
    static CString& ResultString();
};
