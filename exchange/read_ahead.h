// Reading a binary block of a file ahead of its decoding. Copying the bytes out of the
// page cache and decoding them into the host's storage each take about as long as the
// other for a large record; done one after the other they double the time a single
// fread takes. So a second thread reads the next block while the caller decodes the
// one before: the two overlap on two cores. Small reads stay on the caller's thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace tb_exchange {

class ReadAhead {
public:
    /// Reads up to totalBytes from where file stands, in blocks of blockBytes (the last
    /// one shorter). The file must not be touched by anyone else until this is gone.
    ReadAhead(std::FILE* file, std::size_t blockBytes, std::size_t totalBytes);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    /// The next block: its bytes stay valid until the next call. Returns how many there
    /// are: fewer than a whole block only at the end of the file, the end of totalBytes
    /// or a read error, and 0 after that.
    std::size_t Next(const unsigned char*& data);
    /// True when the file could not be read (as ferror tells).
    bool Failed() const { return m_failed; }

private:
    struct Block {
        std::vector<unsigned char> bytes;
        std::size_t size = 0;
        bool full = false;
    };
    std::size_t ReadBlock(Block& block);
    void Run();

    std::FILE* m_file;
    std::size_t m_blockBytes;
    std::size_t m_left;  // bytes still to read
    Block m_blocks[2];
    int m_current = -1;    // the block the caller holds
    bool m_ended = false;  // the last block is read (kept by whichever thread reads)
    bool m_failed = false;
    bool m_stop = false;      // the owner is going: the reading thread stops
    bool m_finished = false;  // the reading thread has read its last block
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
};

}  // namespace tb_exchange
