// The desktop window's keyboard and screen-reader side. Over the drawing area lies a layer of invisible
// widgets, one per accessible element of the widget (`accessibleTargets`), at the element's frame, with
// its role (link or label) and what a screen reader reads. Links take keyboard focus: Tab, Shift+Tab and
// the arrow keys move it in reading order, Enter or Space opens the focused link, Shift+F10 or the Menu key
// opens the context menu there; Ctrl+R reloads and Ctrl+Q quits. The ring that shows the focus is drawn
// by the widget's renderer (`focusRing`), after a key moved it and until the pointer is used.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "desktop_model.h"

namespace rw::app::desktop {

/// The CSS name of the layer's elements, and the rule the window's stylesheet carries for them: the
/// renderer draws the focus, so the theme's outline would be a second one.
inline constexpr const char* kAccessTargetCssName = "rw-access-target";
inline constexpr const char* kAccessTargetStyle = "rw-access-target { outline: none; }";

/// What the keys ask the window to do.
struct AccessActions {
  std::function<void(const AccessibleTarget&)> open;
  std::function<void(ui::Rect at)> menu;
  std::function<void()> reload;
  std::function<void()> quit;
  std::function<void()> focusChanged;  // the ring to draw changed
};

class DesktopAccess {
 public:
  /// Lays the layer over `area`; `root()` takes the area's place in the window.
  DesktopAccess(GtkWidget* area, AccessActions actions);
  DesktopAccess(const DesktopAccess&) = delete;
  DesktopAccess& operator=(const DesktopAccess&) = delete;

  GtkWidget* root() const { return overlay_; }
  /// Handles the keys of `window` (before its own key bindings).
  void attach(GtkWindow* window);
  /// The elements of the entry now shown. Focus stays on the element of the same place, else on the first
  /// link.
  void update(std::vector<AccessibleTarget> targets);
  /// The ring to draw, when the keyboard focus is to be shown.
  std::optional<ui::FocusRing> focusRing() const;
  /// Opens the link at `index` of the elements (an assistive technology's action on it).
  void activate(std::size_t index);

 private:
  std::optional<std::size_t> focused() const;
  void focus(std::optional<std::size_t> index);
  bool key(guint keyval, GdkModifierType state);
  void showRing(bool shown);

  AccessActions actions_;
  GtkWindow* window_ = nullptr;
  GtkWidget* overlay_ = nullptr;
  GtkWidget* layer_ = nullptr;
  std::vector<AccessibleTarget> targets_;
  std::vector<GtkWidget*> widgets_;
  bool ringShown_ = false;
};

}  // namespace rw::app::desktop
