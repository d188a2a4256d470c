// XXencode and decode throughput over 64 MB of random bytes, memory and file forms.
#include <toolbox/services/xxcode.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr size_t kBytes = 64 << 20;

const std::string& Payload() {
    static const std::string bytes = [] {
        std::mt19937_64 engine(42);
        std::string b(kBytes, '\0');
        for (size_t i = 0; i + 8 <= b.size(); i += 8) {
            std::uint64_t v = engine();
            for (int k = 0; k < 8; ++k) b[i + k] = static_cast<char>(v >> (8 * k));
        }
        return b;
    }();
    return bytes;
}

const std::string& PayloadText() {
    static const std::string text = [] {
        CTBXXCode codec;
        std::string copy = Payload();
        return codec.xxe_Encode(reinterpret_cast<unsigned char*>(&copy[0]), static_cast<long>(copy.size())).str();
    }();
    return text;
}

void EncodeMemory(benchmark::State& state) {
    std::string copy = Payload();
    CTBXXCode codec;
    for (auto _ : state) {
        const CString& text =
            codec.xxe_Encode(reinterpret_cast<unsigned char*>(&copy[0]), static_cast<long>(copy.size()));
        benchmark::DoNotOptimize(text.GetString());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}

void DecodeMemory(benchmark::State& state) {
    const std::string& text = PayloadText();
    CTBXXCode codec;
    for (auto _ : state) {
        long length = 0;
        unsigned char* data = nullptr;
        codec.xxe_Decode(text.c_str(), length, data);
        benchmark::DoNotOptimize(data);
        delete[] data;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}

// File forms: the input is a temporary file (page cache), the output goes to /dev/null.
void EncodeFileToFile(benchmark::State& state) {
    FILE* in = std::tmpfile();
    std::fwrite(Payload().data(), 1, kBytes, in);
    FILE* out = std::fopen("/dev/null", "wb");
    CTBXXCode codec;
    for (auto _ : state) {
        std::rewind(in);
        codec.xxe_EncodeFileToFile(in, out);
    }
    std::fclose(in);
    std::fclose(out);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}

void DecodeFileToFile(benchmark::State& state) {
    FILE* in = std::tmpfile();
    std::fwrite(PayloadText().data(), 1, PayloadText().size(), in);
    FILE* out = std::fopen("/dev/null", "wb");
    CTBXXCode codec;
    for (auto _ : state) {
        std::rewind(in);
        codec.xxe_DecodeFileToFile(in, out);
    }
    std::fclose(in);
    std::fclose(out);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}

}  // namespace

// Throughput is counted in decoded bytes for all four.
BENCHMARK(EncodeMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeFileToFile)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeFileToFile)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
