// The desktop window on a private X server (Xvfb): it shows what `render` draws, a click or a key opens the
// link under it through the desktop's handler, and a changed payload or SIGHUP brings a new timeline.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "desktop_model.h"
#include "support/child_process.h"
#include "support/run_program.h"
#include "support/test_support.h"
#include "support/widget_fixtures.h"
#include "ui/renderer.h"

// Last: Xlib's macros (None, Bool, Status...) would clash with the names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace rw {
namespace {

namespace fs = std::filesystem;
using fixtures::at;
using fixtures::event;
using rw::testing::Child;
using rw::testing::eventually;
using rw::testing::readFile;
using rw::testing::TemporaryDirectory;
using rw::testing::writeFile;
using Point = std::pair<int, int>;
using ::testing::HasSubstr;

const std::string kNow = "2026-12-06T09:30:00Z";
constexpr int kLeft = 40, kTop = 30;  // --position

// A clean environment but for the sanitizers' options; GTK keeps its caches until exit, so no leak checks.
std::vector<std::string> baseEnvironment(const fs::path& home) {
  const char *asan = std::getenv("ASAN_OPTIONS"), *ubsan = std::getenv("UBSAN_OPTIONS");
  std::vector<std::string> environment{
      "PATH=/usr/local/bin:/usr/bin:/bin", "HOME=" + home.string(), "LANG=C.UTF-8",
      "ASAN_OPTIONS=" + (asan != nullptr ? std::string(asan) + ":" : std::string()) + "detect_leaks=0"};
  if (ubsan != nullptr) environment.push_back(std::string("UBSAN_OPTIONS=") + ubsan);
  return environment;
}

int occurrences(const std::string& text, const std::string& part) {
  int found = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++found;
  return found;
}

/// More arguments, a settings directory shared with other windows (else its own).
struct WindowSetup {
  std::vector<std::string> args;
  fs::path config;
  bool accessible = false;  // GTK's accessibility bridge on the session bus
  bool placed = true;       // --position 40,30 and --family
  bool bus = true;          // the test's session bus
};

// A desktop host with a fixed clock, zone and locale; GIO's handler for its links appends them to opened.txt.
class DesktopWindow {
 public:
  DesktopWindow(const fs::path& container, const std::string& family, int scale,
                const WindowSetup& setup = {})
      : scale_(scale),
        family_(familyName(*app::desktop::desktopFamilyNamed(family))),
        common_{"--container", container.string(), "--now", kNow, "--time-zone", "UTC", "--locale", "en_US"} {
    const fs::path data = scratch() / "data", opener = scratch() / "opener.sh";
    const fs::path config = setup.config.empty() ? scratch() / "config" : setup.config;
    fs::create_directories(data / "applications");
    fs::create_directories(config);
    writeFile(opener, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened().string() + "'\n");
    fs::permissions(opener, fs::perms::owner_all);
    writeFile(data / "applications" / "test-opener.desktop",
              "[Desktop Entry]\nType=Application\nName=Test opener\nExec=" + opener.string() +
                  " %u\nMimeType=x-scheme-handler/corvantis2;x-scheme-handler/https;\nNoDisplay=true\n");
    writeFile(config / "mimeapps.list",
              "[Default Applications]\nx-scheme-handler/corvantis2=test-opener.desktop\n"
              "x-scheme-handler/https=test-opener.desktop\n");
    std::vector<std::string> environment = baseEnvironment(scratch());
    // No settings daemon, no accessibility bus unless read.
    environment.insert(
        environment.end(),
        {"DISPLAY=" + std::string(std::getenv("DISPLAY")), "XDG_DATA_HOME=" + data.string(),
         "XDG_CONFIG_HOME=" + config.string(), "XDG_DATA_DIRS=/usr/local/share:/usr/share",
         "XDG_RUNTIME_DIR=" + scratch().string(), "GDK_SCALE=" + std::to_string(scale), "GDK_BACKEND=x11",
         "GSETTINGS_BACKEND=memory",
         "DBUS_SESSION_BUS_ADDRESS=" +
             std::string(setup.bus ? std::getenv("DBUS_SESSION_BUS_ADDRESS") : "unix:path=/nonexistent")});
    if (!setup.accessible) environment.insert(environment.end(), {"GTK_A11Y=none", "NO_AT_BRIDGE=1"});
    std::vector<std::string> argv{RW_DESKTOP_EXECUTABLE};
    argv.insert(argv.end(), common_.begin(), common_.end());
    if (setup.placed) argv.insert(argv.end(), {"--position", "40,30", "--family", family});
    argv.insert(argv.end(), setup.args.begin(), setup.args.end());
    child_.emplace(argv, environment, out());
  }

  const fs::path& scratch() const { return scratch_.path(); }
  fs::path out() const { return scratch() / "desktop.out"; }
  fs::path opened() const { return scratch() / "opened.txt"; }
  std::string output() const { return readFile(out()) + readFile(out().string() + ".err"); }
  Child& child() { return *child_; }
  bool waitFor(const std::string& text, int times = 1) const {
    return eventually([&] { return occurrences(readFile(out()), text) >= times; });
  }
  bool shown(int times = 1) const {
    return waitFor("Showing entry 0 at scale " + std::to_string(scale_), times);
  }
  ::Window id() const {
    const std::string text = readFile(out());
    const auto at = text.find("Window 0x");
    return at == std::string::npos ? 0 : std::stoul(text.substr(at + 7), nullptr, 16);
  }

  ui::Bitmap reference() const {
    const std::string png = (scratch() / "reference.png").string();
    std::vector<std::string> args{"render",   "-o",   png, "--scale", std::to_string(scale_),
                                  "--family", family_};
    args.insert(args.end(), common_.begin(), common_.end());
    EXPECT_EQ(rw::testing::run(args).status, 0);
    const std::string bytes = readFile(png);
    return ui::decodePng({bytes.begin(), bytes.end()}).value_or(ui::Bitmap{});
  }

 private:
  TemporaryDirectory scratch_;
  int scale_;
  std::string family_;
  std::vector<std::string> common_;
  std::optional<Child> child_;
};

RemindersWidgetPayload threeReminders(const std::string& prefix) {
  RemindersWidgetPayload payload{.events = {event(prefix + "1", at("2026-12-06T10:00:00Z")),
                                            event(prefix + "2", at("2026-12-06T11:00:00Z")),
                                            event(prefix + "3", at("2026-12-06T12:00:00Z"))},
                                 .persons = fixtures::persons()};
  payload.events[1].actionURL = fixtures::kept(URL::make("https://example.org/e/2"));
  payload.events[2].actionURL = fixtures::kept(URL::make("file:///etc/passwd"));
  return payload;
}

// The second row's link; the first row has none (the app's); the "file:" row opens nothing; below: the app.
const char* const kOpened = "https://example.org/e/2\ncorvantis2://reminders\ncorvantis2://reminders\n";

// The X server and the session bus that ctest starts for each test (xvfb-run, dbus-run-session).
class DesktopWindowUnderXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(display_ = XOpenDisplay(nullptr), nullptr) << "no X server: ctest runs this under xvfb-run";
    fs::create_directories(container());
    fixtures::store(container(), threeReminders("E"));
  }
  void TearDown() override {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  fs::path container() const { return scratch_.path() / "container"; }

  /// Activates (with `state`: sets) `action` of the widget `instance` as its menu does; gdbus's status.
  int act(const std::string& instance, const std::string& action, const std::string& state = {}) const {
    const std::string id = RW_APPLICATION_ID + (instance == "default" ? "" : ".i_" + instance);
    std::string path = "/" + id;
    std::replace(path.begin(), path.end(), '.', '/');
    const bool set = !state.empty();
    return Child({RW_GDBUS, "call", "--session", "--dest", id, "--object-path", path, "--method",
                  set ? "org.gtk.Actions.SetState" : "org.gtk.Actions.Activate", action,
                  set ? "<" + state + ">" : "[]", "{}"},
                 {}, scratch_.path() / "gdbus")
        .wait();
  }

  /// Moves the pointer to `at`, then presses and/or releases the left button there.
  void pointer(Point at, bool press = true, bool release = true) const {
    XTestFakeMotionEvent(display_, -1, at.first, at.second, CurrentTime);
    if (press) XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    if (release) XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XFlush(display_);
  }

  /// The names in the atom list `property` of `window`, each followed by a space.
  std::string atoms(::Window window, const char* property) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display_, window, XInternAtom(display_, property, False), 0, 64, False, XA_ATOM, &type,
                       &format, &count, &after, &data);  // leaves count 0 when it fails
    std::string names;
    for (unsigned long i = 0; i < count; ++i) {
      char* name = XGetAtomName(display_, reinterpret_cast<const Atom*>(data)[i]);
      names += std::string(name) + " ";
      XFree(name);
    }
    if (data != nullptr) XFree(data);
    return names;
  }

  // Waits until the screen at `origin` shows `reference`: at most 0.2 % of the pixels with a channel off by
  // more than 24, a mean difference below 1.
  void expectPicture(const ui::Bitmap& reference, Point origin = {kLeft, kTop}) const {
    ASSERT_GT(reference.width, 0);
    const auto size = static_cast<double>(reference.pixels.size());
    double far = 0, total = 0;
    const bool matched = eventually([&] {
      XImage* image = XGetImage(display_, DefaultRootWindow(display_), origin.first, origin.second,
                                static_cast<unsigned>(reference.width),
                                static_cast<unsigned>(reference.height), AllPlanes, ZPixmap);
      if (image == nullptr) return false;
      far = total = 0;
      for (int i = 0; i < int(reference.pixels.size()); ++i) {  // 24-bit TrueColor: 0xRRGGBB
        const auto pixel = XGetPixel(image, i % reference.width, i / reference.width);
        int worst = 0;
        for (int shift : {0, 8, 16}) {
          const int d = std::abs(int((pixel >> shift) & 0xFF) - int((reference.pixels[i] >> shift) & 0xFF));
          worst = std::max(worst, d);
          total += d;
        }
        far += worst > 24 ? 1 : 0;
      }
      XDestroyImage(image);
      return far < 0.002 * size && total < 3.0 * size;
    });
    EXPECT_TRUE(matched) << far / size * 100 << "% of pixels differ, mean channel difference "
                         << total / (3 * size);
  }

  TemporaryDirectory scratch_;
  ::Display* display_ = nullptr;
};

// The container is made after the start: it is watched from its nearest existing parent. A screen reader
// (pyatspi) finds every reminder; the keys move the focus link by link in reading order and Return opens the
// focused link, as a click opens the one under it, never one with an unsafe scheme.
TEST_F(DesktopWindowUnderXvfb, ShowsAPayloadMadeLaterOpensLinksByKeyAndClickAndAsksAgainOnChangesAndHangup) {
  const fs::path later = scratch_.path() / "later" / "deeper" / "container";
  DesktopWindow window(later, "large", 1, {.accessible = true});
  ASSERT_TRUE(window.waitFor("request (start) in UTC: 1 entry")) << window.output();
  fs::create_directories(later);
  fixtures::store(later, threeReminders("E"));
  ASSERT_TRUE(window.waitFor("request (payloadChanged) in UTC: 31 entries")) << window.output();
  expectPicture(window.reference());
  const auto opened = [&](int lines) {
    return eventually([&] { return occurrences(readFile(window.opened()), "\n") >= lines; });
  };
  const auto keys = [&](std::vector<std::string> pressed, int lines) {
    pressed.insert(pressed.begin(), {RW_XDOTOOL, "key"});
    EXPECT_EQ(Child(pressed, {}, scratch_.path() / "xdotool").wait(), 0);
    return opened(lines);
  };
  Child tree({"/usr/bin/python3", RW_ACCESSIBLE_TREE}, {}, scratch_.path() / "tree");
  ASSERT_EQ(tree.wait(std::chrono::seconds(30)), 0) << readFile(scratch_.path() / "tree.err");
  // A link each, from the title to the due text; the counts with their labels.
  const std::string text = readFile(scratch_.path() / "tree");
  for (const std::string line : {"link: Title E1, ", "link: Title E2, ", "link: Title E3, ",
                                 "label: Overdue, 0\n", "label: Today, 3\n"})
    EXPECT_THAT(text, HasSubstr(line));
  EXPECT_EQ(occurrences(text, ", Today\n"), 3) << text;
  pointer({kLeft + 5, kTop + 5}, false, false);  // the keys go where the pointer is (no window manager)
  // Row 2's link; back to row 1 (the app's); down to row 3 ("file:"), round to the widget's link.
  ASSERT_TRUE(keys({"Tab", "Tab", "Return"}, 1)) << window.output();
  ASSERT_TRUE(keys({"shift+Tab", "space"}, 2)) << window.output();
  ASSERT_TRUE(keys({"Down", "Down", "Return", "Down", "KP_Enter"}, 3)) << window.output();
  EXPECT_EQ(readFile(window.opened()), kOpened);
  EXPECT_THAT(window.output(), HasSubstr("nothing to open for the focused link"));
  fs::remove(window.opened());
  // Clicks in the middle of rows 2, 3 ("file:": nothing to open) and 1, then below the rows.
  const auto click = [&](int y, int lines) {
    pointer({kLeft + 182, kTop + y});
    return opened(lines);
  };
  ASSERT_TRUE(click(131, 1)) << window.output();
  ASSERT_TRUE(click(183, 1) && click(78, 2) && click(370, 3)) << window.output();
  EXPECT_EQ(readFile(window.opened()), kOpened);
  EXPECT_THAT(window.output(), HasSubstr("nothing to open at "));
  // Written beside and renamed into place, as the app writes it: the window shows the new payload alone.
  const int requests = occurrences(window.output(), " request ("),
            changes = occurrences(readFile(window.out()), "request (payloadChanged)");
  fixtures::store(window.scratch(), threeReminders("Changed "));
  fs::rename(window.scratch() / kPayloadFileName, later / kPayloadFileName);
  ASSERT_TRUE(window.waitFor("request (payloadChanged)", changes + 1)) << window.output();
  expectPicture(window.reference());
  window.child().signal(SIGHUP);
  ASSERT_TRUE(window.waitFor("request (reloadRequest)")) << window.output();
  keys({"ctrl+q"}, 3);
  EXPECT_EQ(window.child().wait(), 0) << window.output();
  // One request per cause: the rewrite (its burst of file events made one) and the hangup.
  EXPECT_EQ(occurrences(window.output(), " request ("), requests + 2) << window.output();
  EXPECT_THAT(window.output(), HasSubstr("Host ended"));
}

// Each widget keeps its choices (through its menu's actions on the bus) and place (dragged) in its own
// settings file, and takes them back at the next start; a second start of a running widget ends. Each size
// shows what `render` draws at the window's scale.
TEST_F(DesktopWindowUnderXvfb, WidgetsKeepTheirChoicesAndPlaceAndMoveWhenDragged) {
  const fs::path config = scratch_.path() / "config", settings = config / "reminders-widget" / "default.ini";
  const auto fileHas = [&](const fs::path& file, const std::string& text) {
    return eventually([&] { return readFile(file).find(text) != std::string::npos; });
  };
  {
    DesktopWindow window(container(), "small", 1, {.config = config});
    ASSERT_TRUE(window.shown()) << window.output();
    expectPicture(window.reference());
    XClassHint hint{};
    ASSERT_NE(XGetClassHint(display_, window.id(), &hint), 0);
    EXPECT_EQ(std::string(hint.res_name) + "/" + hint.res_class, RW_APPLICATION_ID "/" RW_APPLICATION_ID);
    XFree(hint.res_name);
    XFree(hint.res_class);
    EXPECT_EQ(atoms(window.id(), "_NET_WM_WINDOW_TYPE"), "_NET_WM_WINDOW_TYPE_DOCK ");
    const std::string states =
        "_NET_WM_STATE_STICKY _NET_WM_STATE_BELOW _NET_WM_STATE_SKIP_TASKBAR "
        "_NET_WM_STATE_SKIP_PAGER ";
    EXPECT_TRUE(eventually([&] { return atoms(window.id(), "_NET_WM_STATE") == states; }))
        << atoms(window.id(), "_NET_WM_STATE");

    EXPECT_TRUE(act("default", "family", "'medium'") == 0 && fileHas(settings, "Family=medium"));
    EXPECT_TRUE(act("default", "every-workspace") == 0 && fileHas(settings, "EveryWorkspace=false"));
    EXPECT_EQ(atoms(window.id(), "_NET_WM_STATE").find("STICKY"), std::string::npos);
    // The window manager reads the type when the window is mapped: the window goes and comes back.
    EXPECT_TRUE(act("default", "with-desktop") == 0 && eventually([&] {
                  return atoms(window.id(), "_NET_WM_WINDOW_TYPE") == "_NET_WM_WINDOW_TYPE_NORMAL ";
                }));
    const fs::path login = config / "autostart" / (RW_APPLICATION_ID "-default.desktop");
    EXPECT_TRUE(act("default", "start-at-login") == 0 && fileHas(login, " --instance default\n"));
    EXPECT_TRUE(act("default", "start-at-login") == 0 && eventually([&] { return !fs::exists(login); }));

    // The same widget once more: the running one answers.
    DesktopWindow repeated(container(), "small", 1, {.config = config, .placed = false});
    EXPECT_EQ(repeated.child().wait(), 0) << repeated.output();
    EXPECT_THAT(repeated.output(), HasSubstr("runs already"));

    // A press, a drag of 60,40 pixels and a release move the window and open nothing.
    ASSERT_TRUE(window.shown(2)) << window.output();
    pointer({kLeft + 50, kTop + 50}, true, false);
    for (int step = 1; step <= 4; ++step)
      pointer({kLeft + 50 + 15 * step, kTop + 50 + 10 * step}, false, step == 4);
    EXPECT_TRUE(fileHas(settings, "Position=100,70")) << readFile(settings);
    int x = 0, y = 0;
    ::Window child = 0;
    XTranslateCoordinates(display_, window.id(), DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    EXPECT_EQ(Point(x, y), Point(kLeft + 60, kTop + 40));
    EXPECT_FALSE(fs::exists(window.opened())) << readFile(window.opened());

    // Another widget keeps its own file; removed from its menu, it ends and forgets its settings.
    DesktopWindow other(container(), "extra large", 1, {.args = {"--instance", "second"}, .config = config});
    ASSERT_TRUE(other.shown()) << other.output();
    expectPicture(other.reference());
    EXPECT_TRUE(act("second", "family", "'small'") == 0 &&
                fileHas(config / "reminders-widget" / "second.ini", "Family=small"));
    ASSERT_EQ(act("second", "remove-widget"), 0);
    EXPECT_EQ(other.child().wait(), 0) << other.output();
    EXPECT_FALSE(fs::exists(config / "reminders-widget" / "second.ini"));
    EXPECT_EQ(window.child().stop(), 0) << window.output();
    EXPECT_THAT(readFile(settings), HasSubstr("Family=medium"));
  }
  // Started again without a family or a place, at another scale and without a session bus: those it kept.
  DesktopWindow window(container(), "medium", 2, {.config = config, .placed = false, .bus = false});
  ASSERT_TRUE(window.shown()) << window.output();
  EXPECT_TRUE(window.waitFor(" at 100,70\n")) << window.output();
  expectPicture(window.reference(), {100, 70});
  EXPECT_EQ(atoms(window.id(), "_NET_WM_STATE").find("STICKY"), std::string::npos);
  EXPECT_EQ(window.child().stop(), 0) << window.output();
  EXPECT_THAT(window.output(), HasSubstr("Host ended"));
}

// Unusable options are refused before a display is looked for; usable ones without a display say so.
TEST(DesktopCommandLine, RefusesUnusableOptionsBeforeLookingForADisplay) {
  TemporaryDirectory scratch;
  const auto runWith = [&](std::vector<std::string> args, int status, const std::string& said) {
    args.insert(args.begin(), RW_DESKTOP_EXECUTABLE);
    EXPECT_EQ(Child(args, baseEnvironment(scratch.path()), scratch.path() / "out").wait(), status) << args[1];
    EXPECT_THAT(readFile(scratch.path() / "out.err"), HasSubstr(said));
  };
  // The parsers are tested on their own (here and tests/app): one value each stands for them.
  const std::vector<std::string> refused[] = {
      {"--family", "huge"}, {"--position", "40,99999"}, {"--mode", "dark"}, {"--unknown"}};
  for (const auto& args : refused)
    runWith(args, 2, "reminders-widget-desktop: ");
  runWith({"--instance", "a/b"}, 2, "invalid --instance");
  runWith({"--family", "extra large", "--position", "-10,+20", "--below"}, 1, "cannot open a display");
}

}  // namespace
}  // namespace rw
