// COMTRADE records: the data file (.dat) in text (ASCII) and binary form (BINARY with
// 2-byte samples, BINARY32 with 4-byte integers, FLOAT32 with 4-byte floats), its
// continuation files .d00 to .d99 and the data section of a combined .cff file.
#include "exchange/comtrade/comtrade.h"
#include "exchange/format_state.h"
#include "exchange/format_table.h"
#include "exchange/read_ahead.h"
#include "platform/types/byte_order.h"
#include "exchange/text/delimited_text.h"
#include "exchange/value_convert.h"
#include "exchange/value_store.h"
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/services/numbers.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tb_comtrade {

RecordLayout& Layout(CReadAndWriteFileFunction& engine) { return tb_exchange::FormatState<RecordLayout>(engine); }

double VariantNumber(const COleVariant& value) { return tb_exchange::VariantNumberThroughText(value); }

bool ChannelValue(const CExImPortChannel& channel, int k, double& value) {
    const tb_exchange::ChannelStorage s = tb_exchange::StorageOf(&channel);
    if (k < 0) return false;
    switch (s.kind) {
        case tb_exchange::ChannelStorage::Block: value = s.block[k]; return true;
        case tb_exchange::ChannelStorage::Doubles:
            if (k >= s.doubles->GetSize()) return false;
            value = s.doubles->GetAt(k);
            return true;
        case tb_exchange::ChannelStorage::Strings:
            if (k >= s.strings->GetSize()) return false;
            value = TBExtended_atof(s.strings->GetAt(k), "");
            return true;
        case tb_exchange::ChannelStorage::Variants:
            if (k >= s.variants->GetSize()) return false;
            value = VariantNumber(s.variants->GetAt(k));
            return true;
        default: return false;
    }
}

}  // namespace tb_comtrade

namespace {

constexpr std::size_t kBlockSize = 1 << 20;

/// Where the samples of one channel go: the first store of the channel. A raw block
/// holds NrItems values; nothing is written beyond it. A double array is written
/// through values as well once Prepare has sized it, and grows past that only when a
/// file holds more samples than expected.
struct Sink {
    double* block = nullptr;
    CArray<double, double>* doubles = nullptr;
    CStringArray* strings = nullptr;
    CArray<COleVariant, COleVariant>* variants = nullptr;
    double* values = nullptr;  // the raw block or the array's elements
    int limit = 0;             // how many values may be written through values
    int filled = 0;            // values stored so far (the array's length after the read)
    int kept = 0;              // the array's length before the read

    Sink(const CExImPortChannel* channel, int blockSize) {
        const tb_exchange::ChannelStorage s = tb_exchange::StorageOf(channel);
        block = s.block;
        doubles = s.doubles;
        strings = s.strings;
        variants = s.variants;
        if (block) {
            values = block;
            limit = blockSize;
        }
        if (doubles) kept = doubles->GetSize();
    }
    bool Present() const { return block || doubles || strings || variants; }

    /// Sizes the array once for count samples, so that no growth copies them.
    void Prepare(int count) {
        if (!doubles) return;
        values = tb_exchange::SizeArrayForRead(*doubles, count);
        limit = doubles->GetSize();
    }
    /// The array as long as the samples stored (or as it was, when it was longer).
    void Finish() {
        if (doubles) doubles->SetSize(filled > kept ? filled : kept);
    }
    /// How many of count samples from first on go through values.
    int Direct(int first, int count) const {
        const int room = limit - first;
        return room <= 0 ? 0 : (room < count ? room : count);
    }
    void Stored(int end) {
        if (end > filled) filled = end;
    }

    void Store(int index, double value) {
        if (index < limit) {
            values[index] = value;
            Stored(index + 1);
        } else if (block) {
            return;  // beyond the raw block: nowhere to go
        } else if (doubles) {
            doubles->SetAtGrow(index, value);
            values = doubles->GetData();
            limit = doubles->GetSize();
            Stored(index + 1);
        } else if (strings) {
            strings->SetAtGrow(index, TBExtended_ftoa(value, -1, 0, ""));
        } else if (variants) {
            variants->SetAtGrow(index, COleVariant(TBExtended_ftoa(value, -1, 0, "")));
        }
    }
};

/// Reads a text data file block by block, line by line.
class BlockReader {
public:
    explicit BlockReader(FILE* file) : m_file(file), m_buffer(kBlockSize) {}

    /// The next line without its LF (and CR); false at the end of the file.
    bool NextLine(std::string_view& line) {
        for (;;) {
            const char* start = m_buffer.data() + m_begin;
            const void* lf = std::memchr(start, '\n', m_end - m_begin);
            if (lf) {
                const std::size_t length = static_cast<const char*>(lf) - start;
                line = std::string_view(start, length);
                m_begin += length + 1;
                if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
                return true;
            }
            if (m_eof) {
                if (m_begin == m_end) return false;
                line = std::string_view(start, m_end - m_begin);
                m_begin = m_end;
                if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
                return true;
            }
            if (m_begin == 0 && m_end == m_buffer.size()) m_buffer.resize(m_buffer.size() * 2);
            Refill();
        }
    }

private:
    void Refill() {
        if (m_begin > 0) {
            std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
            m_end -= m_begin;
            m_begin = 0;
        }
        const std::size_t got = std::fread(m_buffer.data() + m_end, 1, m_buffer.size() - m_end, m_file);
        m_end += got;
        if (got == 0) m_eof = true;
    }

    FILE* m_file;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_eof = false;
};

using tb_bytes::LoadI16;
using tb_bytes::LoadU16;
using tb_bytes::LoadU32;

/// The running state of one read across the data file and its continuation files.
class SampleReader {
public:
    explicit SampleReader(CReadAndWriteFileFunction& e) : m_e(e), m_layout(tb_comtrade::Layout(e)), m_point(".") {
        m_digital = e.ConfigChannelCount - 1 - e.AnalogCount;
        if (m_digital < 0) m_digital = 0;
        for (int i = 0; i < e.NrChannels; ++i) m_sinks.emplace_back(e.GetChannel(i), e.NrItems);
        m_useRates = e.SampleRates.GetSize() > 0 && e.SampleRates[0] != 0.0;
        m_lastEnd = e.EndSamples.GetSize() > 0 ? e.EndSamples[e.EndSamples.GetSize() - 1] : 0;
        m_missingText = m_layout.revision >= 2013;
        const int analog = e.AnalogCount;
        m_factor.resize(analog);
        for (int i = 0; i < analog; ++i) {
            m_factor[i].a = i < e.Multipliers.GetSize() ? e.Multipliers[i] : 1.0;
            m_factor[i].b = i < e.Offsets.GetSize() ? e.Offsets[i] : 0.0;
            m_factor[i].f = i < e.PrefixFactors.GetSize() ? e.PrefixFactors[i] : 1.0;
        }
    }

    int Run();

    struct Scale {
        double a, b, f;
    };

private:
    bool Time(double stamp, bool stampPresent, double& time);
    /// Times of up to count samples from the sample rates, as Time computes them, into
    /// times; stops where Time has more to judge (a rate that is no rate, samples
    /// beyond the last segment). Returns how many it wrote.
    int TimesFromRates(double* times, int count);
    bool ReadTextFile(BlockReader& reader, const CString& name);
    bool ReadBinaryFile(FILE* file, const CString& name);
    /// Analog and digital values of count records from sample first on.
    template <bool Stream>
    void DecodeRecords(const unsigned char* records, std::size_t recordSize, int first, int count);
    bool StoreDerived();
    /// The data file (part -1) or continuation file part.
    CString DataFileName(int part) const;
    /// Samples the data file and its continuation files can hold, at most NrItems.
    int SamplesTheFilesHold() const;
    /// Reads the data file and as many continuation files as needed; false on error.
    bool ReadFiles(bool& warnings, bool& complete);
    /// The record holds fewer samples than announced and nothing follows: warns and
    /// makes the item count the samples present, so that no zero rows pass for data.
    void EndEarly(const CString& name);
    int SampleCount() const { return m_k - 1; }

    CReadAndWriteFileFunction& m_e;
    const tb_comtrade::RecordLayout m_layout;
    tb_exchange::DecimalSymbol m_point;
    std::vector<Sink> m_sinks;
    std::vector<Scale> m_factor;
    int m_digital = 0;
    bool m_useRates = false;
    bool m_missingText = false;
    int m_lastEnd = 0;
    int m_k = 1;  // number of the next sample
    int m_rateIndex = 0;
    double m_time = 0.0;
    bool m_warned = false;
};

bool SampleReader::Time(double stamp, bool stampPresent, double& time) {
    if (m_useRates) {
        if (m_k > m_lastEnd) {
            m_e.SetError(TBLoadString(TBMsg::BasisChannelIncomplete), TB_EXCHANGE_FILE_ERROR);
            return false;
        }
        while (m_rateIndex < m_e.EndSamples.GetSize() - 1 && m_e.EndSamples[m_rateIndex] < m_k) ++m_rateIndex;
        const double rate = m_e.SampleRates[m_rateIndex];
        if (m_k == 1)
            m_time = 0.0;
        else if (rate > 0.0 && std::isfinite(rate))
            m_time += 1.0 / rate;
        else
            m_time = stampPresent ? stamp * m_e.TimeMultiplier * 1e-6 : m_time;
    } else {
        m_time = stamp * m_e.TimeMultiplier * 1e-6 + m_layout.timeOrigin;
    }
    time = m_time;
    return true;
}

int SampleReader::TimesFromRates(double* times, int count) {
    const int segments = m_e.EndSamples.GetSize();
    int done = 0;
    while (done < count && m_k <= m_lastEnd) {
        while (m_rateIndex < segments - 1 && m_e.EndSamples[m_rateIndex] < m_k) ++m_rateIndex;
        const double rate = m_e.SampleRates[m_rateIndex];
        if (!(rate > 0.0 && std::isfinite(rate))) break;
        // The samples of this rate's segment, each 1/rate after the one before.
        const int last = m_e.EndSamples[m_rateIndex];
        for (; done < count && m_k <= last; ++done, ++m_k) {
            m_time = m_k == 1 ? 0.0 : m_time + 1.0 / rate;
            times[done] = m_time;
        }
    }
    return done;
}

bool SampleReader::ReadTextFile(BlockReader& reader, const CString& name) {
    const int analog = m_e.AnalogCount;
    const double missing = std::numeric_limits<double>::quiet_NaN();
    std::string_view line;
    while (reader.NextLine(line)) {
        line = tb_comtrade::TrimField(line);
        if (line.empty()) continue;  // blank lines and a closing Ctrl-Z are no samples
        std::size_t position = 0;
        bool ended = false;
        auto next = [&](std::string_view& field) {
            if (ended) return false;
            const std::size_t comma = line.find(',', position);
            if (comma == std::string_view::npos) {
                field = tb_comtrade::TrimField(line.substr(position));
                ended = true;
            } else {
                field = tb_comtrade::TrimField(line.substr(position, comma - position));
                position = comma + 1;
            }
            return true;
        };
        std::string_view field;
        next(field);  // the file's own sample number: the records are counted instead
        const bool stampPresent = next(field) && !field.empty();
        const double stamp = stampPresent ? tb_exchange::ParseNumberField(field, m_point) : 0.0;
        double time = 0.0;
        if (!Time(stamp, stampPresent, time)) return false;
        const int index = m_k - 1;
        m_sinks[0].Store(index, time);
        bool shortLine = false;
        for (int i = 0; i < analog; ++i) {
            double value = missing;
            if (next(field)) {
                if (!field.empty()) {
                    const double stored = tb_exchange::ParseNumberField(field, m_point);
                    if (!(m_missingText && stored == 99999.0)) {
                        const Scale& s = m_factor[i];
                        value = (stored * s.a + s.b) * s.f;
                    }
                }
            } else {
                shortLine = true;
            }
            m_sinks[1 + i].Store(index, value);
        }
        for (int j = 0; j < m_digital; ++j) {
            double value = 0.0;
            if (next(field))
                value = tb_exchange::ParseNumberField(field, m_point);
            else
                shortLine = true;
            m_sinks[1 + analog + j].Store(index, value);
        }
        if (shortLine && !m_warned) {
            m_e.AddWarning(TBFormatMessage(TBMsg::ComtradeShortSample, {name, m_k}));
            m_warned = true;
        }
        ++m_k;
    }
    return true;
}

double DecodeStored(const unsigned char* p, int type) {
    if (type == 0) {
        const std::int16_t v = LoadI16(p);
        return v == INT16_MIN ? std::numeric_limits<double>::quiet_NaN() : v;  // 0x8000 marks a missing sample
    }
    if (type == 1) {
        const std::int32_t v = static_cast<std::int32_t>(LoadU32(p));
        return v == INT32_MIN ? std::numeric_limits<double>::quiet_NaN() : v;
    }
    return tb_bytes::LoadF32(p);
}

using tb_exchange::kStreamingBytes;
using tb_exchange::PutValue;

// Records are decoded in chunks that stay in the first-level cache while every
// channel's loop passes over them.
constexpr std::size_t kChunkBytes = 32 << 10;

#if defined(__x86_64__)
// 2-byte samples of one channel two at a time, scaled as one by one ((v * a + b) * f,
// 0x8000 missing) and streamed with one 16-byte store. Returns how many it stored: an
// even number, after one alone when out is not 16-byte aligned.
int StreamAnalog16Pairs(const unsigned char* p, std::size_t stride, int count, const SampleReader::Scale& s,
                        double* out) {
    int r = 0;
    if ((reinterpret_cast<std::uintptr_t>(out) & 15) != 0) {
        if (count == 0) return 0;
        const std::int16_t v = LoadI16(p);
        PutValue<true>(out, v == INT16_MIN ? std::numeric_limits<double>::quiet_NaN() : (v * s.a + s.b) * s.f);
        r = 1;
        p += stride;
    }
    const __m128d a = _mm_set1_pd(s.a), b = _mm_set1_pd(s.b), f = _mm_set1_pd(s.f);
    const __m128d missingMark = _mm_set1_pd(INT16_MIN);
    const __m128d nan = _mm_set1_pd(std::numeric_limits<double>::quiet_NaN());
    for (; r + 1 < count; r += 2, p += 2 * stride) {
        const __m128d x = _mm_cvtepi32_pd(_mm_set_epi32(0, 0, LoadI16(p + stride), LoadI16(p)));
        const __m128d y = _mm_mul_pd(_mm_add_pd(_mm_mul_pd(x, a), b), f);
        const __m128d missing = _mm_cmpeq_pd(x, missingMark);
        _mm_stream_pd(out + r, _mm_or_pd(_mm_and_pd(missing, nan), _mm_andnot_pd(missing, y)));
    }
    return r;
}
#endif

template <bool Stream>
void SampleReader::DecodeRecords(const unsigned char* records, std::size_t recordSize, int first, int count) {
    const int analog = m_e.AnalogCount;
    const int type = m_layout.sampleType;
    const std::size_t width = type == 0 ? 2 : 4;
    const std::size_t statusOffset = 8 + width * static_cast<std::size_t>(analog);
    for (int i = 0; i < analog; ++i) {
        Sink& sink = m_sinks[1 + i];
        const Scale s = m_factor[i];
        const unsigned char* p = records + 8 + width * static_cast<std::size_t>(i);
        const int direct = sink.Direct(first, count);
        if (direct > 0) {
            double* out = sink.values + first;
            int r = 0;
            if (type == 0) {
#if defined(__x86_64__)
                if constexpr (Stream) r = StreamAnalog16Pairs(p, recordSize, direct, s, out);
                p += static_cast<std::size_t>(r) * recordSize;
#endif
                for (; r < direct; ++r, p += recordSize) {
                    const std::int16_t v = LoadI16(p);
                    PutValue<Stream>(out + r,
                                v == INT16_MIN ? std::numeric_limits<double>::quiet_NaN() : (v * s.a + s.b) * s.f);
                }
            } else {
                for (; r < direct; ++r, p += recordSize)
                    PutValue<Stream>(out + r, (DecodeStored(p, type) * s.a + s.b) * s.f);
            }
            sink.Stored(first + direct);
        }
        for (int r = direct; r < count; ++r, p += recordSize)
            sink.Store(first + r, (DecodeStored(p, type) * s.a + s.b) * s.f);
    }
    // Channels 1 to 16 are in the first status word, bit 0 the lowest of them,
    // channels 17 to 32 in the second, and so on.
    for (int j = 0; j < m_digital; ++j) {
        Sink& sink = m_sinks[1 + analog + j];
        const unsigned char* p = records + statusOffset + 2 * static_cast<std::size_t>(j / 16);
        const unsigned shift = static_cast<unsigned>(j % 16);
        const int direct = sink.Direct(first, count);
        if (direct > 0) {
            double* out = sink.values + first;
            for (int r = 0; r < direct; ++r, p += recordSize) PutValue<Stream>(out + r, (LoadU16(p) >> shift) & 1u);
            sink.Stored(first + direct);
        }
        for (int r = direct; r < count; ++r, p += recordSize) sink.Store(first + r, (LoadU16(p) >> shift) & 1u);
    }
}

bool SampleReader::ReadBinaryFile(FILE* file, const CString& name) {
    const int analog = m_e.AnalogCount;
    const int type = m_layout.sampleType;
    const std::size_t width = type == 0 ? 2 : 4;
    const std::size_t words = static_cast<std::size_t>(m_digital + 15) / 16;
    const std::size_t recordSize = 8 + width * static_cast<std::size_t>(analog) + 2 * words;
    const std::size_t batchRecords = recordSize >= kBlockSize ? 1 : kBlockSize / recordSize;
    const int chunkRecords = recordSize >= kChunkBytes ? 1 : static_cast<int>(kChunkBytes / recordSize);
    std::size_t blockBytes = 0;
    for (const Sink& sink : m_sinks)
        if (sink.limit > 0) blockBytes += static_cast<std::size_t>(sink.limit) * sizeof(double);
    const bool stream = blockBytes >= kStreamingBytes;
    // Blocks of whole records, read ahead while the one before is decoded; no more
    // records than the read still wants.
    const std::size_t wantedRecords = m_k <= m_e.NrItems ? static_cast<std::size_t>(m_e.NrItems - m_k) + 1 : 0;
    const std::size_t wantedBytes =
        wantedRecords <= static_cast<std::size_t>(-1) / recordSize ? wantedRecords * recordSize : static_cast<std::size_t>(-1);
    tb_exchange::ReadAhead blocks(file, batchRecords * recordSize, wantedBytes);
    const auto warnCut = [&] {
        m_e.AddWarning(TBFormatMessage(TBMsg::FewerValuesThanLength, {name, m_k - 1, m_e.NrItems}));
    };
    while (m_k <= m_e.NrItems) {
        const unsigned char* records = nullptr;
        const std::size_t available = blocks.Next(records);
        const int count = static_cast<int>(available / recordSize);
        // A record cut off at the end of a file is not taken: its fields would mix
        // with the next file's.
        const bool cut = available % recordSize != 0;
        if (count == 0) {
            if (cut) warnCut();
            break;
        }
        const int first = m_k - 1;
        Sink& timeSink = m_sinks[0];
        double* times = timeSink.values;
        int timed = 0;
        if (timeSink.Direct(first, count) == count) {
            if (m_useRates) {
                timed = TimesFromRates(times + first, count);
            } else {
                // Times from the stamps alone, as Time computes them, straight into the block.
                const double multiplier = m_e.TimeMultiplier;
                const double origin = m_layout.timeOrigin;
                for (; timed < count; ++timed)
                    times[first + timed] =
                        static_cast<double>(LoadU32(records + timed * recordSize + 4)) * multiplier * 1e-6 + origin;
                m_time = times[first + count - 1];
                m_k += count;
            }
        }
        // What is left (times into other storage, or rates Time must judge) goes sample by sample.
        for (int r = timed; r < count; ++r, ++m_k) {
            double time = 0.0;
            if (!Time(static_cast<double>(LoadU32(records + r * recordSize + 4)), true, time)) return false;
            timeSink.Store(first + r, time);
        }
        if (timed > 0) timeSink.Stored(first + timed);
        for (int c = 0; c < count; c += chunkRecords) {
            const int n = count - c < chunkRecords ? count - c : chunkRecords;
            const unsigned char* chunk = records + static_cast<std::size_t>(c) * recordSize;
            if (stream)
                DecodeRecords<true>(chunk, recordSize, first + c, n);
            else
                DecodeRecords<false>(chunk, recordSize, first + c, n);
        }
        if (cut) {
            warnCut();
            break;
        }
    }
    if (stream) tb_exchange::EndStreaming();
    return true;
}

void SampleReader::EndEarly(const CString& name) {
    const CString warning = TBFormatMessage(TBMsg::FewerValuesThanLength, {name, SampleCount(), m_e.NrItems});
    const int count = m_e.Warnings.GetSize();
    if (count == 0 || m_e.Warnings[count - 1] != warning) m_e.AddWarning(warning);
    m_e.NrItems = SampleCount();
}

bool SampleReader::StoreDerived() {
    const int count = SampleCount();
    for (int i = 0; i < m_e.DerivedSources.GetSize(); ++i) {
        const int s = m_e.DerivedSources[i];
        const int target = m_e.ConfigChannelCount + i;
        CExImPortChannel* source = m_e.GetChannel(s + 1);
        CExImPortChannel* derived = m_e.GetChannel(target);
        if (!derived) continue;
        if (!source || !source->HasStorage() || !derived->HasStorage()) {
            m_e.SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {m_e.FileName, source ? target + 1 : s + 2}),
                         TB_EXCHANGE_DATA_ERROR);
            return false;
        }
        const double primary = m_e.PrimaryRatios[s];
        const double secondary = m_e.SecondaryRatios[s];
        const double factor = m_e.PsFlags[s] == 1 ? primary / secondary : secondary / primary;
        Sink sink(derived, m_e.NrItems);
        const int limit = source->GetDoublePtr() ? (count < m_e.NrItems ? count : m_e.NrItems) : count;
        sink.Prepare(limit);
        double value = 0.0;
        for (int k = 0; k < limit && tb_comtrade::ChannelValue(*source, k, value); ++k) sink.Store(k, value * factor);
        sink.Finish();
    }
    return true;
}

int SampleReader::Run() {
    const CString& fileName = m_e.FileName;
    bool warnings = false;
    for (int i = 0; i < m_e.NrChannels; ++i) {
        CExImPortChannel* channel = m_e.GetChannel(i);
        if (!channel) {
            m_e.AddWarning(TBFormatMessage(TBMsg::ChannelNotRead, {fileName, i + 1}));
            warnings = true;
        } else if (!channel->HasStorage()) {
            m_e.SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {fileName, i + 1}), TB_EXCHANGE_DATA_ERROR);
            return 0;
        }
    }
    // Slots beyond the table (a host that shrank it) take no values.
    m_sinks.resize(static_cast<std::size_t>(m_e.ConfigChannelCount > 0 ? m_e.ConfigChannelCount : 1), Sink(nullptr, 0));
    const int expected = SamplesTheFilesHold();
    for (Sink& sink : m_sinks) sink.Prepare(expected);
    bool complete = false;
    const bool ok = ReadFiles(warnings, complete);
    for (Sink& sink : m_sinks) sink.Finish();
    if (!ok) return 0;
    if (!StoreDerived()) return 0;
    if (!complete) return 2;
    return warnings ? 2 : 1;
}

CString SampleReader::DataFileName(int part) const {
    if (part < 0) return m_e.FileName;
    char ext[8];
    std::snprintf(ext, sizeof ext, ".d%02d", part);
    return tb_comtrade::CompanionFile(m_e.FileName, ext);
}

// The item count a configuration file declares may be anything; the data file and
// its continuation files bound what can be read: whole records in binary, lines of at
// least two bytes in text.
int SampleReader::SamplesTheFilesHold() const {
    const long long wanted = m_e.NrItems;
    const bool text = m_e.AsciiData == 1;
    const int width = m_layout.sampleType == 0 ? 2 : 4;
    const long long recordSize = 8 + static_cast<long long>(width) * m_e.AnalogCount + 2 * ((m_digital + 15) / 16);
    long long held = 0;
    for (int part = -1; part < 100 && held < wanted; ++part) {
        struct stat info;
        if (::stat(DataFileName(part).GetString(), &info) != 0 || !S_ISREG(info.st_mode)) break;
        long long bytes = static_cast<long long>(info.st_size);
        if (part < 0) bytes -= m_layout.dataOffset;
        if (bytes <= 0) continue;
        held += text ? (bytes + 1) / 2 : bytes / recordSize;
        if (part < 0 && m_layout.dataOffset > 0) break;  // a combined file has no continuation files
    }
    return static_cast<int>(held < wanted ? held : wanted);
}

bool SampleReader::ReadFiles(bool& warnings, bool& complete) {
    const bool text = m_e.AsciiData == 1;
    for (int part = -1; part < 100 && !complete; ++part) {
        const CString name = DataFileName(part);
        FILE* file = std::fopen(name.GetString(), "rb");
        if (!file) {
            m_e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {name}), TB_EXCHANGE_FILE_ERROR);
            return false;
        }
        if (part < 0 && m_layout.dataOffset > 0 &&
            std::fseek(file, static_cast<long>(m_layout.dataOffset), SEEK_SET) != 0) {
            std::fclose(file);
            m_e.SetError(TBFormatMessage(TBMsg::CannotOpenFile, {name}), TB_EXCHANGE_FILE_ERROR);
            return false;
        }
        const size_t warningsBefore = static_cast<size_t>(m_e.Warnings.GetSize());
        bool ok;
        if (text) {
            BlockReader reader(file);
            ok = ReadTextFile(reader, name);
        } else {
            ok = ReadBinaryFile(file, name);
        }
        std::fclose(file);
        if (!ok) return false;
        if (static_cast<size_t>(m_e.Warnings.GetSize()) > warningsBefore) warnings = true;
        complete = SampleCount() >= m_e.NrItems;
        // A combined file has no continuation files.
        if (m_layout.dataOffset > 0 && !complete) {
            EndEarly(name);
            warnings = complete = true;
        }
    }
    return true;
}

// ---------------------------------------------------------------- writing

/// Appends v as "%.Nd" does: at least digits digits, zero-padded, sign first.
void AppendPadded(std::string& out, long long v, int digits) {
    char buffer[32];
    int length = 0;
    unsigned long long magnitude =
        v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    do {
        buffer[length++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (v < 0) out += '-';
    for (int i = length; i < digits; ++i) out += '0';
    while (length) out += buffer[--length];
}

/// The stored integer of value: (value - b) / a truncated toward zero. A quotient within
/// 1e-6 of an integer is that integer: the multiplier is printed with 15 digits, and
/// its last digit must not turn the channel maximum into one step less. A channel
/// whose values are all equal has multiplier 0 and stores 0, which decodes to b.
long Encode(double value, double a, double b) {
    if (a == 0.0) return 0;
    const double quotient = LimitExportValue((value - b) / a);
    const double nearest = std::nearbyint(quotient);
    return TBExtended_ftol(std::fabs(quotient - nearest) < 1e-6 ? nearest : quotient);
}

// The largest time stamp a data file holds: ten digits in text, an unsigned 32-bit
// number in binary.
constexpr double kTextStampCeiling = 9999999999.0;
constexpr double kBinaryStampCeiling = 4294967295.0;

/// The time stamp of time: microseconds since origin divided by the time multiplier,
/// truncated toward zero (near-whole quotients taken as whole, as in Encode). False when the time is not finite or lies outside
/// 0 .. ceiling; stamp is then the nearest representable one (0 for a time that is
/// not a number).
bool TimeStampOf(double time, const tb_comtrade::StampScale& scale, double ceiling, unsigned long long& stamp) {
    double micro = (time - scale.origin) * 1e6;
    if (scale.multiplier != 1.0) micro /= scale.multiplier;
    if (std::isnan(micro) || micro < 0.0) {
        stamp = 0;
        return false;
    }
    if (micro > ceiling) {
        stamp = static_cast<unsigned long long>(ceiling);
        return false;
    }
    // A quotient within 1e-6 of a whole number is that number: a time on the microsecond
    // grid minus the origin must not lose a microsecond to the last bit of the difference.
    const double nearest = std::nearbyint(micro);
    stamp = static_cast<unsigned long long>(std::fabs(micro - nearest) < 1e-6 ? nearest : micro);
    return true;
}

class SampleWriter {
public:
    SampleWriter(CReadAndWriteFileFunction& e, int timeChannel) : m_e(e), m_timeChannel(timeChannel) {}
    /// Writes every record into out; binary selects the record layout, name is the
    /// file named in messages.
    int Run(CBufferedFileWriter& out, const CString& name, bool binary);

private:
    bool Value(int channelIndex, int k, double& value);
    bool HasTimeChannel() const { return m_timeChannel >= 0 && m_timeChannel < m_e.NrChannels; }
    void WarnUnrepresentableTime(const CString& name, int k, double ceiling);

    CReadAndWriteFileFunction& m_e;
    int m_timeChannel;
    bool m_timeWarned = false;
};

bool SampleWriter::Value(int channelIndex, int k, double& value) {
    const CExImPortChannel* channel = m_e.GetChannel(channelIndex);
    value = 0.0;
    if (!channel) return true;
    if (!channel->HasStorage()) {
        m_e.SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {m_e.FileName, channelIndex + 1}),
                     TB_EXCHANGE_DATA_ERROR);
        return false;
    }
    if (!tb_comtrade::ChannelValue(*channel, k, value)) {
        m_e.SetError(TBLoadString(TBMsg::NoMemoryReserve), TB_EXCHANGE_DATA_ERROR);
        return false;
    }
    return true;
}

void SampleWriter::WarnUnrepresentableTime(const CString& name, int k, double ceiling) {
    if (m_timeWarned) return;
    m_timeWarned = true;
    m_e.AddWarning(
        TBFormatMessage(TBMsg::ComtradeStampOutOfRange,
                        {name, k + 1, CString(std::to_string(static_cast<unsigned long long>(ceiling)).c_str())}));
}

int SampleWriter::Run(CBufferedFileWriter& out, const CString& name, bool binary) {
    bool missing = false;
    for (int i = 0; i < m_e.NrChannels; ++i)
        if (!m_e.GetChannel(i)) missing = true;  // the configuration writer has warned
    tb_comtrade::StampScale scale;
    if (!tb_comtrade::ChooseStampScale(m_e, m_timeChannel, binary, scale)) return 0;
    const double ceiling = binary ? kBinaryStampCeiling : kTextStampCeiling;
    std::string record;
    for (int k = 0; k < m_e.NrItems; ++k) {
        record.clear();
        double time = 0.0;
        if (HasTimeChannel() && !Value(m_timeChannel, k, time)) return 0;
        unsigned long long stamp = 0;
        if (!TimeStampOf(time, scale, ceiling, stamp)) WarnUnrepresentableTime(name, k, ceiling);
        if (binary) {
            const std::uint32_t head[2] = {static_cast<std::uint32_t>(k + 1), static_cast<std::uint32_t>(stamp)};
            unsigned char bytes[8];
            for (int i = 0; i < 2; ++i)
                for (int j = 0; j < 4; ++j) bytes[4 * i + j] = static_cast<unsigned char>(head[i] >> (8 * j));
            record.append(reinterpret_cast<const char*>(bytes), 8);
        } else {
            AppendPadded(record, k + 1, 10);
            record += ',';
            AppendPadded(record, static_cast<long long>(stamp), 10);
        }
        int position = 0;
        for (int i = 0; i < m_e.NrChannels; ++i) {
            if (i == m_timeChannel) continue;
            const int analog = position++;
            double value = 0.0;
            if (!Value(i, k, value)) return 0;
            const bool empty = m_e.GetChannel(i) == nullptr;
            if (!empty && !std::isfinite(value)) {
                // The missing-data marker: 0x8000 in binary, an empty field in text.
                if (binary) {
                    record += static_cast<char>(0x00);
                    record += static_cast<char>(0x80);
                } else {
                    record += ',';
                }
                continue;
            }
            const long stored = empty
                                    ? 0
                                    : Encode(value, analog < m_e.Multipliers.GetSize() ? m_e.Multipliers[analog] : 1.0,
                                             analog < m_e.Offsets.GetSize() ? m_e.Offsets[analog] : 0.0);
            if (binary) {
                const std::uint16_t low = static_cast<std::uint16_t>(stored & 0xFFFF);
                record += static_cast<char>(low & 0xFF);
                record += static_cast<char>(low >> 8);
            } else {
                record += ',';
                if (empty)
                    record += '0';
                else
                    AppendPadded(record, stored, 6);
            }
        }
        if (!binary) record += "\r\n";
        out.Write(record);
        if (out.Failed()) break;  // the caller reports the file error
    }
    return missing || m_timeWarned ? 2 : 1;
}

}  // namespace

namespace tb_comtrade {

bool ChooseStampScale(CReadAndWriteFileFunction& e, int timeChannel, bool binary, StampScale& scale) {
    scale = StampScale();
    const CExImPortChannel* channel =
        timeChannel >= 0 && timeChannel < e.NrChannels ? e.GetChannel(timeChannel) : nullptr;
    if (!channel || e.NrItems <= 0) return true;
    if (!channel->HasStorage()) {
        e.SetError(TBFormatMessage(TBMsg::InvalidChannelPointer, {e.FileName, timeChannel + 1}),
                   TB_EXCHANGE_DATA_ERROR);
        return false;
    }
    double first = 0.0, latest = 0.0, value = 0.0;
    if (!ChannelValue(*channel, 0, first)) {
        e.SetError(TBLoadString(TBMsg::NoMemoryReserve), TB_EXCHANGE_DATA_ERROR);
        return false;
    }
    // Stamps count from 0: a record that starts before zero (a pre-trigger part) is
    // written relative to its first sample, later ones from time zero.
    if (first < 0.0 && std::isfinite(first)) scale.origin = first;
    for (int k = 0; k < e.NrItems && ChannelValue(*channel, k, value); ++k)
        if (std::isfinite(value) && value > latest) latest = value;
    // The smallest whole multiplier that lets the latest stamp fit its field; the reader
    // multiplies the stamps by it again.
    const double span = (latest - scale.origin) * 1e6;
    const double ceiling = binary ? kBinaryStampCeiling : kTextStampCeiling;
    if (span > ceiling) scale.multiplier = std::ceil(span / ceiling);
    while (span / scale.multiplier > ceiling) scale.multiplier = std::nextafter(scale.multiplier, HUGE_VAL);
    return true;
}

int WriteData(CReadAndWriteFileFunction& engine, CBufferedFileWriter& out, const CString& name, int timeChannel,
              bool binary) {
    return SampleWriter(engine, timeChannel).Run(out, name, binary);
}

}  // namespace tb_comtrade

int CReadAndWriteFileFunction::ReadDataComtradeFile() {
    struct stat info;
    if (::stat(FileName.GetString(), &info) != 0) {
        SetError(TBFormatMessage(TBMsg::CannotOpenFile, {FileName}), TB_EXCHANGE_FILE_ERROR);
        return 0;
    }
    return SampleReader(*this).Run();
}

// The data file's layout follows AsciiData; these read it as the named layout.
int CReadAndWriteFileFunction::ReadDataComtradeAsciiFile() {
    const int kept = AsciiData;
    AsciiData = 1;
    const int result = ReadDataComtradeFile();
    AsciiData = kept;
    return result;
}

int CReadAndWriteFileFunction::ReadDataComtradeBinaryFile() {
    const int kept = AsciiData;
    AsciiData = 0;
    const int result = ReadDataComtradeFile();
    AsciiData = kept;
    return result;
}

namespace tb_exchange {

int ReadComtradeData(CReadAndWriteFileFunction& engine) { return engine.ReadDataComtradeFile(); }

}  // namespace tb_exchange
