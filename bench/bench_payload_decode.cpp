// Decoding a whole payload file as the store does (property-list parse, then the records), for generated
// payloads of 100, 10 000 and 100 000 events in the binary and the XML form. Throughput is in bytes of file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "payload/payload_coding.h"

namespace {

rw::RemindersWidgetPayload generatedPayload(int eventCount) {
  rw::RemindersWidgetPayload payload;
  const char* nicks[] = {"Dad", "Mum", "Zoë", "Ben", "Grandma", "Lukas"};
  for (int i = 0; i < 6; ++i)
    payload.persons.push_back({"person-" + std::to_string(i),
                               i < 2 ? rw::CustodyPersonType::caregiver : rw::CustodyPersonType::child,
                               nicks[i], rw::ColorEncoded{"183", i * 2}});
  const auto types = rw::allCustodyEventTypes();
  const rw::Date start =
      rw::Date::fromUnixSeconds(1780000000);  // whole seconds: both forms hold them exactly
  payload.events.reserve(static_cast<size_t>(eventCount));
  for (int i = 0; i < eventCount; ++i) {
    const auto type = types[static_cast<size_t>(i) % types.size()];
    const rw::Date from = start.adding(3600.0 * i);
    rw::WidgetEventPayload event{
        payload.keep("E8A4C1D2-" + std::to_string(100000 + i)),
        type,
        rw::RawValues<rw::CustodyEventStatus>::table[static_cast<size_t>(i) % 7].first,
        payload.keep("Event number " + std::to_string(i) + (i % 3 == 0 ? " — Übergabe" : "")),
        payload.keep("person-" + std::to_string(i % 2)),
        payload.keepList({"person-2", payload.keep("person-" + std::to_string(3 + i % 3))}),
        from,
        from.adding(5400),
        from,
        from.adding(5400),
        payload.keep(type == rw::CustodyEventType::expense ? "€" + std::to_string(i % 500) + ".00" : ""),
        i % 4 == 0 ? "Remember the bag and the signed form for school" : "",
        nullptr,
    };
    if (i % 2 == 0)
      event.actionURL = payload.keep(*rw::URL::make("corvantis2://reminders/event/" + std::to_string(i)));
    payload.events.push_back(std::move(event));
  }
  return payload;
}

const std::vector<std::uint8_t>& fileBytes(int eventCount, rw::plist::Format format) {
  static std::map<std::pair<int, rw::plist::Format>, std::vector<std::uint8_t>> files;
  auto& bytes = files[{eventCount, format}];
  if (bytes.empty()) bytes = *rw::writePayload(generatedPayload(eventCount), format);
  return bytes;
}

void decode(benchmark::State& state, rw::plist::Format format) {
  const int eventCount = static_cast<int>(state.range(0));
  const auto& bytes = fileBytes(eventCount, format);
  std::optional<rw::PayloadDecoding> decoded;
  for (auto _ : state) {
    // The program decodes the buffer it read the file into; copying one here is not part of decoding.
    state.PauseTiming();
    decoded.reset();  // freeing the last answer is not part of decoding either
    rw::ByteBuffer file(bytes.begin(), bytes.end());
    state.ResumeTiming();
    decoded.emplace(rw::decodePayload(std::move(file)));
    if (!*decoded || (*decoded)->events.size() != static_cast<size_t>(eventCount)) {
      state.SkipWithError("the generated payload did not decode");
      break;
    }
    benchmark::DoNotOptimize(decoded);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes.size()));
  state.counters["fileBytes"] = static_cast<double>(bytes.size());
  state.counters["events/s"] =
      benchmark::Counter(static_cast<double>(eventCount), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DecodeBinary(benchmark::State& state) {
  decode(state, rw::plist::Format::binary);
}
void BM_DecodeXml(benchmark::State& state) {
  decode(state, rw::plist::Format::xml);
}

// Wall time: a large binary file is decoded by more than one thread.
BENCHMARK(BM_DecodeBinary)->Arg(100)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeXml)->Arg(100)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
