// The block reader of large binary reads: on the caller's thread below a few megabytes,
// on a second thread above; both must hand out exactly the file's bytes, in order, no
// more than asked for, end cleanly at a short file, and let their owner go early.
#include "exchange/read_ahead.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t k = 0; k < size; ++k) bytes[k] = static_cast<char>((k * 131 + k / 4093) & 0xFF);
    return bytes;
}

// Every block Next hands out, joined; also checks that none is longer than a block and
// that only the last one is short.
std::string ReadAll(const std::string& path, std::size_t block, std::size_t total) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::string joined;
    {
        tb_exchange::ReadAhead ahead(file, block, total);
        const unsigned char* data = nullptr;
        bool shortSeen = false;
        for (std::size_t got; (got = ahead.Next(data)) > 0;) {
            EXPECT_FALSE(shortSeen) << "a short block before the last";
            EXPECT_LE(got, block);
            shortSeen = got < block;
            joined.append(reinterpret_cast<const char*>(data), got);
        }
        EXPECT_EQ(ahead.Next(data), 0u);  // and stays at the end
        EXPECT_FALSE(ahead.Failed());
    }
    std::fclose(file);
    return joined;
}

}  // namespace

TEST(ReadAhead, HandsOutTheFileInOrderUpToWhatIsAskedOrThere) {
    tbtest::ScratchDir dir;
    const std::string bytes = Pattern((std::size_t(9) << 20) + 12345);  // past the threaded size
    tbtest::WriteFile(dir / "f.bin", bytes);
    const std::size_t size = bytes.size();
    const struct {
        std::size_t block, total;
    } cases[] = {
        {1 << 20, size},           // threaded, a short last block
        {1 << 20, size + 999},     // asks for more than the file holds
        {1 << 20, 5u << 20},       // threaded, stops at what is asked
        {1000, 1 << 20},           // on the caller's thread
        {4096, size},              // many small blocks, threaded
        {size * 2, size},          // one block larger than the file
        {1 << 20, 0},              // nothing asked for
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.block) + " / " + std::to_string(c.total));
        EXPECT_EQ(ReadAll(dir / "f.bin", c.block, c.total), bytes.substr(0, c.total < size ? c.total : size));
    }
    // An owner that stops after one block lets the reading thread go without a hang.
    std::FILE* file = std::fopen((dir / "f.bin").c_str(), "rb");
    {
        tb_exchange::ReadAhead ahead(file, 1 << 16, size);
        const unsigned char* data = nullptr;
        ASSERT_EQ(ahead.Next(data), std::size_t(1) << 16);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), 16), bytes.substr(0, 16));
    }
    std::fclose(file);
}
