#include "payload/store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "platform/messages.h"
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

// Prints each start and stop of security-scoped access on this thread, among the store's lines; refuses
// every start unless `grant`.
struct PrintingHooks : SecurityScopedAccess::Hooks {
  explicit PrintingHooks(bool granted = true)
      : grant(granted), previous(SecurityScopedAccess::setHooksForThisThread(this)) {}
  ~PrintingHooks() override { SecurityScopedAccess::setHooksForThisThread(previous); }
  bool start(const std::filesystem::path& at) override {
    return printLine("start " + at.filename().string()), grant;
  }
  void stop(const std::filesystem::path& at) override { printLine("stop " + at.filename().string()); }
  bool grant;
  Hooks* previous;
};

// What reading the store in `container` prints, and whether it gave a payload.
std::pair<std::string, bool> readStore(const std::filesystem::path& container) {
  bool read = false;
  const std::string printed =
      capturedStdout([&] { read = payloadReadingAppGroup(FileManager(container)).has_value(); });
  return {printed, read};
}

// Access is held around the read only: lines of decoding (a colour that is no query text) come after it
// stops; an access not granted is not stopped, but the file is still read.
TEST(PayloadStore, ReadsUnderAccessAndPrintsExactlyItsLines) {
  TemporaryDirectory directory;
  const auto file = directory.path() / "reminders.plist";
  const std::string start = "start reminders.plist\n", access = start + "stop reminders.plist\n",
                    colour =
                        "queryDictionary: Invalid key-value pair in string: word\n"
                        "Error in ColorEncoded initializer: No dictionary\n";
  const auto sparse = [&] {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kMaxPayloadFileSize + 1)), 0);
    ::close(fd);
  };
  const auto contents = [&](std::string_view text) { return [&, text] { writeFile(file, text); }; };
  const struct {
    const char* what;
    std::function<void()> make;
    std::string printed;
    bool read = false;
  } cases[] = {
      {"no file", [] {}, access},
      {"directory", [&] { std::filesystem::create_directory(file); }, access},
      {"FIFO without a writer", [&] { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); }, access},
      {"sparse file over the size limit", sparse, access},
      {"text", contents("this is not a property list"),
       access + "Error in RemindersWidgetPayload.payloadReadingAppGroup(): Unable to decode data\n"},
      {"bad colour",
       contents(
           "<plist><dict><key>events</key><array/><key>persons</key><array><dict>"
           "<key>identifier</key><string>p</string><key>type</key><string>child</string><key>nick</key>"
           "<string>x</string><key>colorEncoded</key><string>word</string></dict></array></dict></plist>"),
       access + colour, true},
  };
  PrintingHooks hooks;
  for (const auto& c : cases) {
    std::filesystem::remove_all(file);
    c.make();
    EXPECT_EQ(readStore(directory.path()), std::pair(c.printed, c.read)) << c.what;
  }
  PrintingHooks refusing(false);
  EXPECT_EQ(readStore(directory.path()), std::pair(start + colour, true));
  // No container, or a file where it should be: no location, so no access either.
  EXPECT_EQ(readStore(directory.path() / "missing").first, kNotFoundLines);
  EXPECT_EQ(readStore(file).first, kNotFoundLines);
  std::optional<std::filesystem::path> url;
  EXPECT_EQ(capturedStdout([&] { url = payloadURL(FileManager(directory.path())); }), "");
  EXPECT_EQ(url, directory.path() / "reminders.plist");
}

TEST(FileManager, ReadsWholeFilesWithinALimitAndFindsTheContainerByPrecedence) {
  TemporaryDirectory directory;
  const auto file = directory.path() / "f";
  writeFile(file, "12345");
  EXPECT_EQ(readWholeFile(file, 5), (ByteBuffer{'1', '2', '3', '4', '5'}));
  EXPECT_FALSE(readWholeFile(file, 4));
  writeFile(file, "");
  EXPECT_EQ(readWholeFile(file, 0), ByteBuffer{});
  // Files under /proc report a size of 0 but have content; the read goes to the end regardless.
  EXPECT_GT(readWholeFile("/proc/self/status", 1 << 20).value_or(ByteBuffer{}).size(), 0u);
  EXPECT_FALSE(readWholeFile("/proc/self/status", 10));
  const auto home = directory.path() / "home", xdg = directory.path() / "xdg";
  const auto configured = directory.path() / "configured", given = directory.path() / "given";
  const std::string group(kAppGroupIdentifier);
  for (const auto& dir : {home / ".local/share" / group, xdg / group, configured, given})
    std::filesystem::create_directories(dir);
  const ScopedEnv homeVariable("HOME", nullptr), xdgVariable("XDG_DATA_HOME", nullptr),
      container("REMINDERS_WIDGET_CONTAINER", nullptr);
  // The variables REMINDERS_WIDGET_CONTAINER, XDG_DATA_HOME and HOME, and the container found.
  const std::tuple<const char*, const char*, const char*, std::optional<std::filesystem::path>> cases[] = {
      {configured.c_str(), xdg.c_str(), home.c_str(), configured},
      {"", xdg.c_str(), home.c_str(), xdg / group},
      {"", nullptr, home.c_str(), home / ".local/share" / group},
      {"", "relative/dir", home.c_str(), home / ".local/share" / group},  // not absolute: ignored
      {"", "", nullptr, std::nullopt},
      {"/nonexistent/configured", xdg.c_str(), home.c_str(), std::nullopt},  // no falling back
  };
  for (const auto& [containerValue, xdgValue, homeValue, found] : cases) {
    container.set(containerValue);
    xdgVariable.set(xdgValue);
    homeVariable.set(homeValue);
    EXPECT_EQ(FileManager::fromEnvironment(std::nullopt).containerURL(group), found)
        << containerValue << xdgValue;
  }
  EXPECT_EQ(FileManager::fromEnvironment(given).containerURL(group), given);
  EXPECT_FALSE(FileManager::fromEnvironment(directory.path() / "absent").containerURL(group));
  // The lookup names the app group's own directory, which must exist.
  EXPECT_FALSE(FileManager().containerURL("group.other"));
}

}  // namespace
}  // namespace rw
