#include "payload/store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "payload/payload_coding.h"
#include "platform/messages.h"
#include "support/kept_texts.h"
#include "support/scoped_env.h"
#include "support/test_support.h"

namespace rw {
namespace {

using rw::testing::capturedStdout;
using rw::testing::ScopedEnv;
using rw::testing::TemporaryDirectory;
using rw::testing::writeFile;

constexpr std::string_view kNotFoundLines =
    "Error in RemindersWidgetPayload.payloadURL(): App group group.org.corvantis.widgetkit not found\n"
    "Error in RemindersWidgetPayload.payloadReadingAppGroup(): No payload URL\n";
constexpr std::string_view kUndecodableLine =
    "Error in RemindersWidgetPayload.payloadReadingAppGroup(): Unable to decode data\n";

// Counts starts and stops of security-scoped access on this thread; optionally refuses every start and
// prints "start"/"stop" so that their order against other printed lines shows.
class CountingHooks : public SecurityScopedAccess::Hooks {
 public:
  explicit CountingHooks(bool grant = true, bool print = false) : grant_(grant), print_(print) {
    previous_ = SecurityScopedAccess::setHooksForThisThread(this);
  }
  ~CountingHooks() override { SecurityScopedAccess::setHooksForThisThread(previous_); }

  bool start(const std::filesystem::path& location) override {
    ++starts;
    last = location;
    if (print_) printLine("start");
    return grant_;
  }
  void stop(const std::filesystem::path& location) override {
    ++stops;
    EXPECT_EQ(location, last);
    if (print_) printLine("stop");
  }

  int starts = 0;
  int stops = 0;
  std::filesystem::path last;

 private:
  bool grant_;
  bool print_;
  Hooks* previous_;
};

RemindersWidgetPayload onePersonPayload(std::string nick,
                                        std::string colour = "pickerIndex=2&pickerVersion=183") {
  RemindersWidgetPayload payload;
  payload.persons.push_back(
      {"p", CustodyPersonType::child, std::move(nick), ColorEncoded::fromRawValue(colour)});
  return payload;
}

void writePayloadFile(const std::filesystem::path& path, const RemindersWidgetPayload& payload,
                      plist::Format format = plist::Format::binary) {
  const auto bytes = writePayload(payload, format);
  ASSERT_TRUE(bytes);
  writeFile(path, *bytes);
}

struct Read {
  std::optional<RemindersWidgetPayload> payload;
  std::string printed;
};

Read readStore(const FileManager& files) {
  Read read;
  read.printed = capturedStdout([&] { read.payload = payloadReadingAppGroup(files); });
  return read;
}

TEST(PayloadStore, MissingContainerPrintsTwoLinesInOrder) {
  TemporaryDirectory directory;
  CountingHooks hooks;
  const auto read = readStore(FileManager(directory.path() / "missing"));
  EXPECT_FALSE(read.payload);
  EXPECT_EQ(read.printed, kNotFoundLines);
  EXPECT_EQ(hooks.starts, 0);  // no location, so no access either

  // A file where the container should be is no container.
  writeFile(directory.path() / "file", "x");
  EXPECT_EQ(readStore(FileManager(directory.path() / "file")).printed, kNotFoundLines);
  std::optional<std::filesystem::path> url;
  EXPECT_EQ(capturedStdout([&] { url = payloadURL(FileManager(directory.path())); }), "");
  EXPECT_EQ(url, directory.path() / "reminders.plist");
}

TEST(PayloadStore, UnreadableFileGivesNothingSilently) {
  TemporaryDirectory directory;
  const FileManager files(directory.path());
  const auto file = directory.path() / "reminders.plist";
  CountingHooks hooks;

  // No file, a directory, a FIFO without a writer (refused at once instead of waiting), and a sparse file
  // just over the size limit, which is not read at all.
  for (const std::string what : {"none", "directory", "fifo", "too large"}) {
    if (what == "directory") std::filesystem::create_directory(file);
    if (what == "fifo") {
      ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    }
    if (what == "too large") {
      const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kMaxPayloadFileSize + 1)), 0);
      ::close(fd);
    }
    const auto read = readStore(files);
    EXPECT_FALSE(read.payload) << what;
    EXPECT_EQ(read.printed, "") << what;
    std::filesystem::remove(file);
  }
  // Every access that was started was stopped.
  EXPECT_EQ(hooks.starts, 4);
  EXPECT_EQ(hooks.stops, 4);
  EXPECT_EQ(hooks.last, file);
}

TEST(PayloadStore, FileThatDoesNotDecodePrintsOneLine) {
  TemporaryDirectory directory;
  const FileManager files(directory.path());
  const auto file = directory.path() / "reminders.plist";
  for (const std::string_view content :
       {std::string_view("this is not a property list"), std::string_view(""), std::string_view("bplist00"),
        std::string_view("<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>"),
        std::string_view("<?xml version=\"1.0\"?><plist "
                         "version=\"1.0\"><dict><key>events</key><array/></dict></plist>")}) {
    writeFile(file, content);
    const auto read = readStore(files);
    EXPECT_FALSE(read.payload) << content;
    EXPECT_EQ(read.printed, kUndecodableLine) << content;
  }
}

TEST(PayloadStore, ReadsTheFileAfreshOnEveryCall) {
  TemporaryDirectory directory;
  const FileManager files(directory.path());
  writePayloadFile(directory.path() / "reminders.plist", onePersonPayload("old"));
  const auto first = readStore(files);
  writePayloadFile(directory.path() / "reminders.plist", onePersonPayload("new"), plist::Format::xml);
  const auto second = readStore(files);
  ASSERT_TRUE(first.payload);
  ASSERT_TRUE(second.payload);
  EXPECT_EQ(first.payload->persons.at(0).nick, "old");
  EXPECT_EQ(second.payload->persons.at(0).nick, "new");
  writePayloadFile(directory.path() / "reminders.plist", RemindersWidgetPayload{}, plist::Format::xml);
  const auto empty = readStore(files);
  ASSERT_TRUE(empty.payload);
  EXPECT_TRUE(empty.payload->events.empty() && empty.payload->persons.empty());
  EXPECT_EQ(empty.printed, "");
}

TEST(PayloadStore, AccessIsHeldAroundTheReadOnly) {
  TemporaryDirectory directory;
  const FileManager files(directory.path());
  // The colour line is printed while decoding, so it must come after "stop".
  plist::Value root = encodePayload(onePersonPayload("x"));
  auto& persons = std::get<plist::Array>(std::get<plist::Dictionary>(root.storage).at(1).second.storage);
  std::get<plist::Dictionary>(persons.at(0).storage).at(3).second = std::string("word");
  const auto bytes = plist::write(root, plist::Format::binary);
  ASSERT_TRUE(bytes);
  writeFile(directory.path() / "reminders.plist", *bytes);
  CountingHooks hooks(/*grant=*/true, /*print=*/true);
  const auto read = readStore(files);
  ASSERT_TRUE(read.payload);
  EXPECT_EQ(read.printed,
            "start\nstop\n"
            "queryDictionary: Invalid key-value pair in string: word\n"
            "Error in ColorEncoded initializer: No dictionary\n");
}

TEST(PayloadStore, RefusedAccessStillReadsAndIsNotStopped) {
  TemporaryDirectory directory;
  writePayloadFile(directory.path() / "reminders.plist", onePersonPayload("x"));
  CountingHooks hooks(/*grant=*/false);
  const auto read = readStore(FileManager(directory.path()));
  EXPECT_TRUE(read.payload);
  EXPECT_EQ(hooks.starts, 1);
  EXPECT_EQ(hooks.stops, 0);
}

TEST(PayloadStore, DecodesFilesWrittenByPlistlib) {
  // tests/payload/fixtures/make_fixtures.py wrote the same payload in both forms.
  for (const char* name : {"payload_binary.plist", "payload_xml.plist"}) {
    TemporaryDirectory directory;
    std::filesystem::copy_file(rw::testing::sourceDirectory() / "tests/payload/fixtures" / name,
                               directory.path() / "reminders.plist");
    const auto read = readStore(FileManager(directory.path()));
    ASSERT_TRUE(read.payload) << name;
    EXPECT_EQ(read.printed, "Invalid colorEncoded version\n") << name;  // P3's colour has version 182
    const auto& payload = *read.payload;
    ASSERT_EQ(payload.events.size(), 3u);
    EXPECT_EQ(testing::textsOf(payload.events[0].beneficiaries), (std::vector<std::string>{"P3", "P4"}));
    EXPECT_EQ(formatRfc3339(payload.events[0].plannedDateFrom), "2026-06-12T16:00:00.000Z");
    EXPECT_EQ(payload.events[0].actionURL->absoluteString(), "corvantis2://reminders/E1");
    EXPECT_EQ(payload.events[1].status, CustodyEventStatus::permanentlyDeleted);
    EXPECT_EQ(payload.events[1].title, "Dentist — Zoë");
    EXPECT_EQ(payload.events[1].dueAmountText, "€45.00");
    EXPECT_EQ(payload.events[1].actionURL->absoluteString(),
              "corvantis2://reminders/expenses/E2?tab=receipt");
    EXPECT_EQ(payload.events[1].actionURL->baseURL()->relativeString(), "corvantis2://reminders/");
    EXPECT_EQ(payload.events[2].status, CustodyEventStatus::virtualSpot);
    EXPECT_EQ(payload.events[2].plannedDateFrom.sinceReferenceDate, 0.0);
    EXPECT_EQ(formatRfc3339(payload.events[2].dateFrom), "1999-12-31T23:59:59.000Z");
    EXPECT_FALSE(payload.events[2].actionURL);
    ASSERT_EQ(payload.persons.size(), 4u);
    std::vector<std::int64_t> colours;
    for (const auto& person : payload.persons)
      colours.push_back(person.colorEncoded.index);
    EXPECT_EQ(colours, (std::vector<std::int64_t>{6, -3, 7, 7}));
    EXPECT_EQ(payload.persons[3].type, CustodyPersonType::child);
  }
}

TEST(ReadWholeFile, LimitIsInclusiveAndCountsWhatIsRead) {
  TemporaryDirectory directory;
  const auto file = directory.path() / "f";
  writeFile(file, "12345");
  EXPECT_EQ(readWholeFile(file, 5), (ByteBuffer{'1', '2', '3', '4', '5'}));
  EXPECT_FALSE(readWholeFile(file, 4));
  writeFile(file, "");
  EXPECT_EQ(readWholeFile(file, 0), ByteBuffer{});
  EXPECT_FALSE(readWholeFile(directory.path(), 100));
  EXPECT_FALSE(readWholeFile(directory.path() / "missing", 100));
  // Files under /proc report a size of 0 but have content; the read goes to the end regardless.
  const auto data = readWholeFile("/proc/self/status", 1 << 20);
  ASSERT_TRUE(data);
  EXPECT_GT(data->size(), 0u);
  EXPECT_FALSE(readWholeFile("/proc/self/status", 10));
}

TEST(FileManager, FindsContainerByPrecedence) {
  TemporaryDirectory directory;
  const auto home = directory.path() / "home";
  const auto xdg = directory.path() / "xdg";
  const auto configured = directory.path() / "configured";
  const auto given = directory.path() / "given";
  const std::string group(kAppGroupIdentifier);
  for (const auto& dir : {home / ".local/share" / group, xdg / group, configured, given})
    std::filesystem::create_directories(dir);

  ScopedEnv homeVariable("HOME", home.c_str());
  ScopedEnv xdgVariable("XDG_DATA_HOME", xdg.c_str());
  ScopedEnv container("REMINDERS_WIDGET_CONTAINER", configured.c_str());
  EXPECT_EQ(FileManager::fromEnvironment(given).containerURL(group), given);
  EXPECT_EQ(FileManager::fromEnvironment(std::nullopt).containerURL(group), configured);
  {
    ScopedEnv empty("REMINDERS_WIDGET_CONTAINER", "");
    EXPECT_EQ(FileManager::fromEnvironment(std::nullopt).containerURL(group), xdg / group);
    {
      ScopedEnv noXdg("XDG_DATA_HOME", nullptr);
      EXPECT_EQ(FileManager::fromEnvironment(std::nullopt).containerURL(group),
                home / ".local/share" / group);
    }
    {
      ScopedEnv relativeXdg("XDG_DATA_HOME", "relative/dir");  // not absolute: ignored
      EXPECT_EQ(FileManager().containerURL(group), home / ".local/share" / group);
    }
    {
      ScopedEnv noXdg("XDG_DATA_HOME", "");
      ScopedEnv noHome("HOME", nullptr);
      EXPECT_FALSE(FileManager().containerURL(group));
    }
    // The lookup names the app group's own directory, which must exist.
    EXPECT_FALSE(FileManager().containerURL("group.other"));
  }
  // A configured directory that does not exist is not found; there is no falling back.
  EXPECT_FALSE(FileManager::fromEnvironment(directory.path() / "absent").containerURL(group));
}

}  // namespace
}  // namespace rw
