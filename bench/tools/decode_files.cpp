// decode-files: in-process decoding throughput of payload files, as the store decodes them (property-list
// parse, then the records), one Google Benchmark per file named on the command line.
//
//   decode-files [--benchmark_... options] FILE...
//
// The file is read once before timing; each iteration decodes a fresh copy of the bytes in memory, taking it
// over as the store takes over the buffer it read the file into. Neither the copy nor freeing the answer
// before it is timed. Throughput is bytes of file per second of wall time. A file that does not decode is
// reported as the benchmark's error, and the exit status is then 1.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "payload/payload_coding.h"

namespace {

bool anyFailed = false;
// The bytes of every file, read before any benchmark runs.
std::vector<std::vector<std::uint8_t>> files;

void decodeFile(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
  std::optional<rw::PayloadDecoding> decoded;
  for (auto _ : state) {
    // The store decodes the buffer it read the file into; copying one here is not part of decoding.
    state.PauseTiming();
    decoded.reset();  // freeing the last answer is not part of decoding either
    rw::ByteBuffer file(bytes.begin(), bytes.end());
    state.ResumeTiming();
    decoded.emplace(rw::decodePayload(std::move(file)));
    if (!*decoded) {
      anyFailed = true;
      state.SkipWithError(("does not decode: " + decoded->error().reason).c_str());
      break;
    }
    benchmark::DoNotOptimize(decoded);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes.size()));
  state.counters["fileBytes"] = static_cast<double>(bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);  // takes its own options out of argv
  if (argc < 2) {
    std::fprintf(stderr, "usage: decode-files [--benchmark_... options] FILE...\n");
    return 2;
  }
  files.reserve(static_cast<std::size_t>(argc - 1));
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "decode-files: cannot read %s\n", argv[i]);
      return 1;
    }
    files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const std::size_t index = files.size() - 1;
    benchmark::RegisterBenchmark(argv[i],
                                 [index](benchmark::State& state) { decodeFile(state, files[index]); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();  // a large binary file is decoded by more than one thread
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return anyFailed ? 1 : 0;
}
