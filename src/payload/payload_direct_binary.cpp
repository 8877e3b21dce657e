// The binary form read straight into the records.
//
// Objects are found through the offset table as in the tree reader, and every check that reader makes on
// the objects read here is made here too: references and offsets in range, counts that fit, ASCII strings
// without high bytes, UTF-16 without lone surrogates, representable dates, and the same memory budget
// (charged with the same amounts), so a file whose shared references describe an enormous tree is left to
// the tree reader to refuse. Containers can only hold what their place in the payload allows, so a
// container that contains itself fails a type check here before it could loop. The events of a large file
// are shared between threads (`events`); the answer is the same as one thread's.
#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "payload/payload_direct.h"
#include "payload/plist.h"
#include "payload/plist_internal.h"
#include "platform/ascii.h"
#include "platform/byte_buffer.h"

namespace rw::detail {
namespace {

using plist::detail::BinaryLayout;

// A big-endian number of `width` (1 to 8) bytes at `p`, read as one 8-byte load, given as the shift
// `64 - 8 * width`: made once per file for references and offsets, which are read for every key and value
// of every event. Every reference and every offset-table entry lies before the 32-byte trailer, so the 8
// bytes are always inside the file.
[[gnu::always_inline]] inline std::uint64_t readBigEndianShifted(const std::uint8_t* p, unsigned shift) {
  std::uint64_t word;
  std::memcpy(&word, p, 8);
  if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
  return word >> shift;
}

// The same, given the width.
[[gnu::always_inline]] inline std::uint64_t readBigEndian(const std::uint8_t* p, unsigned width) {
  return readBigEndianShifted(p, 64 - 8 * width);
}

constexpr unsigned kNoField = 0xFF;

class DirectBinaryDecoder {
 public:
  // A decoder of the file at `data` that puts texts it makes into `storage` and may charge up to `budget`.
  DirectBinaryDecoder(const std::uint8_t* data, const BinaryLayout& layout, RemindersWidgetPayload& payload,
                      PayloadStorage& storage, std::uint64_t budget)
      : data_(data), layout_(layout), payload_(payload), storage_(storage), budget_(budget) {
    keyCache_.fill({~std::uint64_t{0}, 0, 0, nullptr});
  }

  bool run(const DecodingThreads& threads) {
    std::uint64_t pos, count;
    if (!dictionary(layout_.topObject, pos, count)) return false;
    std::array<std::uint64_t, kPayloadKeys.size()> slots{};
    unsigned seen;
    if (!slotsOf(pos, count, kPayloadKeys, slots, seen)) return false;
    if (seen != 3 || !events(slots[0], threads) || !persons(slots[1]) || spent_ > budget_) return false;
    setColours(payload_, colours_);
    return true;
  }

 private:
  // What the tree reader would charge for the objects read so far is added up in `spent_`, which must stay
  // within `budget_`. `spend` adds without looking, for texts and remembered answers; `charge` adds and
  // checks, for containers, whose elements may be reserved for. Every record is checked once read, so
  // the sum is never more than one record past the budget, and a file is refused exactly when the tree
  // reader would run out.
  void spend(std::uint64_t cost) { spent_ += cost; }
  bool charge(std::uint64_t cost) {
    spent_ += cost;
    return spent_ <= budget_;
  }

  [[gnu::always_inline]] bool offset(std::uint64_t index, std::uint64_t& pos) const {
    if (index >= layout_.numObjects) return false;
    pos = readBigEndianShifted(table_ + index * layout_.offsetSize, offsetShift_);
    return pos >= 8 && pos < layout_.tableOffset;
  }

  [[gnu::always_inline]] bool ref(std::uint64_t pos, std::uint64_t& index) const {
    index = readBigEndianShifted(data_ + pos, refShift_);
    return index < layout_.numObjects;
  }

  // The element count of the object at `pos` (marker included), with `pos` moved to its first element.
  bool count(std::uint64_t& pos, std::uint64_t& count, std::uint64_t unitSize) const {
    const std::uint64_t end = layout_.tableOffset;
    count = data_[pos] & 0x0F;
    ++pos;
    if (count == 0x0F) {
      if (pos >= end) return false;
      const std::uint8_t marker = data_[pos];
      if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3) return false;
      const unsigned width = 1u << (marker & 0x0F);
      ++pos;
      if (end - pos < width) return false;
      count = readBigEndian(data_ + pos, width);
      pos += width;
    }
    return count <= (end - pos) / unitSize;
  }

  bool container(std::uint64_t index, std::uint8_t kind, std::uint64_t& pos, std::uint64_t& n,
                 std::uint64_t unitSize, std::uint64_t cost) {
    if (!offset(index, pos) || (data_[pos] >> 4) != kind || !count(pos, n, unitSize)) return false;
    return charge(n * cost);
  }

  bool dictionary(std::uint64_t index, std::uint64_t& pos, std::uint64_t& n) {
    return container(index, 0xD, pos, n, 2 * std::uint64_t{layout_.refSize},
                     sizeof(plist::Dictionary::value_type));
  }

  bool array(std::uint64_t index, std::uint64_t& pos, std::uint64_t& n) {
    return container(index, 0xA, pos, n, layout_.refSize, sizeof(plist::Value));
  }

  // The string object `index` as UTF-8: a view into the file for ASCII, a converted copy for UTF-16.
  // Never inlined: `string` answers most calls from its cache and stays small.
  [[gnu::noinline]] bool uncachedString(std::uint64_t index, std::string_view& out) {
    std::uint64_t pos, n;
    if (!offset(index, pos)) return false;
    const std::uint8_t kind = data_[pos] >> 4;
    if (kind == 0x5) {
      if (!count(pos, n, 1)) return false;
      const auto* text = reinterpret_cast<const char*>(data_ + pos);
      if (!isAscii({text, n})) return false;
      spend(n);
      out = {text, n};
      return true;
    }
    if (kind != 0x6 || !count(pos, n, 2)) return false;
    scratch_.clear();
    if (!plist::detail::appendUtf16BeAsUtf8(data_ + pos, n, scratch_)) return false;
    spend(scratch_.size());
    out = storage_.keep(scratch_);
    return true;
  }

  // `string`, remembering recent answers: events share the objects of their type, status, persons and
  // empty texts, which are then checked (and UTF-16 converted) once instead of once per event.
  [[gnu::always_inline]] bool string(std::uint64_t index, std::string_view& out) {
    CachedText& slot = recentTexts_[index % recentTexts_.size()];
    if (slot.index == index) {
      out = slot.text;
      spend(out.size());
      return true;
    }
    if (!uncachedString(index, out)) return false;
    slot = {index, out};
    return true;
  }

  // Which of `keys` the key at position `i` of the dictionary at `pos` (with `n` entries) is, or
  // `kNoField`. Keys are few distinct objects shared by every dictionary, so their answers are cached.
  template <std::size_t N>
  bool key(std::uint64_t pos, std::uint64_t i, const std::array<std::string_view, N>& keys, unsigned& field) {
    std::uint64_t index;
    if (!ref(pos + i * layout_.refSize, index)) return false;
    auto& slot = keyCache_[index % keyCache_.size()];
    if (slot.index == index && slot.keys == keys.data()) {
      field = slot.field;
      spend(slot.size);
      return true;
    }
    std::string_view text;
    if (!string(index, text)) return false;  // a key must be a string
    field = kNoField;
    for (unsigned f = 0; f < N; ++f)
      if (keys[f] == text) field = f;
    slot = {index, static_cast<std::uint32_t>(text.size()), static_cast<std::uint8_t>(field), keys.data()};
    return true;
  }

  // The value reference of each of `keys` in the dictionary at `pos` (with `n` entries); `seen` has a bit
  // per key present. False for any other key and for a key present twice.
  template <std::size_t N>
  bool slotsOf(std::uint64_t pos, std::uint64_t n, const std::array<std::string_view, N>& keys,
               std::array<std::uint64_t, N>& slots, unsigned& seen) {
    seen = 0;
    for (std::uint64_t i = 0; i < n; ++i) {
      unsigned field;
      if (!key(pos, i, keys, field)) return false;
      if (field == kNoField || (seen & (1u << field)) != 0) return false;
      seen |= 1u << field;
      if (!ref(pos + (n + i) * layout_.refSize, slots[field])) return false;
    }
    return true;
  }

  // The value object `index` of the field `F` of a record, read as its type is; here the case a string
  // names. Events share the objects of their type and status, so the answers
  // are remembered by object and charged as reading the string again would be.
  template <class F, class E>
  requires requires { RawValues<E>::table; }
  bool value(F, std::uint64_t index, E& out) {
    auto& slot = std::get<EnumCache<E>>(enumCaches_)[index % kEnumCacheSize];
    if (slot.index == index) {
      out = slot.value;
      spend(slot.size);
      return true;
    }
    std::string_view text;
    if (!string(index, text)) return false;
    const auto value = fromRawValue<E>(text);
    if (!value) return false;
    out = *value;
    slot = {index, text.size(), *value};
    return true;
  }

  bool date(std::uint64_t index, Date& out) const {
    std::uint64_t pos;
    if (!offset(index, pos) || data_[pos] != 0x33 || layout_.tableOffset - pos - 1 < 8) return false;
    out = Date{std::bit_cast<double>(readBigEndian(data_ + pos + 1, 8))};
    return isFinite(out);
  }

  // A date. An event that went as planned shares its planned dates' objects, so the planned dates, read
  // first, are kept by object and the actual dates compared with them: an object is always the same date.
  template <class F>
  [[gnu::always_inline]] bool value(F, std::uint64_t index, Date& out) {
    constexpr bool from = isField<F, &WidgetEventPayload::plannedDateFrom>;
    if constexpr (from || isField<F, &WidgetEventPayload::plannedDateTo>) {
      if (!date(index, out)) return false;
      plannedDates_[from ? 0 : 1] = {index, out};
      return true;
    } else {
      for (const KnownDate& planned : plannedDates_) {
        if (planned.index == index) {
          out = planned.date;
          return true;
        }
      }
      return date(index, out);
    }
  }

  // A text. An event's identifier is its own, so the recent texts are neither asked nor given it (it would
  // only take the place of a text that events share).
  template <class F, class Text>
  requires std::is_same_v<Text, CompactText> || std::is_same_v<Text, std::string>
  [[gnu::always_inline]] bool value(F, std::uint64_t index, Text& out) {
    std::string_view text;
    if (!(isField<F, &WidgetEventPayload::identifier> ? uncachedString(index, text) : string(index, text)))
      return false;
    out = Text(text);
    return true;
  }

  // A person's colour is made once the whole file is taken (see `setColours`).
  bool value(auto, std::uint64_t index, ColorEncoded&) { return string(index, colours_.emplace_back()); }

  // An array of strings. Arrays are not shared, but events name the same few persons over and over: a
  // list whose element references are the same bytes as a recent one's is that list again, charged again.
  bool value(auto, std::uint64_t index, CompactList<std::string_view>& out) {
    std::uint64_t pos, n;
    if (!array(index, pos, n)) return false;
    const std::uint64_t refBytes = n * layout_.refSize;
    RecentList* pair = nullptr;
    // The references as words, those of a short list (the usual one or two persons) in one.
    std::array<std::uint64_t, RecentList::kMaxWords> words{};
    const std::uint64_t wordCount = (refBytes + 7) / 8;
    if (wordCount <= RecentList::kMaxWords) {
      std::uint64_t hash = n;
      for (std::uint64_t w = 0; w < wordCount; ++w) {
        // References end before the offset table, which is followed by the 32-byte trailer: the eight
        // bytes are inside the file. Those past the references are masked off.
        std::memcpy(&words[w], data_ + pos + 8 * w, 8);
        if constexpr (std::endian::native == std::endian::big) words[w] = __builtin_bswap64(words[w]);
        if (refBytes - 8 * w < 8) words[w] &= ~std::uint64_t{0} >> (64 - 8 * (refBytes - 8 * w));
        hash = (hash ^ words[w]) * 0x9E3779B97F4A7C15ull;
      }
      hash = (hash ^ hash >> 32) * 0x9E3779B97F4A7C15ull;
      // Two lists per hash, the one used last first: a payload's few dozen distinct lists would often
      // share a slot, and take turns evicting each other.
      pair = &recentLists_[2 * (hash >> (64 - kRecentListBits))];  // the top bits depend on every byte
      for (const int way : {0, 1}) {
        const RecentList& slot = pair[way];
        bool same = slot.length == refBytes + 1;
        for (std::uint64_t w = 0; same && w < wordCount; ++w)
          same = slot.words[w] == words[w];
        if (same) {
          out = slot.list;
          spend(slot.size);
          if (way == 1) std::swap(pair[0], pair[1]);
          return true;
        }
      }
    }
    const std::uint64_t spentBefore = spent_;
    texts_.clear();
    for (std::uint64_t i = 0; i < n; ++i) {
      std::uint64_t element;
      if (!ref(pos + i * layout_.refSize, element) || !string(element, texts_.emplace_back())) return false;
    }
    out = storage_.keepList(texts_);
    if (pair != nullptr) {
      pair[1] = pair[0];
      pair[0].length = static_cast<std::uint8_t>(refBytes + 1);
      pair[0].words = words;
      pair[0].list = out;
      pair[0].size = spent_ - spentBefore;
    }
    return true;
  }

  // {"relative": text}; a base URL is left to the tree path.
  bool value(auto, std::uint64_t index, const URL*& out) {
    static constexpr std::array<std::string_view, 1> kURLKeys{"relative"};
    std::uint64_t pos, n;
    if (!dictionary(index, pos, n) || n != 1) return false;
    unsigned field;
    std::uint64_t value;
    std::string_view relative;
    if (!key(pos, 0, kURLKeys, field) || field != 0 || !ref(pos + layout_.refSize, value) ||
        !string(value, relative))
      return false;
    auto made = URL::make(relative);
    if (!made) return false;
    out = storage_.keep(std::move(*made));
    return true;
  }

  // Which field each key of the event dictionary at `pos` (with `n` entries) names. Events written by one
  // writer share their key objects in the same order, so the answer for the previous event's key
  // references is kept and reused when this event's are the same bytes.
  bool eventFields(std::uint64_t pos, std::uint64_t n, std::uint32_t& seen) {
    const std::size_t keyBytes = n * layout_.refSize;
    // Events with and without optional keys alternate, so a few key lists are kept, by their length.
    auto& keys = eventKeys_[n % eventKeys_.size()];
    if (n == keys.count && n > 0 && std::memcmp(data_ + pos, keys.references.data(), keyBytes) == 0) {
      seen = keys.seen;
      places_ = keys.places.data();
      spend(keys.size);
      return true;
    }
    keys.count = 0;
    seen = 0;
    const std::uint64_t spentBefore = spent_;
    for (std::uint64_t i = 0; i < n; ++i) {
      unsigned field;
      if (!key(pos, i, keysOf<WidgetEventPayload>, field)) return false;
      if (field == kNoField || (seen & (1u << field)) != 0) return false;
      seen |= 1u << field;
      // A dictionary of distinct known keys has no more entries than there are fields.
      keys.places[field] = static_cast<std::uint8_t>(i);
    }
    keys.references.assign(data_ + pos, data_ + pos + keyBytes);
    keys.count = n;
    keys.seen = seen;
    keys.size = spent_ - spentBefore;
    places_ = keys.places.data();
    return true;
  }

  // Reads the fields `seen` has, in coding order, each from the reference `reference(place, at)` gives.
  template <class Record, class Reference>
  [[gnu::always_inline]] bool fields(Record& record, std::uint32_t seen, Reference reference) {
    return everyField<Record>([&](auto f) __attribute__((always_inline)) {
      std::uint64_t at;
      return (!f.required && (seen & (1u << f.index)) == 0) ||
             (reference(f.index, at) && value(f, at, record.*f.member));
    });
  }

  bool event(std::uint64_t index, WidgetEventPayload& e) {
    constexpr std::uint32_t required = requiredFieldsOf<WidgetEventPayload>;
    std::uint64_t pos, n;
    if (!dictionary(index, pos, n)) return false;
    std::uint32_t seen;
    if (!eventFields(pos, n, seen) || (seen & required) != required) return false;
    // The value references follow the keys'; each field's is read where it is needed.
    const std::uint64_t values = pos + n * layout_.refSize;
    return fields(
        e, seen, [&](std::size_t field, std::uint64_t & at) __attribute__((always_inline)) {
          return ref(values + places_[field] * layout_.refSize, at);
        });
  }

  // The events array `index`, read by up to `threads.count` threads. They take pieces of consecutive
  // events in turn, as they finish the last one, so a thread that runs slower (the machine's other work
  // may take its core for a while) simply reads fewer. Each helper has a decoder, and so caches and a
  // storage part, of its own and may spend the budget left here; what they spent is charged here once they
  // are done, so a file is refused exactly when one thread reading it all would have run out.
  bool events(std::uint64_t index, const DecodingThreads& threads) {
    std::uint64_t pos, n;
    if (!array(index, pos, n)) return false;
    // The tree reader charges every event at least a dictionary of the required fields. Events the budget
    // left cannot pay for make the file too large: it is refused before a record is made, and the records
    // reserved for stay within a seventh of the budget (120 bytes for at least 12 entries of 72).
    constexpr std::uint64_t kLeastEventCost =
        std::popcount(requiredFieldsOf<WidgetEventPayload>) * sizeof(plist::Dictionary::value_type);
    static_assert(kLeastEventCost > sizeof(WidgetEventPayload));
    if (n > (budget_ - spent_) / kLeastEventCost) return false;
    EventRecords& out = payload_.events;
    out.reserve(n);
    const std::uint64_t minimum = std::max<std::uint64_t>(threads.minimumEvents, 1);
    const std::uint64_t threadCount = std::clamp<std::uint64_t>(n / minimum, 1, std::max(threads.count, 1u));
    if (threadCount == 1) {
      // Pages are supplied a step ahead of the records written, so a file refused early commits little.
      static constexpr std::uint64_t kStep = 16384;
      return eventRun(pos, 0, n, [&out, n](std::uint64_t i) -> WidgetEventPayload& {
        if (i % kStep == 0) supplyPages(out.data() + i, std::min(kStep, n - i) * sizeof(WidgetEventPayload));
        return out.emplace_back();
      });
    }

    out.resize(n);
    const auto inPlace = [records = out.data()](std::uint64_t i) -> WidgetEventPayload& {
      return records[i];
    };
    const std::uint64_t piece = std::max<std::uint64_t>(minimum / 4, 1);
    const std::uint64_t pieces = (n + piece - 1) / piece;
    std::atomic<std::uint64_t> nextPiece{0};
    std::atomic<bool> failed{false};
    // Reads pieces until none is left or a thread failed.
    const auto share = [&](DirectBinaryDecoder& decoder) {
      for (std::uint64_t p; !failed.load(std::memory_order_relaxed) &&
                            (p = nextPiece.fetch_add(1, std::memory_order_relaxed)) < pieces;) {
        if (!decoder.eventRun(pos, p * piece, std::min(n, (p + 1) * piece), inPlace))
          failed.store(true, std::memory_order_relaxed);
      }
    };
    struct Helper {
      std::unique_ptr<DirectBinaryDecoder> decoder;
      std::exception_ptr failure;
    };
    std::vector<Helper> helpers(threadCount - 1);
    for (auto& helper : helpers)
      helper.decoder =
          std::make_unique<DirectBinaryDecoder>(data_, layout_, payload_, storage_.part(), budget_ - spent_);
    {
      std::vector<std::jthread> running;
      for (Helper& helper : helpers) {
        const auto work = [&] {
          try {
            share(*helper.decoder);
          } catch (...) {
            helper.failure = std::current_exception();
            failed = true;
          }
        };
        try {
          running.emplace_back(work);
        } catch (const std::system_error&) {
          // No thread to be had: this one reads what is left.
        }
      }
      try {
        share(*this);
      } catch (...) {
        failed = true;  // the helpers stop at their next piece, and are waited for here
        throw;
      }
    }  // every helper has finished here
    for (const Helper& helper : helpers)
      if (helper.failure) std::rethrow_exception(helper.failure);
    if (failed) return false;
    for (const Helper& helper : helpers)
      if (!charge(helper.decoder->spent_)) return false;
    return true;
  }

  // Reads the events at places `first` to `last` of the events array whose references start at `pos`, each
  // into `place(i)`.
  template <class Place>
  bool eventRun(std::uint64_t pos, std::uint64_t first, std::uint64_t last, Place place) {
    for (std::uint64_t i = first; i < last; ++i) {
      prefetchDateEntries(pos, last, i + kDateLookahead);
      prefetchDateObjects(i + kDateLookahead / 2);
      std::uint64_t element;
      if (!ref(pos + i * layout_.refSize, element) || !event(element, place(i)) || spent_ > budget_)
        return false;
    }
    return true;
  }

  bool persons(std::uint64_t index) {
    std::uint64_t pos, n;
    if (!array(index, pos, n)) return false;
    // As for the events: persons the budget left cannot pay for refuse the file before any is made.
    constexpr std::uint64_t kLeastPersonCost =
        std::popcount(requiredFieldsOf<WidgetPersonPayload>) * sizeof(plist::Dictionary::value_type);
    static_assert(kLeastPersonCost >= sizeof(WidgetPersonPayload));
    if (n > (budget_ - spent_) / kLeastPersonCost) return false;
    payload_.persons.reserve(n);
    for (std::uint64_t i = 0; i < n; ++i) {
      std::uint64_t element;
      if (!ref(pos + i * layout_.refSize, element) || !person(element, payload_.persons.emplace_back()) ||
          spent_ > budget_)
        return false;
    }
    return true;
  }

  // An event's dates are shared objects reached through the offset table, so in a large file both reads
  // land anywhere and would each wait for memory. The offset-table entries of the planned dates of the event
  // at `i` (of the `count` whose references start at `events`) are fetched ahead, and the dates' references
  // kept for `prefetchDateObjects`, which fetches the dates themselves once their entries have arrived.
  // Events written together have their keys in the same order, so the places of the recent events' keys are
  // used; where an event's differ, the fetches are merely useless. Nothing outside the file is read. Always
  // inlined: a call to a function that only reads and prefetches looks free of effects, and the compiler may
  // drop such a call whole.
  [[gnu::always_inline]] void prefetchDateEntries(std::uint64_t events, std::uint64_t count,
                                                  std::uint64_t i) {
    AheadDates& ahead = aheadDates_[i % aheadDates_.size()];
    ahead.event = i;
    ahead.count = 0;
    std::uint64_t element, pos;
    if (i >= count || !ref(events + i * layout_.refSize, element) || !offset(element, pos)) return;
    const std::uint64_t n = data_[pos] & 0x0F;  // a dictionary of 15 entries or more is left alone
    const EventKeys& keys = eventKeys_[n % eventKeys_.size()];
    if ((data_[pos] >> 4) != 0xD || n == 0x0F || keys.count != n) return;
    for (const std::uint8_t place :
         {keys.places[EventField::plannedDateFrom], keys.places[EventField::plannedDateTo]}) {
      const std::uint64_t value = pos + 1 + (n + place) * layout_.refSize;
      std::uint64_t date;
      if (value >= layout_.tableOffset || !ref(value, date)) continue;
      __builtin_prefetch(table_ + date * layout_.offsetSize);
      ahead.dates[ahead.count++] = date;
    }
  }

  // The planned dates of the event at `i`, whose offset-table entries `prefetchDateEntries` fetched.
  [[gnu::always_inline]] void prefetchDateObjects(std::uint64_t i) const {
    const AheadDates& ahead = aheadDates_[i % aheadDates_.size()];
    if (ahead.event != i) return;
    for (std::uint8_t k = 0; k < ahead.count; ++k) {
      std::uint64_t at;
      if (offset(ahead.dates[k], at)) __builtin_prefetch(data_ + at);
    }
  }

  bool person(std::uint64_t index, WidgetPersonPayload& p) {
    constexpr std::uint32_t required = requiredFieldsOf<WidgetPersonPayload>;
    std::uint64_t pos, n;
    if (!dictionary(index, pos, n)) return false;
    std::array<std::uint64_t, PersonField::count> slots;
    unsigned seen;
    if (!slotsOf(pos, n, keysOf<WidgetPersonPayload>, slots, seen) || (seen & required) != required)
      return false;
    return fields(p, seen, [&](std::size_t field, std::uint64_t& at) {
      at = slots[field];
      return true;
    });
  }

  struct CachedKey {
    std::uint64_t index;
    std::uint32_t size;
    std::uint8_t field;
    const std::string_view* keys;  // which key list `field` indexes
  };

  const std::uint8_t* data_;
  BinaryLayout layout_;
  const std::uint8_t* table_ = data_ + layout_.tableOffset;  // the offset table
  unsigned offsetShift_ = 64 - 8 * unsigned{layout_.offsetSize};
  unsigned refShift_ = 64 - 8 * unsigned{layout_.refSize};
  RemindersWidgetPayload& payload_;
  PayloadStorage& storage_;
  std::uint64_t budget_;
  std::uint64_t spent_ = 0;
  std::array<CachedKey, 64> keyCache_;
  struct EventKeys {
    std::vector<std::uint8_t> references;                  // the key references of an event read before
    std::uint64_t count = 0;                               // how many; none is remembered when 0
    std::uint32_t seen = 0;                                // the fields they name
    std::array<std::uint8_t, EventField::count> places{};  // the place of each field's key among them
    std::uint64_t size = 0;                                // what reading those keys charged
  };
  // How many events ahead the dates' offset-table entries are fetched; the dates themselves, half as far, so
  // that each date's entry has arrived before its object is asked for.
  static constexpr std::uint64_t kDateLookahead = 32;
  struct AheadDates {
    std::uint64_t event = ~std::uint64_t{0};  // the event whose dates these are
    std::array<std::uint64_t, 2> dates{};
    std::uint8_t count = 0;
  };
  // Enough for the events between a date's entry and its object: slot `i % size` serves event `i`.
  std::array<AheadDates, kDateLookahead> aheadDates_{};
  std::array<EventKeys, 4> eventKeys_;
  const std::uint8_t* places_ = nullptr;  // the places of the current event's fields among its keys
  static constexpr std::size_t kEnumCacheSize = 16;
  template <class E>
  struct CachedEnum {
    std::uint64_t index = ~std::uint64_t{0};
    std::uint64_t size = 0;  // what reading the string charged
    E value{};
  };
  template <class E>
  using EnumCache = std::array<CachedEnum<E>, kEnumCacheSize>;
  std::tuple<EnumCache<CustodyEventType>, EnumCache<CustodyEventStatus>, EnumCache<CustodyPersonType>>
      enumCaches_;
  struct RecentList {
    static constexpr std::uint64_t kMaxWords = 4;
    std::uint8_t length = 0;                       // bytes of references plus one; 0 for an empty slot
    std::array<std::uint64_t, kMaxWords> words{};  // the references, in words as read
    std::span<const std::string_view> list;
    std::uint64_t size = 0;  // what reading the elements charged
  };
  static constexpr unsigned kRecentListBits = 6;
  std::array<RecentList, std::size_t{2} << kRecentListBits> recentLists_{};  // pairs
  struct CachedText {
    std::uint64_t index = ~std::uint64_t{0};
    std::string_view text;
  };
  std::array<CachedText, 1024> recentTexts_{};
  struct KnownDate {
    std::uint64_t index = ~std::uint64_t{0};
    Date date;
  };
  std::array<KnownDate, 2> plannedDates_{};  // the last event's planned dates, from and to
  std::string scratch_;
  std::vector<std::string_view> texts_;
  std::vector<std::string_view> colours_;  // the persons' colour texts, in order
};

}  // namespace

DecodingThreads decodingThreadsOfThisMachine() {
  return {std::clamp(std::thread::hardware_concurrency(), 1u, 4u)};
}

bool decodeBinaryPayloadDirectly(std::span<const std::uint8_t> bytes, RemindersWidgetPayload& payload,
                                 std::size_t* viewed, DecodingThreads threads) {
  const auto layout = plist::detail::readBinaryLayout(bytes);
  if (!layout) return false;
  // The tree reader's budget for the file, charged with the same amounts.
  const std::uint64_t budget = plist::detail::binaryReadingBudget(bytes.size());
  if (!DirectBinaryDecoder(bytes.data(), *layout, payload, *payload.storage, budget).run(threads))
    return false;
  // Every object read, and so every text viewed, ends before the offset table (see `count`).
  if (viewed != nullptr) *viewed = static_cast<std::size_t>(layout->tableOffset);
  return true;
}

}  // namespace rw::detail
