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
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

#include "commands.h"
#include "desktop_access.h"
#include "desktop_x11.h"
#include "platform/calendar.h"
#include "platform/catalog.h"
#include "platform/clock.h"
#include "platform/date.h"
#include "system_events.h"
#include "ui/renderer.h"
#include "widget/host_schedule.h"

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
  app.add_option("--instance", options.instance,
                 "The widget's name: each keeps its own size, place and choices (letters, digits, - and _)")
      ->capture_default_str();
}

namespace {

// Said once on stderr where the display is not X11, and in the README.
constexpr const char* kCompositorDecides =
    "on Wayland the compositor decides where the window goes and whether it stays below others, on every "
    "workspace or out of the task bar: the window's place is not kept and those menu choices do nothing";

std::filesystem::path configHome() {
  return g_get_user_config_dir();
}

DesktopFiles filesOf(std::string_view instance) {
  return desktopFiles(configHome(), RW_APPLICATION_ID, instance);
}

}  // namespace

void validate(const CLI::App& app, DesktopOptions& options, const std::string& position) {
  if (!isInstanceName(options.instance))
    throw UsageError("invalid --instance '" + options.instance + "' (letters, digits, '-' and '_')");
  // What the widget kept from its last run, where the command line does not say otherwise.
  DesktopSettings& settings = options.settings = loadSettings(filesOf(options.instance).settings);
  const auto given = [&](const char* name) { return app.get_option(name)->count() > 0; };
  if (!given("--family") && desktopFamilyNamed(settings.family)) {
    options.widget.host.family = settings.family;
    if (!given("--size")) options.widget.host.size = settings.size;
  }
  if (!given("--mode") && parseRenderingMode(settings.mode)) options.widget.mode = settings.mode;
  if (given("--below")) settings.below = options.below;
  settings.size = options.widget.host.size;
  settings.mode = options.widget.mode;

  const auto family = desktopFamilyNamed(options.widget.host.family);
  if (!family)
    throw UsageError("unknown --family '" + options.widget.host.family +
                     "' (small, medium, large, extra large, or a family name such as systemLarge)");
  settings.family = options.widget.host.family == "extra-large" ? "extra large" : options.widget.host.family;
  options.widget.host.family = std::string(familyName(*family));
  if (!position.empty()) {
    options.position = parseWindowPosition(position);
    if (!options.position) throw UsageError("invalid --position '" + position + "' (X,Y in screen pixels)");
  }
  if (options.position) settings.position = options.position;
  options.position = settings.position;
  // Every other option is checked here, so that a bad one fails before a window opens.
  const WidgetRun run = prepareRun(options.widget);
  checkScale(1, run.request.context.displaySize);
}

namespace {

// The window's check items: the action, the catalog key of its text and the choice it keeps.
struct ChoiceItem {
  const char* action;
  std::string_view labelKey;
  bool DesktopSettings::*choice;
};
constexpr ChoiceItem kChoiceItems[] = {
    {"every-workspace", "ON EVERY WORKSPACE / MENU", &DesktopSettings::everyWorkspace},
    {"below", "BELOW OTHER WINDOWS / MENU", &DesktopSettings::below},
    {"skip-taskbar", "HIDDEN FROM THE TASK BAR / MENU", &DesktopSettings::skipTaskbar},
    {"with-desktop", "PART OF THE DESKTOP / MENU", &DesktopSettings::withDesktop},
    {"start-at-login", "START AT LOGIN / MENU", &DesktopSettings::startAtLogin},
};

WindowChoices windowChoices(const DesktopSettings& settings) {
  return {.everyWorkspace = settings.everyWorkspace,
          .below = settings.below,
          .skipTaskbar = settings.skipTaskbar,
          .withDesktop = settings.withDesktop};
}

std::filesystem::path thisExecutable() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error);
}

class DesktopHost final : public HostClock, public HostEventSource {
 public:
  DesktopHost(const DesktopOptions& options, GtkApplication* application);
  ~DesktopHost() override;
  DesktopHost(const DesktopHost&) = delete;
  DesktopHost& operator=(const DesktopHost&) = delete;

  void run();
  void present() { gtk_window_present(window_); }

  Date now() const override { return frozenNow_ ? *frozenNow_ : systemNow(); }
  std::string timeZone() const override {
    return options_.widget.host.timeZone.empty() ? timeZoneFromEnvironment() : options_.widget.host.timeZone;
  }
  HostEvent wait(std::optional<Date> deadline) override;

 private:
  void buildWindow();
  void buildMenu();
  void addActions();
  void post(HostEvent event) { events_.push_back(event); }

  void show(const RemindersWidgetTimelineEntry& entry, std::size_t index);
  void redraw();
  void paint();
  void openAt(double x, double y);
  void open(const std::optional<std::string>& url, const std::string& what);
  void popupMenu(GdkRectangle at);
  void chooseFamily(std::string_view name);
  void choose(std::string_view action, bool on);
  void placeWindow();
  void windowMapped();
  void saveSettings();
  void newWidget();
  void removeWidget();
  GdkSurface* surface() const { return gtk_native_get_surface(GTK_NATIVE(window_)); }

  static void draw(GtkDrawingArea*, cairo_t* cr, int, int, gpointer self);
  static void afterPaint(GdkFrameClock*, gpointer self);
  static void pressed(GtkGestureClick* gesture, int, double x, double y, gpointer self);
  static void released(GtkGestureClick* gesture, int, double x, double y, gpointer self);
  static void dragBegan(GtkGestureDrag*, double x, double y, gpointer self);
  static void dragUpdated(GtkGestureDrag* gesture, double dx, double dy, gpointer self);
  static void dragEnded(GtkGestureDrag*, double, double, gpointer self);
  static gboolean systemEventsReady(gint fd, GIOCondition, gpointer self);

  DesktopOptions options_;
  DesktopSettings& settings_ = options_.settings;
  DesktopFiles files_;
  GtkApplication* application_;
  bool removed_ = false;
  bool toldCompositor_ = false;
  // A left press: a click or a drag. On X11 the window moves itself from where it and the pointer were.
  PressGesture press_;
  std::optional<WindowPosition> windowAtPress_, pointerAtPress_;
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
  // The timer, the signals and the files, as `host` has them, in GLib's main loop.
  SystemEvents system_;
  guint systemSource_ = 0;
  std::unique_ptr<DesktopAccess> access_;  // keyboard and screen readers
};

DesktopHost::DesktopHost(const DesktopOptions& options, GtkApplication* application)
    : options_(options),
      files_(filesOf(options.instance)),
      application_(application),
      run_(prepareRun(options.widget)),
      system_(options.widget.host) {
  if (!options_.widget.host.now.empty()) frozenNow_ = parseRfc3339(options_.widget.host.now);
  buildWindow();
  addActions();
  buildMenu();
  systemSource_ = g_unix_fd_add(system_.descriptor(), G_IO_IN, &DesktopHost::systemEventsReady, this);
}

DesktopHost::~DesktopHost() {
  g_source_remove(systemSource_);
  // The actions call this host: none may run once it is gone.
  char** actions = g_action_group_list_actions(G_ACTION_GROUP(application_));
  for (char** name = actions; *name != nullptr; ++name)
    g_action_map_remove_action(G_ACTION_MAP(application_), *name);
  g_strfreev(actions);
  gtk_widget_unparent(menu_);
  gtk_window_destroy(window_);
  if (surface_ != nullptr) cairo_surface_destroy(surface_);
  while (g_main_context_pending(nullptr))
    g_main_context_iteration(nullptr, FALSE);
}

void DesktopHost::buildWindow() {
  window_ = GTK_WINDOW(gtk_window_new());
  gtk_window_set_application(window_, application_);
  gtk_window_set_title(window_, "Reminders");
  gtk_window_set_decorated(window_, FALSE);
  gtk_window_set_resizable(window_, FALSE);
  // The widget paints its own rounded shape; around it the window stays clear (where the display can show
  // transparency) rather than taking the theme's window colour. The keyboard's layer has its rule here too.
  gtk_widget_add_css_class(GTK_WIDGET(window_), "reminders-widget");
  const std::string style =
      std::string("window.reminders-widget { background: none; } ") + kAccessTargetStyle;
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, style.c_str(), -1);
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
  g_signal_connect_swapped(window_, "map", G_CALLBACK(+[](DesktopHost* self) { self->windowMapped(); }),
                           this);

  GtkGesture* click = gtk_gesture_click_new();
  gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(click), 0);  // every button
  g_signal_connect(click, "pressed", G_CALLBACK(&DesktopHost::pressed), this);
  g_signal_connect(click, "released", G_CALLBACK(&DesktopHost::released), this);
  gtk_widget_add_controller(area_, GTK_EVENT_CONTROLLER(click));
  GtkGesture* drag = gtk_gesture_drag_new();
  g_signal_connect(drag, "drag-begin", G_CALLBACK(&DesktopHost::dragBegan), this);
  g_signal_connect(drag, "drag-update", G_CALLBACK(&DesktopHost::dragUpdated), this);
  g_signal_connect(drag, "drag-end", G_CALLBACK(&DesktopHost::dragEnded), this);
  gtk_widget_add_controller(area_, GTK_EVENT_CONTROLLER(drag));
}

// The menu's actions are the application's: the menu uses them as "app.NAME", and GApplication exports
// them on the session bus (org.gtk.Actions) under the widget's own name.
void DesktopHost::addActions() {
  std::string state = settings_.family;
  for (const DesktopFamily& offered : kDesktopFamilies)
    if (familyName(offered.family) == options_.widget.host.family) state = offered.name;
  GSimpleAction* size =
      g_simple_action_new_stateful("family", G_VARIANT_TYPE_STRING, g_variant_new_string(state.c_str()));
  g_signal_connect(size, "change-state",
                   G_CALLBACK(+[](GSimpleAction* action, GVariant* value, DesktopHost* self) {
                     g_simple_action_set_state(action, value);
                     self->chooseFamily(g_variant_get_string(value, nullptr));
                   }),
                   this);
  std::vector<GSimpleAction*> actions{size};
  for (const ChoiceItem& item : kChoiceItems) {
    GSimpleAction* toggle =
        g_simple_action_new_stateful(item.action, nullptr, g_variant_new_boolean(settings_.*item.choice));
    g_signal_connect(
        toggle, "change-state", G_CALLBACK(+[](GSimpleAction* action, GVariant* value, DesktopHost* self) {
          g_simple_action_set_state(action, value);
          self->choose(g_action_get_name(G_ACTION(action)), g_variant_get_boolean(value) != FALSE);
        }),
        this);
    actions.push_back(toggle);
  }
  const std::pair<const char*, void (*)(DesktopHost*)> commands[] = {
      {"reload", [](DesktopHost* self) { self->post(HostEvent::reloadRequest); }},
      {"quit", [](DesktopHost* self) { self->post(HostEvent::terminate); }},
      {"new-widget", [](DesktopHost* self) { self->newWidget(); }},
      {"remove-widget", [](DesktopHost* self) { self->removeWidget(); }},
  };
  for (const auto& [name, command] : commands) {
    GSimpleAction* action = g_simple_action_new(name, nullptr);
    g_signal_connect_swapped(action, "activate", G_CALLBACK(command), this);
    actions.push_back(action);
  }
  for (GSimpleAction* action : actions) {
    g_action_map_add_action(G_ACTION_MAP(application_), G_ACTION(action));
    g_object_unref(action);
  }
}

void DesktopHost::buildMenu() {
  // The menu's texts come from the same catalogs as the widget's, in the user's languages.
  const Catalog& strings = run_.request.environment.settings.strings;
  GMenu* sizes = g_menu_new();
  for (const DesktopFamily& offered : kDesktopFamilies) {
    GMenuItem* item = g_menu_item_new(strings.text(offered.labelKey).c_str(), nullptr);
    g_menu_item_set_action_and_target_value(item, "app.family",
                                            g_variant_new_string(std::string(offered.name).c_str()));
    g_menu_append_item(sizes, item);
    g_object_unref(item);
  }
  GMenu* choices = g_menu_new();
  for (const ChoiceItem& item : kChoiceItems)
    g_menu_append(choices, strings.text(item.labelKey).c_str(), ("app." + std::string(item.action)).c_str());
  GMenu* widgets = g_menu_new();
  g_menu_append(widgets, strings.text("NEW WIDGET / MENU").c_str(), "app.new-widget");
  g_menu_append(widgets, strings.text("REMOVE WIDGET / MENU").c_str(), "app.remove-widget");
  GMenu* commands = g_menu_new();
  g_menu_append(commands, strings.text("RELOAD / MENU").c_str(), "app.reload");
  g_menu_append(commands, strings.text("QUIT / MENU").c_str(), "app.quit");
  GMenu* menu = g_menu_new();
  g_menu_append_section(menu, strings.text("SIZE / MENU").c_str(), G_MENU_MODEL(sizes));
  for (GMenu* section : {choices, widgets, commands}) {
    g_menu_append_section(menu, nullptr, G_MENU_MODEL(section));
    g_object_unref(section);
  }
  menu_ = gtk_popover_menu_new_from_model(G_MENU_MODEL(menu));
  gtk_popover_set_has_arrow(GTK_POPOVER(menu_), FALSE);
  gtk_widget_set_parent(menu_, area_);
  g_object_unref(menu);
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
  saveSettings();
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
  auto* self = static_cast<DesktopHost*>(data);
  if (gtk_gesture_single_get_current_button(GTK_GESTURE_SINGLE(gesture)) != GDK_BUTTON_PRIMARY) return;
  if (!self->press_.releaseOpens()) return;  // the press moved the window
  self->openAt(x, y);
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

void DesktopHost::dragBegan(GtkGestureDrag*, double x, double y, gpointer data) {
  auto* self = static_cast<DesktopHost*>(data);
  self->press_.press();
  // Where the press was on the screen: the window has not moved yet, so its place and the press within it
  // give it (the pointer itself may be further on by now).
  self->windowAtPress_ = x11WindowPosition(self->surface());
  self->pointerAtPress_.reset();
  if (self->windowAtPress_) {
    const int scale = gtk_widget_get_scale_factor(self->area_);
    self->pointerAtPress_ =
        WindowPosition{self->windowAtPress_->x + static_cast<int>(std::lround(x * scale)),
                       self->windowAtPress_->y + static_cast<int>(std::lround(y * scale))};
  }
}

void DesktopHost::dragUpdated(GtkGestureDrag* gesture, double dx, double dy, gpointer data) {
  auto* self = static_cast<DesktopHost*>(data);
  int threshold = 8;
  g_object_get(gtk_widget_get_settings(self->area_), "gtk-dnd-drag-threshold", &threshold, nullptr);
  const bool began = self->press_.moved(dx, dy, threshold);
  if (self->press_.releaseOpens()) return;
  GdkSurface* surface = self->surface();
  if (self->pointerAtPress_) {
    // The pointer's place on the screen, not the offset the gesture reports: that is measured from the
    // window, which moves under it.
    if (const auto pointer = x11PointerPosition(surface))
      moveX11Window(surface, {self->windowAtPress_->x + pointer->x - self->pointerAtPress_->x,
                              self->windowAtPress_->y + pointer->y - self->pointerAtPress_->y});
  } else if (began && GDK_IS_TOPLEVEL(surface)) {
    // Elsewhere the display server moves the window for as long as the button is held.
    double x = 0, y = 0;
    gtk_gesture_drag_get_start_point(gesture, &x, &y);
    gdk_toplevel_begin_move(GDK_TOPLEVEL(surface), gtk_gesture_get_device(GTK_GESTURE(gesture)),
                            GDK_BUTTON_PRIMARY, x + dx, y + dy,
                            gtk_event_controller_get_current_event_time(GTK_EVENT_CONTROLLER(gesture)));
    gtk_event_controller_reset(GTK_EVENT_CONTROLLER(gesture));
  }
}

void DesktopHost::dragEnded(GtkGestureDrag*, double, double, gpointer data) {
  auto* self = static_cast<DesktopHost*>(data);
  if (!self->press_.releaseOpens() && self->pointerAtPress_) self->saveSettings();
}

void DesktopHost::chooseFamily(std::string_view name) {
  const auto family = desktopFamilyNamed(name);
  if (!family) return;
  options_.widget.host.family = std::string(familyName(*family));
  options_.widget.host.size.clear();  // the family's own size
  settings_.family = std::string(name);
  settings_.size.clear();
  saveSettings();
  // A new size is a new request: the provider lays out entries for the family and size it is asked for.
  post(HostEvent::reloadRequest);
}

void DesktopHost::choose(std::string_view action, bool on) {
  const auto item = std::find_if(std::begin(kChoiceItems), std::end(kChoiceItems),
                                 [&](const ChoiceItem& choice) { return choice.action == action; });
  if (item == std::end(kChoiceItems)) return;
  settings_.*item->choice = on;
  if (item->choice == &DesktopSettings::startAtLogin) {
    if (on) {
      if (auto written = saveFile(files_.autostart, autostartEntry(thisExecutable(), options_.instance));
          !written)
        std::cerr << "reminders-widget-desktop: " << written.error().reason << "\n";
    } else {
      std::error_code error;
      std::filesystem::remove(files_.autostart, error);
    }
  } else if (item->choice == &DesktopSettings::withDesktop && gtk_widget_get_mapped(GTK_WIDGET(window_))) {
    // The window manager reads a window's type when it maps it: the window goes and comes back, in place.
    settings_.position = x11WindowPosition(surface()).value_or(settings_.position.value_or(WindowPosition{}));
    gtk_widget_set_visible(GTK_WIDGET(window_), FALSE);
    setX11WindowType(surface(), windowChoices(settings_));
    gtk_widget_set_visible(GTK_WIDGET(window_), TRUE);
  } else {
    applyX11States(surface(), windowChoices(settings_));
  }
  saveSettings();
}

void DesktopHost::saveSettings() {
  if (removed_) return;
  if (const auto position = x11WindowPosition(surface())) settings_.position = position;
  if (auto written = saveFile(files_.settings, settingsText(settings_)); !written)
    std::cerr << "reminders-widget-desktop: " << written.error().reason << "\n";
}

void DesktopHost::newWidget() {
  const std::filesystem::path home = configHome();
  auto taken = savedInstances(home);
  taken.insert(options_.instance);
  const std::string name = freshInstanceName(taken);
  // Its settings file claims the name at once, so that the next new widget takes another.
  if (auto written = saveFile(filesOf(name).settings, settingsText({})); !written) {
    std::cerr << "reminders-widget-desktop: " << written.error().reason << "\n";
    return;
  }
  // It reads the same reminders, in the same zone and language, as this one.
  std::vector<std::string> args{thisExecutable().string(), "--instance", name};
  const HostOptions& host = options_.widget.host;
  for (const auto& [option, value] : {std::pair{"--container", host.container},
                                      {"--strings", host.strings},
                                      {"--time-zone", host.timeZone},
                                      {"--locale", host.locale}})
    if (!value.empty()) args.insert(args.end(), {option, value});
  std::vector<char*> argv;
  for (std::string& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  GError* error = nullptr;
  if (!g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr, &error)) {
    std::cerr << "reminders-widget-desktop: cannot start a new widget: "
              << (error != nullptr ? error->message : "unknown error") << "\n";
    g_clear_error(&error);
    return;
  }
  std::printf("Started widget %s\n", name.c_str());
  std::fflush(stdout);
}

void DesktopHost::removeWidget() {
  std::error_code error;
  std::filesystem::remove(files_.settings, error);
  std::filesystem::remove(files_.autostart, error);
  removed_ = true;
  post(HostEvent::terminate);
}

// Realized, not yet mapped: what the window manager reads when the window appears.
void DesktopHost::placeWindow() {
  GdkSurface* surface = this->surface();
  if (!isX11(surface)) return;
  setX11WindowType(surface, windowChoices(settings_));
  if (settings_.position) moveX11Window(surface, *settings_.position);
  std::printf("Window 0x%lx", x11WindowId(surface));
  if (settings_.position) std::printf(" at %d,%d", settings_.position->x, settings_.position->y);
  std::printf("\n");
  std::fflush(stdout);
}

void DesktopHost::windowMapped() {
  GdkSurface* surface = this->surface();
  if (isX11(surface)) {
    // Again once mapped: a window manager may have placed the window itself when it appeared.
    if (settings_.position) moveX11Window(surface, *settings_.position);
    applyX11States(surface, windowChoices(settings_));
  } else if (!toldCompositor_) {
    toldCompositor_ = true;
    std::cerr << "reminders-widget-desktop: " << kCompositorDecides << "\n";
  }
}

}  // namespace

int runDesktopHost(const DesktopOptions& options) {
  // The window shows one image the widget drew: GTK's Cairo renderer puts it on the screen, and GDK need
  // not load OpenGL at all, whose software driver alone holds more than half of the memory a GL renderer
  // costs (docs/performance.md). A renderer the user names wins, and then GL stays.
  if (g_getenv("GSK_RENDERER") == nullptr) {
    g_setenv("GSK_RENDERER", "cairo", TRUE);
    // GTK 4.16 moved the switch from GDK_DEBUG to GDK_DISABLE.
    const bool disableList = gtk_get_major_version() > 4 || gtk_get_minor_version() >= 16;
    const char* name = disableList ? "GDK_DISABLE" : "GDK_DEBUG";
    std::string value = disableList ? "gl,vulkan" : "gl-disable,vulkan-disable";
    if (const char* set = g_getenv(name); set != nullptr && *set != '\0')
      value = std::string(set) + "," + value;
    g_setenv(name, value.c_str(), TRUE);
  }
  if (!gtk_init_check()) {
    std::cerr << "reminders-widget-desktop: cannot open a display (is DISPLAY or WAYLAND_DISPLAY set?)\n";
    return 1;
  }
  const std::string id = applicationIdFor(RW_APPLICATION_ID, options.instance);
  GtkApplication* application = gtk_application_new(id.c_str(), G_APPLICATION_DEFAULT_FLAGS);
  GError* error = nullptr;
  // Without a session bus the widget runs on its own; with one, its name is taken once.
  if (!g_application_register(G_APPLICATION(application), nullptr, &error)) {
    std::cerr << "reminders-widget-desktop: " << (error != nullptr ? error->message : "cannot register")
              << "\n";
    g_clear_error(&error);
  } else if (g_application_get_is_remote(G_APPLICATION(application))) {
    std::cerr << "reminders-widget-desktop: the widget '" << options.instance
              << "' runs already: showing it\n";
    const int status = g_application_run(G_APPLICATION(application), 0, nullptr);  // activates that one
    g_object_unref(application);
    return status;
  }
  {
    DesktopHost host(options, application);
    g_signal_connect_swapped(application, "activate", G_CALLBACK(+[](DesktopHost* self) { self->present(); }),
                             &host);
    host.run();
    g_signal_handlers_disconnect_by_data(application, &host);
  }
  g_object_unref(application);
  std::printf("Host ended\n");
  std::fflush(stdout);
  return 0;
}

}  // namespace rw::app::desktop
