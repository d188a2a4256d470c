#include "exchange/read_ahead.h"

#include <system_error>

namespace tb_exchange {

namespace {
// Below this a second thread costs more than it saves.
constexpr std::size_t kThreadedBytes = std::size_t(4) << 20;
}  // namespace

ReadAhead::ReadAhead(std::FILE* file, std::size_t blockBytes, std::size_t totalBytes)
    : m_file(file), m_blockBytes(blockBytes > 0 ? blockBytes : 1), m_left(totalBytes) {
    if (totalBytes < kThreadedBytes) return;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread to be had: the blocks are read on the caller's thread.
    }
}

ReadAhead::~ReadAhead() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

// Reads the next block into block, sized on first use (on whichever thread reads);
// sets m_ended at the end.
std::size_t ReadAhead::ReadBlock(Block& block) {
    const std::size_t wanted = m_left < m_blockBytes ? m_left : m_blockBytes;
    if (block.bytes.size() < wanted) block.bytes.resize(wanted);
    const std::size_t got = wanted > 0 ? std::fread(block.bytes.data(), 1, wanted, m_file) : 0;
    m_left -= got;
    if (got < wanted && std::ferror(m_file)) m_failed = true;
    if (got < wanted || m_left == 0) m_ended = true;
    return got;
}

void ReadAhead::Run() {
    for (int next = 0;; next ^= 1) {
        Block& block = m_blocks[next];
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stop || !block.full; });
            if (m_stop) return;
        }
        // The block is empty and the caller does not hold it: it is this thread's alone.
        const std::size_t got = ReadBlock(block);
        const bool ended = m_ended;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            block.size = got;
            block.full = true;
            m_finished = ended;
        }
        m_changed.notify_all();
        if (ended) return;
    }
}

std::size_t ReadAhead::Next(const unsigned char*& data) {
    if (!m_thread.joinable()) {
        if (m_ended) return 0;
        const std::size_t got = ReadBlock(m_blocks[0]);
        data = m_blocks[0].bytes.data();
        return got;
    }
    const int next = m_current < 0 ? 0 : (m_current ^ 1);
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_current >= 0) {
        // The caller is done with the block it held: the reading thread may refill it.
        m_blocks[m_current].full = false;
        m_blocks[m_current].size = 0;
        m_changed.notify_all();
    }
    Block& block = m_blocks[next];
    // After the last block the reading thread has ended and nothing more comes.
    m_changed.wait(lock, [&] { return block.full || m_finished; });
    if (!block.full) return 0;
    m_current = next;
    data = block.bytes.data();
    return block.size;
}

}  // namespace tb_exchange
