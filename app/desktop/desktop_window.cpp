#include "desktop_window.h"

#include <cairo.h>
#include <gio/gio.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iostream>

#include "commands.h"
#include "platform/calendar.h"
#include "platform/catalog.h"
#include "platform/clock.h"
#include "platform/date.h"
#include "system_events.h"
#include "ui/renderer.h"
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
  void post(HostEvent event) { events_.push_back(event); }

  void show(const RemindersWidgetTimelineEntry& entry, std::size_t index);
  void redraw();
  void openAt(double x, double y);
  void chooseFamily(std::string_view name);
  void placeWindow();

  static void draw(GtkDrawingArea*, cairo_t* cr, int, int, gpointer self);
  static void afterPaint(GdkFrameClock*, gpointer self);
  static void pressed(GtkGestureClick* gesture, int, double x, double y, gpointer self);
  static void released(GtkGestureClick* gesture, int, double x, double y, gpointer self);
  static gboolean systemEventsReady(gint fd, GIOCondition, gpointer self);

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
  GSimpleActionGroup* actions_ = nullptr;
  // The timer, the signals and the files, as `host` has them, in GLib's main loop.
  SystemEvents system_;
  guint systemSource_ = 0;
};

DesktopHost::DesktopHost(const DesktopOptions& options)
    : options_(options), run_(prepareRun(options.widget)), system_(options.widget.host) {
  if (!options_.widget.host.now.empty()) frozenNow_ = parseRfc3339(options_.widget.host.now);
  buildWindow();
  buildMenu();
  systemSource_ = g_unix_fd_add(system_.descriptor(), G_IO_IN, &DesktopHost::systemEventsReady, this);
}

DesktopHost::~DesktopHost() {
  g_source_remove(systemSource_);
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
  gtk_window_set_child(window_, area_);

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

gboolean DesktopHost::systemEventsReady(gint, GIOCondition, gpointer data) {
  auto* self = static_cast<DesktopHost*>(data);
  while (const auto event = self->system_.take())
    self->post(*event);
  return G_SOURCE_CONTINUE;
}

HostEvent DesktopHost::wait(std::optional<Date> deadline) {
  // A frozen clock has no deadlines.
  if (frozenNow_)
    system_.stopTimer();
  else
    system_.setDeadline(deadline);
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
  const ui::Bitmap bitmap =
      ui::renderBitmap(*layout_, context.displaySize, {.scale = static_cast<double>(scale)});
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
  cairo_surface_set_device_scale(surface_, scale, scale);
  scale_ = scale;
  gtk_drawing_area_set_content_width(GTK_DRAWING_AREA(area_),
                                     static_cast<int>(std::ceil(context.displaySize.width)));
  gtk_drawing_area_set_content_height(GTK_DRAWING_AREA(area_),
                                      static_cast<int>(std::ceil(context.displaySize.height)));
  painted_ = false;
  announce_ = true;
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
  const GdkRectangle at{static_cast<int>(x), static_cast<int>(y), 1, 1};
  gtk_popover_set_pointing_to(GTK_POPOVER(self->menu_), &at);
  gtk_popover_popup(GTK_POPOVER(self->menu_));
}

void DesktopHost::released(GtkGestureClick* gesture, int, double x, double y, gpointer data) {
  if (gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(gesture)) != GDK_BUTTON_PRIMARY) return;
  static_cast<DesktopHost*>(data)->openAt(x, y);
}

void DesktopHost::openAt(double x, double y) {
  if (!layout_) return;
  const auto url = urlForClick(*layout_, run_.request.context.displaySize, {x, y});
  if (!url) {
    std::cerr << "reminders-widget-desktop: nothing to open at " << x << "," << y << "\n";
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
