// XXencode codec: the fixed texts of the line format, the file and memory forms against
// each other, malformed text, and agreement with uudeview's encoder and decoder.
#include <toolbox/services/xxcode.h>
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>
#include <string>

using namespace tbtest;

namespace {

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 engine(seed);
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>(engine() & 0xff);
    return bytes;
}

std::string EncodeMemory(const std::string& bytes) {
    CTBXXCode codec;
    std::string copy = bytes;
    return codec.xxe_Encode(reinterpret_cast<unsigned char*>(&copy[0]), static_cast<long>(copy.size())).str();
}

std::string DecodeMemory(const std::string& text, long* reserved = nullptr) {
    CTBXXCode codec;
    long length = -1;
    unsigned char* data = nullptr;
    EXPECT_EQ(codec.xxe_Decode(text.c_str(), length, data), 1);
    std::unique_ptr<unsigned char[]> owner(data);
    if (reserved) *reserved = static_cast<long>(text.size() / 4 * 3);
    EXPECT_TRUE(data != nullptr);
    return std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
}

/// A temporary stream holding bytes, positioned at its start.
FILE* StreamOf(const std::string& bytes) {
    FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
}

std::string ContentOf(FILE* f) {
    std::rewind(f);
    std::string bytes;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
    return bytes;
}

/// What write(in, out) puts into a temporary stream; in holds input.
template <class Write>
std::string Through(const std::string& input, Write write) {
    FILE* in = StreamOf(input);
    FILE* out = std::tmpfile();
    write(in, out);
    std::string bytes = ContentOf(out);
    std::fclose(in);
    std::fclose(out);
    return bytes;
}

std::string EncodeFile(const std::string& bytes) {
    return Through(bytes, [](FILE* in, FILE* out) { EXPECT_EQ(CTBXXCode().xxe_EncodeFileToFile(in, out), 1); });
}
std::string DecodeFile(const std::string& text) {
    return Through(text, [](FILE* in, FILE* out) { EXPECT_EQ(CTBXXCode().xxe_DecodeFileToFile(in, out), 1); });
}
std::string DecodeStringToFile(const std::string& text) {
    return Through("", [&](FILE*, FILE* out) { EXPECT_EQ(CTBXXCode().xxe_DecodeCStringToFile(text.c_str(), out), 1); });
}

/// Splits the continuous text into its lines by their length characters.
std::string WithLineBreaks(const std::string& text) {
    const std::string alphabet = "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::string lines;
    for (size_t pos = 0; pos < text.size();) {
        size_t count = alphabet.find(text[pos]);
        size_t length = 1 + 4 * ((count + 2) / 3);
        lines += text.substr(pos, length) + "\n";
        pos += length;
    }
    return lines;
}

}  // namespace

TEST(XXCodeFormat, FixedTextsAndOneResultStringForAllInstances) {
    EXPECT_EQ(EncodeMemory("abc"), "1MK7X+");
    EXPECT_EQ(EncodeMemory(""), "+");
    // The file form writes the end line only when the input ends on a line boundary.
    EXPECT_EQ(EncodeFile(""), "+");
    EXPECT_EQ(EncodeFile("abc"), "1MK7X");
    EXPECT_EQ(EncodeFile(std::string(90, 'x')), EncodeMemory(std::string(90, 'x')));
    EXPECT_EQ(DecodeMemory("+"), "");
    EXPECT_EQ(DecodeMemory(""), "");
    EXPECT_EQ(DecodeMemory("1MK7X+"), "abc");

    std::string text = EncodeMemory(std::string(46, 'x'));
    ASSERT_EQ(text.size(), 1u + 15 * 4 + 1 + 4 + 1);
    EXPECT_EQ(text[0], 'h');
    EXPECT_EQ(text[61], '-');
    EXPECT_EQ(text.back(), '+');
    EXPECT_EQ(DecodeMemory(text), std::string(46, 'x'));

    // The result string is one for all instances: the second encoding replaces the first.
    CTBXXCode first, second;
    unsigned char abc[] = {'a', 'b', 'c'};
    const CString& one = first.xxe_Encode(abc, 3);
    const CString& two = second.xxe_Encode(abc, 0);
    EXPECT_EQ(&one, &two);
    EXPECT_EQ(one, "+");
}

TEST(XXCodeFormat, ShortLastLinesDecodeToTheirExactLength) {
    for (size_t size = 1; size <= 100; ++size) {
        std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
        std::string text = EncodeMemory(bytes);
        EXPECT_EQ(DecodeMemory(text), bytes) << size;
        EXPECT_EQ(DecodeStringToFile(text), bytes) << size;
        EXPECT_EQ(DecodeFile(text), bytes) << size;
    }
}

TEST(XXCodeFiles, InputAlreadyAtItsEndGivesNothing) {
    CTBXXCode codec;
    FILE* in = StreamOf("abc");
    char buffer[8];
    EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, in), 3u);
    ASSERT_TRUE(std::feof(in));
    FILE* out = std::tmpfile();
    EXPECT_EQ(codec.xxe_EncodeFileToFile(in, out), 1);
    EXPECT_EQ(ContentOf(out), "");
    EXPECT_EQ(codec.xxe_EncodeFileToString(in), "");
    std::fclose(in);
    std::fclose(out);
}

TEST(XXCodeFiles, LargeInputsRoundTripAcrossBlockBoundaries) {
    // Several megabytes: lines straddle the blocks the file forms read.
    for (size_t size : {size_t(3 * 1024 * 1024 + 17), size_t(92160 * 3)}) {
        std::string bytes = RandomBytes(size, 11);
        std::string memoryText = EncodeMemory(bytes);
        std::string fileText = EncodeFile(bytes);
        CTBXXCode codec;
        FILE* in = StreamOf(bytes);
        std::string stringText = codec.xxe_EncodeFileToString(in).str();
        std::fclose(in);
        EXPECT_EQ(fileText, stringText);
        EXPECT_EQ(size % 45 == 0 ? fileText : fileText + "+", memoryText);
        EXPECT_EQ(DecodeFile(fileText), bytes);
        EXPECT_EQ(DecodeMemory(memoryText), bytes);
        EXPECT_EQ(DecodeStringToFile(memoryText), bytes);
    }
}

TEST(XXCodeMalformed, DecodingStopsAtTheFirstZeroLength) {
    EXPECT_EQ(DecodeMemory("1MK7X+1MK7X"), "abc");
    // A character outside the alphabet decodes as 0: as a length it ends the text...
    EXPECT_EQ(DecodeMemory("1MK7X\n1MK7X"), "abc");
    EXPECT_EQ(DecodeFile("1MK7X*1MK7X"), "abc");
    // ... and inside a group it stands for "+".
    EXPECT_EQ(DecodeMemory("1MK7*"), DecodeMemory("1MK7+"));
    // Characters are looked up by their low 7 bits.
    std::string high = "1MK7X";
    high[1] = static_cast<char>('M' | 0x80);
    EXPECT_EQ(DecodeMemory(high), "abc");
}

TEST(XXCodeMalformed, LinesRunningPastTheEndYieldTheirCompleteGroups) {
    std::string line = EncodeMemory(RandomBytes(45, 3));
    std::string bytes = RandomBytes(45, 3);
    for (size_t cut = 0; cut <= 61; ++cut) {
        std::string text = line.substr(0, cut);
        size_t groups = cut > 0 ? (cut - 1) / 4 : 0;
        std::string expected = bytes.substr(0, groups * 3);
        long reserved = 0;
        EXPECT_EQ(DecodeMemory(text, &reserved), expected) << cut;
        EXPECT_LE(static_cast<long>(expected.size()), reserved);
        EXPECT_EQ(DecodeFile(text), expected) << cut;
        EXPECT_EQ(DecodeStringToFile(text), expected) << cut;
    }
    // Length characters beyond 45 (up to "z", 63) are taken as they stand.
    std::string text = "z" + std::string(84, 'A');
    EXPECT_EQ(DecodeMemory(text).size(), 63u);
    EXPECT_EQ(DecodeMemory("z" + std::string(83, 'A')).size(), 60u);
}

TEST(XXCodeMalformed, NullArgumentsAreRefused) {
    CTBXXCode codec;
    long length = 5;
    unsigned char* data = reinterpret_cast<unsigned char*>(&length);
    EXPECT_EQ(codec.xxe_Decode(nullptr, length, data), 0);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(codec.xxe_DecodeCStringToFile(nullptr, stdout), 0);
    EXPECT_EQ(codec.xxe_DecodeCStringToFile("+", nullptr), 0);
    EXPECT_EQ(codec.xxe_EncodeFileToFile(nullptr, stdout), 0);
    EXPECT_EQ(codec.xxe_DecodeFileToFile(stdin, nullptr), 0);
    EXPECT_EQ(codec.xxe_EncodeFileToString(nullptr), "");
    EXPECT_EQ(codec.xxe_Encode(nullptr, 3), "");
    unsigned char abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(codec.xxe_Encode(abc, -1), "");
    EXPECT_EQ(codec.xxe_Encode(nullptr, 0), "+");
    // Text longer than a string can hold is refused before any byte is read.
    EXPECT_EQ(codec.xxe_Encode(abc, 2000000000L), "");
    EXPECT_EQ(codec.xxe_Encode(abc, 0x7fffffffffffffffL), "");
}

namespace {
class GroupCodec : public CTBXXCode {
public:
    using CTBXXCode::outdecBuffer;
    using CTBXXCode::outdecString;
    using CTBXXCode::outencString;
};
}  // namespace

TEST(XXCodeGroups, OneGroupEachWay) {
    GroupCodec codec;
    const unsigned char abc[] = {'a', 'b', 'c'};
    CString text;
    codec.outencString(abc, text);
    EXPECT_EQ(text, "MK7X");
    CString bytes;
    codec.outdecString("MK7X", 2, bytes);
    EXPECT_EQ(bytes, "ab");
    unsigned char buffer[4] = {0, 0, 0, 0x55};
    codec.outdecBuffer("MK7X", 45, buffer);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), "abc");
    EXPECT_EQ(buffer[3], 0x55);
}

TEST(XXCodeUudeview, SameLinesAsUuenview) {
    TBTEST_REQUIRE_PROGRAM("uudeview");
    TBTEST_REQUIRE_PROGRAM("uuenview");
    ScratchDir dir;
    for (size_t size : {316, 317, 318, 450, 1000, 45 * 100, 100000}) {
        std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
        WriteFile(dir.File("in.bin"), bytes);
        ASSERT_EQ(std::system(("cd '" + dir.Path() + "' && uuenview -x in.bin > in.xx").c_str()), 0);
        // uuenview writes the mail form: "begin" line, one encoded line per line, "end".
        std::istringstream mail(ReadFile(dir.File("in.xx")));
        std::string joined, line;
        while (std::getline(mail, line)) {
            if (line.rfind("begin ", 0) == 0 || line == "end" || line.empty()) continue;
            joined += line;
        }
        EXPECT_EQ(EncodeMemory(bytes), joined) << size;
        EXPECT_EQ(DecodeMemory(joined), bytes) << size;
    }
}

TEST(XXCodeUudeview, UudeviewDecodesOurText) {
    TBTEST_REQUIRE_PROGRAM("uudeview");
    TBTEST_REQUIRE_PROGRAM("uuenview");
    ScratchDir dir;
    for (size_t size : {316, 319, 4500, 65537}) {
        std::string bytes = RandomBytes(size, static_cast<unsigned>(size) * 3);
        for (bool fromFile : {false, true}) {
            std::string text = fromFile ? EncodeFile(bytes) : EncodeMemory(bytes);
            // The mail form always closes with the "+" line (uudeview insists on it); the
            // file form leaves it out after a short last line.
            if (fromFile && size % 45 != 0) text += "+";
            WriteFile(dir.File("our.xx"), "begin 644 out.bin\n" + WithLineBreaks(text) + "end\n");
            std::remove(dir.File("out.bin").c_str());
            ASSERT_EQ(std::system(("uudeview -i -o -q -p '" + dir.Path() + "/' '" + dir.File("our.xx") + "'").c_str()),
                      0);
            EXPECT_EQ(ReadFile(dir.File("out.bin")), bytes) << size << (fromFile ? " file" : " memory");
        }
    }
}
