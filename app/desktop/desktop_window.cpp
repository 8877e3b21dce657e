#include "desktop_window.h"

#include <cairo.h>
#include <gio/gio.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

#include "commands.h"
#include "desktop_access.h"
#include "payload/store.h"
#include "platform/calendar.h"
#include "platform/catalog.h"
#include "platform/clock.h"
#include "platform/date.h"
#include "ui/renderer.h"
#include "widget/file_events.h"
#include "widget/host_schedule.h"

// Last: Xlib's macros (None, Bool, Status...) would clash with the names above.
#if defined(RW_DESKTOP_X11) && defined(GDK_WINDOWING_X11)
#include <gdk/x11/gdkx.h>
#define RW_WITH_X11 1
#endif

namespace rw::app::desktop {

void addDesktopOptions(CLI::App& app, DesktopOptions& options, std::string& position) {
  options.widget.host.family = "large";
  options.widget.host.addTo(app);
  app.get_option("--family")
      ->description(
          "Widget size: small, medium, large or \"extra large\" (also a family name of reminders-widget, "
          "e.g. systemLarge)");
  options.widget.addTo(app, false, false);
  app.add_option("--position", position,
                 "Where the window's top left corner goes: X,Y in screen pixels (X11; on Wayland the "
                 "compositor places windows)");
  app.add_flag("--below", options.below, "Keep the window below other windows where the desktop allows it");
}

void validate(DesktopOptions& options, const std::string& position) {
  const auto family = desktopFamilyNamed(options.widget.host.family);
  if (!family)
    throw UsageError("unknown --family '" + options.widget.host.family +
                     "' (small, medium, large, extra large, or a family name such as systemLarge)");
  options.widget.host.family = std::string(familyName(*family));
  if (!position.empty()) {
    options.position = parseWindowPosition(position);
    if (!options.position) throw UsageError("invalid --position '" + position + "' (X,Y in screen pixels)");
  }
  // Every other option is checked here, so that a bad one fails before a window opens.
  const WidgetRun run = prepareRun(options.widget);
  checkScale(1, run.request.context.displaySize);
}

namespace {

// A writer's create, write and rename, or a thousand touches, arrive as many file events: they make one
// reload once the files have been quiet for a moment (widget/file_events.h).
double monotonicSeconds() {
  return static_cast<double>(g_get_monotonic_time()) / 1e6;
}

std::string baseName(GFile* file) {
  if (file == nullptr) return {};
  char* name = g_file_get_basename(file);
  std::string result = name != nullptr ? name : "";
  g_free(name);
  return result;
}

class DesktopHost final : public HostClock, public HostEventSource {
 public:
  explicit DesktopHost(const DesktopOptions& options);
  ~DesktopHost() override;
  DesktopHost(const DesktopHost&) = delete;
  DesktopHost& operator=(const DesktopHost&) = delete;

  void run();

  Date now() const override { return frozenNow_ ? *frozenNow_ : systemNow(); }
  std::string timeZone() const override {
    return options_.widget.host.timeZone.empty() ? timeZoneFromEnvironment() : options_.widget.host.timeZone;
  }
  HostEvent wait(std::optional<Date> deadline) override;

 private:
  void buildWindow();
  void buildMenu();
  void watchFiles();
  void watch(const std::filesystem::path& path, bool directory);
  void post(HostEvent event) { events_.push_back(event); }

  void show(const RemindersWidgetTimelineEntry& entry, std::size_t index);
  void redraw();
  void paint();
  void openAt(double x, double y);
  void open(const std::optional<std::string>& url, const std::string& what);
  void popupMenu(GdkRectangle at);
  void chooseFamily(std::string_view name);
  void placeWindow();

  static void draw(GtkDrawingArea*, cairo_t* cr, int, int, gpointer self);
  static void afterPaint(GdkFrameClock*, gpointer self);
  static void pressed(GtkGestureClick* gesture, int, double x, double y, gpointer self);
  static void released(GtkGestureClick* gesture, int, double x, double y, gpointer self);
  static void fileChanged(GFileMonitor*, GFile* file, GFile* other, GFileMonitorEvent, gpointer self);
  static gboolean timerFired(gint fd, GIOCondition, gpointer self);
  void scheduleBurst();

  DesktopOptions options_;
  std::optional<Date> frozenNow_;  // --now: the clock stands still
  WidgetRun run_;

  // What the window shows: the entry, its layout (for clicks) and its pixels at the window's scale.
  std::optional<RemindersWidgetTimelineEntry> entry_;
  std::size_t entryIndex_ = 0;
  std::optional<ui::LayoutNode> layout_;
  cairo_surface_t* surface_ = nullptr;
  int scale_ = 1;
  bool painted_ = false;
  bool announce_ = false;

  std::deque<HostEvent> events_;
  GtkWindow* window_ = nullptr;
  GtkWidget* area_ = nullptr;
  GtkWidget* menu_ = nullptr;
  std::unique_ptr<DesktopAccess> access_;  // keyboard and screen readers
  GSimpleActionGroup* actions_ = nullptr;
  GFile* container_ = nullptr;
  std::vector<GFileMonitor*> monitors_;
  std::vector<guint> sources_;
  guint burst_ = 0;
  FileEventCoalescer coalescer_;
  bool payloadTouched_ = false;
  bool zoneTouched_ = false;
  int timer_ = -1;
};

DesktopHost::DesktopHost(const DesktopOptions& options)
    : options_(options), run_(prepareRun(options.widget)) {
  if (!options_.widget.host.now.empty()) frozenNow_ = parseRfc3339(options_.widget.host.now);
  buildWindow();
  buildMenu();
  watchFiles();

  timer_ = ::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK);
  if (timer_ >= 0) sources_.push_back(g_unix_fd_add(timer_, G_IO_IN, &DesktopHost::timerFired, this));
  auto onSignal = [](gpointer self) -> gboolean {
    static_cast<DesktopHost*>(self)->post(HostEvent::reloadRequest);
    return G_SOURCE_CONTINUE;
  };
  auto onEnd = [](gpointer self) -> gboolean {
    static_cast<DesktopHost*>(self)->post(HostEvent::terminate);
    return G_SOURCE_CONTINUE;
  };
  sources_.push_back(g_unix_signal_add(SIGHUP, onSignal, this));
  sources_.push_back(g_unix_signal_add(SIGTERM, onEnd, this));
  sources_.push_back(g_unix_signal_add(SIGINT, onEnd, this));
}

DesktopHost::~DesktopHost() {
  for (guint source : sources_)
    g_source_remove(source);
  if (burst_ != 0) g_source_remove(burst_);
  for (GFileMonitor* monitor : monitors_) {
    g_file_monitor_cancel(monitor);
    g_object_unref(monitor);
  }
  if (container_ != nullptr) g_object_unref(container_);
  if (timer_ >= 0) ::close(timer_);
  gtk_widget_unparent(menu_);
  gtk_window_destroy(window_);
  g_object_unref(actions_);
  if (surface_ != nullptr) cairo_surface_destroy(surface_);
  while (g_main_context_pending(nullptr))
    g_main_context_iteration(nullptr, FALSE);
}

void DesktopHost::buildWindow() {
  window_ = GTK_WINDOW(gtk_window_new());
  gtk_window_set_title(window_, "Reminders");
  gtk_window_set_decorated(window_, FALSE);
  gtk_window_set_resizable(window_, FALSE);
  // The widget paints its own rounded shape; around it the window stays clear (where the display can show
  // transparency) rather than taking the theme's window colour.
  gtk_widget_add_css_class(GTK_WIDGET(window_), "reminders-widget");
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, "window.reminders-widget { background: none; }", -1);
  gtk_style_context_add_provider_for_display(gtk_widget_get_display(GTK_WIDGET(window_)),
                                             GTK_STYLE_PROVIDER(css),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  area_ = gtk_drawing_area_new();
  gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area_), &DesktopHost::draw, this, nullptr);
  const Size size = run_.request.context.displaySize;
  gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(area_), static_cast<int>(std::ceil(size.width)));
  gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(area_), static_cast<int>(std::ceil(size.height)));
  access_ = std::make_unique<DesktopAccess>(
      area_, AccessActions{
                 .open =
                     [this](const AccessibleTarget& target) {
                       open(openableURL(target.url), "for the focused link");
                     },
                 .menu =
                     [this](ui::Rect at) {
                       popupMenu({static_cast<int>(at.minX()), static_cast<int>(at.minY()),
                                  std::max(1, static_cast<int>(at.width())),
                                  std::max(1, static_cast<int>(at.height()))});
                     },
                 .reload = [this] { post(HostEvent::reloadRequest); },
                 .quit = [this] { post(HostEvent::terminate); },
                 .focusChanged = [this] { paint(); },
             });
  gtk_window_set_child(window_, access_->root());
  access_->attach(window_);

  g_signal_connect_swapped(area_, "notify::scale-factor", G_CALLBACK(+[](DesktopHost* self) {
                             if (self->entry_) self->redraw();
                           }),
                           this);
  g_signal_connect(window_, "close-request", G_CALLBACK(+[](GtkWindow*, DesktopHost* self) -> gboolean {
                     self->post(HostEvent::terminate);
                     return TRUE;
                   }),
                   this);
  g_signal_connect_swapped(window_, "realize", G_CALLBACK(+[](DesktopHost* self) {
                             g_signal_connect(gtk_widget_get_frame_clock(GTK_WIDGET(self->window_)),
                                              "after-paint", G_CALLBACK(&DesktopHost::afterPaint), self);
                             self->placeWindow();
                           }),
                           this);
  // Again once mapped: a window manager may have placed the window itself when it appeared.
  g_signal_connect_swapped(window_, "map", G_CALLBACK(+[](DesktopHost* self) { self->placeWindow(); }), this);

  GtkGesture* click = gtk_gesture_click_new();
  gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(click), 0);  // every button
  g_signal_connect(click, "pressed", G_CALLBACK(&DesktopHost::pressed), this);
  g_signal_connect(click, "released", G_CALLBACK(&DesktopHost::released), this);
  gtk_widget_add_controller(area_, GTK_EVENT_CONTROLLER(click));
}

void DesktopHost::buildMenu() {
  actions_ = g_simple_action_group_new();
  const std::string family(options_.widget.host.family);
  std::string state = family;
  for (const DesktopFamily& offered : kDesktopFamilies)
    if (familyName(offered.family) == family) state = offered.name;
  GSimpleAction* size =
      g_simple_action_new_stateful("family", G_VARIANT_TYPE_STRING, g_variant_new_string(state.c_str()));
  g_signal_connect(size, "change-state",
                   G_CALLBACK(+[](GSimpleAction* action, GVariant* value, DesktopHost* self) {
                     g_simple_action_set_state(action, value);
                     self->chooseFamily(g_variant_get_string(value, nullptr));
                   }),
                   this);
  GSimpleAction* reload = g_simple_action_new("reload", nullptr);
  g_signal_connect_swapped(
      reload, "activate", G_CALLBACK(+[](DesktopHost* self) { self->post(HostEvent::reloadRequest); }), this);
  GSimpleAction* quit = g_simple_action_new("quit", nullptr);
  g_signal_connect_swapped(quit, "activate",
                           G_CALLBACK(+[](DesktopHost* self) { self->post(HostEvent::terminate); }), this);
  for (GSimpleAction* action : {size, reload, quit}) {
    g_action_map_add_action(G_ACTION_MAP(actions_), G_ACTION(action));
    g_object_unref(action);
  }
  gtk_widget_insert_action_group(GTK_WIDGET(window_), "widget", G_ACTION_GROUP(actions_));

  // The menu's texts come from the same catalogs as the widget's, in the user's languages.
  const Catalog& strings = run_.request.environment.settings.strings;
  GMenu* sizes = g_menu_new();
  for (const DesktopFamily& offered : kDesktopFamilies) {
    GMenuItem* item = g_menu_item_new(strings.text(offered.labelKey).c_str(), nullptr);
    g_menu_item_set_action_and_target_value(item, "widget.family",
                                            g_variant_new_string(std::string(offered.name).c_str()));
    g_menu_append_item(sizes, item);
    g_object_unref(item);
  }
  GMenu* commands = g_menu_new();
  g_menu_append(commands, strings.text("RELOAD / MENU").c_str(), "widget.reload");
  g_menu_append(commands, strings.text("QUIT / MENU").c_str(), "widget.quit");
  GMenu* menu = g_menu_new();
  g_menu_append_section(menu, strings.text("SIZE / MENU").c_str(), G_MENU_MODEL(sizes));
  g_menu_append_section(menu, nullptr, G_MENU_MODEL(commands));
  menu_ = gtk_popover_menu_new_from_model(G_MENU_MODEL(menu));
  gtk_popover_set_has_arrow(GTK_POPOVER(menu_), FALSE);
  gtk_widget_set_parent(menu_, area_);
  g_object_unref(menu);
  g_object_unref(commands);
  g_object_unref(sizes);
}

void DesktopHost::watchFiles() {
  if (auto container = containerLocation(options_.widget.host.container)) {
    container_ = g_file_new_for_path(container->c_str());
    // GLib watches a directory that does not exist yet for it to appear.
    watch(*container, true);
  }
  // A zone given on the command line or in $TZ does not change under the host; the system's does.
  if (options_.widget.host.timeZone.empty() && std::getenv("TZ") == nullptr) {
    watch("/etc/localtime", false);
    watch("/etc/timezone", false);
  }
}

void DesktopHost::watch(const std::filesystem::path& path, bool directory) {
  GFile* file = g_file_new_for_path(path.c_str());
  GError* error = nullptr;
  GFileMonitor* monitor = directory
                              ? g_file_monitor_directory(file, G_FILE_MONITOR_WATCH_MOVES, nullptr, &error)
                              : g_file_monitor_file(file, G_FILE_MONITOR_NONE, nullptr, &error);
  g_object_unref(file);
  if (monitor == nullptr) {
    std::cerr << "reminders-widget-desktop: cannot watch '" << path.string()
              << "': " << (error != nullptr ? error->message : "unknown error") << "\n";
    g_clear_error(&error);
    return;
  }
  g_signal_connect(monitor, "changed", G_CALLBACK(&DesktopHost::fileChanged), this);
  monitors_.push_back(monitor);
}

void DesktopHost::fileChanged(GFileMonitor*, GFile* file, GFile* other, GFileMonitorEvent, gpointer data) {
  auto* self = static_cast<DesktopHost*>(data);
  const bool payload = self->container_ != nullptr &&
                       (g_file_equal(file, self->container_) || baseName(file) == kPayloadFileName ||
                        baseName(other) == kPayloadFileName);
  const std::string name = baseName(file);
  const bool zone = !payload && (name == "localtime" || name == "timezone");
  if (!payload && !zone) return;
  self->payloadTouched_ |= payload;
  self->zoneTouched_ |= zone;
  self->coalescer_.touched(monotonicSeconds());
  self->scheduleBurst();
}

// One reload for a burst of file events, once they are due (FileEventCoalescer).
void DesktopHost::scheduleBurst() {
  if (burst_ != 0) g_source_remove(burst_);
  burst_ = 0;
  const auto due = coalescer_.dueAt();
  if (!due) return;
  const double wait = std::max(0.0, *due - monotonicSeconds());
  burst_ = g_timeout_add(
      static_cast<guint>(std::ceil(wait * 1000)),
      +[](gpointer hostPointer) -> gboolean {
        auto* host = static_cast<DesktopHost*>(hostPointer);
        host->burst_ = 0;
        if (!host->coalescer_.takeIfDue(monotonicSeconds())) {
          host->scheduleBurst();
          return G_SOURCE_REMOVE;
        }
        if (host->payloadTouched_) host->post(HostEvent::payloadChanged);
        if (host->zoneTouched_) host->post(HostEvent::zoneChanged);
        host->payloadTouched_ = host->zoneTouched_ = false;
        return G_SOURCE_REMOVE;
      },
      this);
}

gboolean DesktopHost::timerFired(gint fd, GIOCondition, gpointer data) {
  auto* self = static_cast<DesktopHost*>(data);
  std::uint64_t expirations = 0;
  const ssize_t n = ::read(fd, &expirations, sizeof expirations);
  if (n < 0 && errno == ECANCELED) {
    self->post(HostEvent::clockSet);
  } else if (n == sizeof expirations) {
    self->post(HostEvent::deadline);
  }
  return G_SOURCE_CONTINUE;
}

HostEvent DesktopHost::wait(std::optional<Date> deadline) {
  if (timer_ >= 0) {
    itimerspec spec{};
    // A frozen clock has no deadlines. Otherwise the timer runs even without one, an hour ahead, so that a
    // wall clock being set is noticed.
    if (!frozenNow_) {
      const double seconds = std::max(deadline.value_or(systemNow().adding(3600)).unixSeconds(), 1.0);
      spec.it_value.tv_sec = static_cast<time_t>(std::floor(seconds));
      spec.it_value.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
    }
    ::timerfd_settime(timer_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr);
  }
  while (events_.empty())
    g_main_context_iteration(nullptr, TRUE);
  const HostEvent event = events_.front();
  events_.pop_front();
  return event;
}

void DesktopHost::run() {
  const HostDriver driver{
      .requestTimeline =
          [this](ReloadReason) {
            // Each request runs in the zone of the moment and reads the payload afresh.
            run_ = prepareRunInZone(options_.widget, timeZone(), std::move(run_));
            Timeline<RemindersWidgetTimelineEntry> timeline;
            run_.configuration.provider.getTimeline(
                run_.request.context,
                [&](Timeline<RemindersWidgetTimelineEntry> answer) { timeline = std::move(answer); });
            return timeline;
          },
      .show = [this](const RemindersWidgetTimelineEntry& entry, std::size_t index) { show(entry, index); },
      .report =
          [](const HostRequestRecord& record) {
            std::printf("%s\n", requestLine(record).c_str());
            std::fflush(stdout);
          },
  };
  gtk_window_present(window_);
  runTimelineHost(*this, *this, driver);
}

void DesktopHost::show(const RemindersWidgetTimelineEntry& entry, std::size_t index) {
  entry_ = entry;
  entryIndex_ = index;
  redraw();
}

void DesktopHost::redraw() {
  const int scale = std::max(gtk_widget_get_scale_factor(area_), 1);
  const TimelineProviderContext& context = run_.request.context;
  try {
    checkScale(scale, context.displaySize);
  } catch (const UsageError& error) {
    std::cerr << "reminders-widget-desktop: " << error.what() << "\n";
    return;
  }
  layout_ =
      layoutWidget(run_.configuration, *entry_, context.family, context.displaySize, run_.environment());
  scale_ = scale;
  access_->update(
      accessibleTargets(*layout_, context.displaySize,
                        run_.request.environment.settings.strings.text(RemindersWidget::kDisplayNameKey)));
  paint();
  painted_ = false;
  announce_ = true;
}

// Draws the laid-out entry, with the keyboard focus when it is shown.
void DesktopHost::paint() {
  if (!layout_) return;
  const Size size = run_.request.context.displaySize;
  const ui::Bitmap bitmap = ui::renderBitmap(
      *layout_, size, {.scale = static_cast<double>(scale_), .focusRing = access_->focusRing()});
  // The window's frames may hold on to the old surface after this, so each surface owns its pixels.
  if (surface_ != nullptr) cairo_surface_destroy(surface_);
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bitmap.width, bitmap.height);
  cairo_surface_flush(surface_);
  unsigned char* pixels = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  if (pixels != nullptr)
    for (int row = 0; row < bitmap.height; ++row)
      std::memcpy(pixels + static_cast<std::ptrdiff_t>(row) * stride,
                  bitmap.pixels.data() + static_cast<std::ptrdiff_t>(row) * bitmap.width,
                  static_cast<std::size_t>(bitmap.width) * sizeof(std::uint32_t));
  cairo_surface_mark_dirty(surface_);
  // The bitmap has `scale` pixels per point; at that device scale it covers the widget's points exactly.
  cairo_surface_set_device_scale(surface_, scale_, scale_);
  gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(area_), static_cast<int>(std::ceil(size.width)));
  gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(area_), static_cast<int>(std::ceil(size.height)));
  gtk_widget_queue_draw(area_);
}

void DesktopHost::draw(GtkDrawingArea*, cairo_t* cr, int, int, gpointer data) {
  auto* self = static_cast<DesktopHost*>(data);
  if (self->surface_ == nullptr) return;
  cairo_set_source_surface(cr, self->surface_, 0, 0);
  cairo_paint(cr);
  self->painted_ = true;
}

void DesktopHost::afterPaint(GdkFrameClock*, gpointer data) {
  auto* self = static_cast<DesktopHost*>(data);
  if (!self->announce_ || !self->painted_) return;
  self->announce_ = false;
  std::printf("Showing entry %zu at scale %d\n", self->entryIndex_, self->scale_);
  std::fflush(stdout);
}

void DesktopHost::pressed(GtkGestureClick* gesture, int, double x, double y, gpointer data) {
  auto* self = static_cast<DesktopHost*>(data);
  if (gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(gesture)) != GDK_BUTTON_SECONDARY) return;
  self->popupMenu({static_cast<int>(x), static_cast<int>(y), 1, 1});
}

void DesktopHost::popupMenu(GdkRectangle at) {
  gtk_popover_set_pointing_to(GTK_POPOVER(menu_), &at);
  gtk_popover_popup(GTK_POPOVER(menu_));
}

void DesktopHost::released(GtkGestureClick* gesture, int, double x, double y, gpointer data) {
  if (gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(gesture)) != GDK_BUTTON_PRIMARY) return;
  static_cast<DesktopHost*>(data)->openAt(x, y);
}

void DesktopHost::openAt(double x, double y) {
  if (!layout_) return;
  std::ostringstream where;
  where << "at " << x << "," << y;
  open(urlForClick(*layout_, run_.request.context.displaySize, {x, y}), where.str());
}

// Hands `url` to the desktop's handler for its scheme; `what` names the place or element in a message.
void DesktopHost::open(const std::optional<std::string>& url, const std::string& what) {
  if (!url) {
    std::cerr << "reminders-widget-desktop: nothing to open " << what << "\n";
    return;
  }
  std::printf("Opening %s\n", url->c_str());
  std::fflush(stdout);
  GdkAppLaunchContext* context = gdk_display_get_app_launch_context(gtk_widget_get_display(area_));
  g_app_info_launch_default_for_uri_async(
      url->c_str(), G_APP_LAUNCH_CONTEXT(context), nullptr,
      +[](GObject*, GAsyncResult* result, gpointer data) {
        char* opened = static_cast<char*>(data);
        GError* error = nullptr;
        if (!g_app_info_launch_default_for_uri_finish(result, &error)) {
          std::cerr << "reminders-widget-desktop: cannot open '" << opened
                    << "': " << (error != nullptr ? error->message : "no handler") << "\n";
          g_clear_error(&error);
        }
        g_free(opened);
      },
      g_strdup(url->c_str()));
  g_object_unref(context);
}

void DesktopHost::chooseFamily(std::string_view name) {
  const auto family = desktopFamilyNamed(name);
  if (!family) return;
  options_.widget.host.family = std::string(familyName(*family));
  options_.widget.host.size.clear();  // the family's own size
  // A new size is a new request: the provider lays out entries for the family and size it is asked for.
  post(HostEvent::reloadRequest);
}

void DesktopHost::placeWindow() {
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window_));
#ifdef RW_WITH_X11
  if (GDK_IS_X11_SURFACE(surface)) {
    Display* display = gdk_x11_display_get_xdisplay(gdk_surface_get_display(surface));
    const Window xid = gdk_x11_surface_get_xid(surface);
    gdk_x11_surface_set_skip_taskbar_hint(surface, TRUE);
    gdk_x11_surface_set_skip_pager_hint(surface, TRUE);
    if (options_.position) XMoveWindow(display, xid, options_.position->x, options_.position->y);
    if (options_.below && gtk_widget_get_mapped(GTK_WIDGET(window_))) {
      // The window manager keeps the state of a mapped window; a client asks it by message (EWMH).
      XEvent message{};
      message.xclient.type = ClientMessage;
      message.xclient.window = xid;
      message.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
      message.xclient.format = 32;
      message.xclient.data.l[0] = 1;  // add
      message.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_BELOW", False));
      message.xclient.data.l[3] = 1;  // from an application
      XSendEvent(display, DefaultRootWindow(display), False,
                 SubstructureRedirectMask | SubstructureNotifyMask, &message);
    }
    XFlush(display);
    if (!gtk_widget_get_mapped(GTK_WIDGET(window_))) {
      std::printf("Window 0x%lx", static_cast<unsigned long>(xid));
      if (options_.position) std::printf(" at %d,%d", options_.position->x, options_.position->y);
      std::printf("\n");
      std::fflush(stdout);
    }
    return;
  }
#endif
  (void)surface;
  if ((options_.position || options_.below) && !gtk_widget_get_mapped(GTK_WIDGET(window_)))
    std::cerr << "reminders-widget-desktop: this display places and stacks windows itself (Wayland): "
                 "--position and --below do nothing here\n";
}

}  // namespace

int runDesktopHost(const DesktopOptions& options) {
  if (!gtk_init_check()) {
    std::cerr << "reminders-widget-desktop: cannot open a display (is DISPLAY or WAYLAND_DISPLAY set?)\n";
    return 1;
  }
  DesktopHost host(options);
  host.run();
  std::printf("Host ended\n");
  std::fflush(stdout);
  return 0;
}

}  // namespace rw::app::desktop
