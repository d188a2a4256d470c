// Storing read values into a channel's host storage. One value at a time for the
// line-oriented readers (SPICE listings and raw files, recorder files, clipboard text):
// a double block is written at row only while row < limit (the engine's NrItems, the
// size the host allocated); arrays grow to row + 1 when shorter. Whole blocks for the
// binary readers (.mdx, COMTRADE): arrays sized once, large output streamed.
#pragma once

#include <toolbox/exchange/channel.h>
#include <toolbox/types/types.h>

#include <cstddef>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tb_exchange {

/// Storage far larger than the caches is written around them (non-temporal stores):
/// nothing reads it during the read, and ordinary stores would first fetch every cache
/// line they fill, doubling the memory traffic that bounds a large read.
constexpr std::size_t kStreamingBytes = std::size_t(64) << 20;

/// Writes value to out, around the caches when Stream. A reader that streams ends with
/// EndStreaming, so that the values are in memory before the host reads them.
template <bool Stream>
inline void PutValue(double* out, double value) {
#if defined(__x86_64__)
    if constexpr (Stream) {
        long long bits;
        std::memcpy(&bits, &value, sizeof bits);
        _mm_stream_si64(reinterpret_cast<long long*>(out), bits);
        return;
    }
#endif
    *out = value;
}

/// Orders the streamed stores before whatever follows.
inline void EndStreaming() {
#if defined(__x86_64__)
    _mm_sfence();
#endif
}

/// Which of its four storages a channel keeps its values in, and that storage: the first
/// the channel has in the order raw block, double array, string array, variant array
/// (a channel normally has one). Every reader and writer decides by this.
struct ChannelStorage {
    enum Kind { Missing, None, Block, Doubles, Strings, Variants } kind = Missing;  ///< Missing: no channel
    double* block = nullptr;
    CArray<double, double>* doubles = nullptr;
    CStringArray* strings = nullptr;
    CArray<COleVariant, COleVariant>* variants = nullptr;
};

/// The storage of channel (kind Missing for a null channel, None for one without storage).
inline ChannelStorage StorageOf(const CExImPortChannel* channel) {
    ChannelStorage s;
    if (!channel) return s;
    if ((s.block = channel->GetDoublePtr()))
        s.kind = ChannelStorage::Block;
    else if ((s.doubles = channel->GetDoubleArray()))
        s.kind = ChannelStorage::Doubles;
    else if ((s.strings = channel->GetStringArray()))
        s.kind = ChannelStorage::Strings;
    else if ((s.variants = channel->GetVariantArray()))
        s.kind = ChannelStorage::Variants;
    else
        s.kind = ChannelStorage::None;
    return s;
}

/// Stores value (and text for string and variant storage) at row. False when the
/// channel has no storage at all.
inline bool StoreChannelValue(CExImPortChannel& channel, int row, int limit, double value, const CString& text) {
    if (row < 0) return true;
    const ChannelStorage s = StorageOf(&channel);
    switch (s.kind) {
        case ChannelStorage::Block:
            if (row < limit) s.block[row] = value;
            return true;
        case ChannelStorage::Doubles: s.doubles->SetAtGrow(row, value); return true;
        case ChannelStorage::Strings: s.strings->SetAtGrow(row, text); return true;
        case ChannelStorage::Variants: s.variants->SetAtGrow(row, COleVariant(text)); return true;
        default: return false;
    }
}

/// Sizes a host's double array once for a read of count values that the reader will
/// write one after the other (it is trimmed to what was read afterwards), so that no
/// growth copies the values. The new elements are not zeroed first: every one the
/// trimmed array keeps is written by the read. Returns the elements.
inline double* SizeArrayForRead(CArray<double, double>& array, int count) {
    if (array.GetSize() < count) array.SetSizeForOverwrite(count);
    return array.GetData();
}

/// True when the channel keeps text (string or variant storage) rather than doubles.
inline bool ChannelWantsText(const CExImPortChannel& channel) {
    const ChannelStorage::Kind kind = StorageOf(&channel).kind;
    return kind == ChannelStorage::Strings || kind == ChannelStorage::Variants;
}

}  // namespace tb_exchange
