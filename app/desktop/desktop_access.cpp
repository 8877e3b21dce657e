#include "desktop_access.h"

#include <algorithm>
#include <cmath>

namespace rw::app::desktop {

namespace {

constexpr const char* kOwnerKey = "rw-access";
constexpr const char* kIndexKey = "rw-access-index";

void openTarget(GtkWidget* widget, const char*, GVariant*);

// An element of the layer: draws nothing and takes focus when it is a link. Its one action, which
// assistive technologies offer as the link's action, opens it.
void initTargetClass(gpointer klass, gpointer) {
  auto* widgetClass = GTK_WIDGET_CLASS(klass);
  gtk_widget_class_set_accessible_role(widgetClass, GTK_ACCESSIBLE_ROLE_LINK);
  gtk_widget_class_set_css_name(widgetClass, kAccessTargetCssName);
  gtk_widget_class_install_action(widgetClass, "link.open", nullptr, &openTarget);
}

GType targetType() {
  static const GType type =
      g_type_register_static_simple(GTK_TYPE_WIDGET, "RwAccessTarget", sizeof(GtkWidgetClass),
                                    &initTargetClass, sizeof(GtkWidget), nullptr, GTypeFlags{});
  return type;
}

}  // namespace

DesktopAccess::DesktopAccess(GtkWidget* area, AccessActions actions) : actions_(std::move(actions)) {
  overlay_ = gtk_overlay_new();
  gtk_overlay_set_child(GTK_OVERLAY(overlay_), area);
  layer_ = gtk_fixed_new();
  // The pointer goes through the layer to the drawing area, which finds the link under it itself.
  gtk_widget_set_can_target(layer_, FALSE);
  gtk_overlay_add_overlay(GTK_OVERLAY(overlay_), layer_);
}

void DesktopAccess::attach(GtkWindow* window) {
  window_ = window;

  GtkEventController* keys = gtk_event_controller_key_new();
  gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
  g_signal_connect(keys, "key-pressed",
                   G_CALLBACK(+[](GtkEventControllerKey*, guint keyval, guint, GdkModifierType state,
                                  DesktopAccess* self) -> gboolean { return self->key(keyval, state); }),
                   this);
  gtk_widget_add_controller(GTK_WIDGET(window), keys);
  // A pointer press hides the ring until a key moves the focus again.
  GtkEventController* pointer = gtk_event_controller_legacy_new();
  gtk_event_controller_set_propagation_phase(pointer, GTK_PHASE_CAPTURE);
  g_signal_connect(
      pointer, "event",
      G_CALLBACK(+[](GtkEventControllerLegacy*, GdkEvent* event, DesktopAccess* self) -> gboolean {
        if (gdk_event_get_event_type(event) == GDK_BUTTON_PRESS) self->showRing(false);
        return FALSE;
      }),
      this);
  gtk_widget_add_controller(GTK_WIDGET(window), pointer);
}

void DesktopAccess::update(std::vector<AccessibleTarget> targets) {
  const std::optional<std::size_t> was = focused();
  for (GtkWidget* widget : widgets_)
    gtk_fixed_remove(GTK_FIXED(layer_), widget);
  widgets_.clear();
  targets_ = std::move(targets);
  for (std::size_t i = 0; i < targets_.size(); ++i) {
    const AccessibleTarget& target = targets_[i];
    const bool link = target.role == AccessibleTarget::Role::link;
    GtkWidget* widget =
        GTK_WIDGET(g_object_new(targetType(), "accessible-role",
                                link ? GTK_ACCESSIBLE_ROLE_LINK : GTK_ACCESSIBLE_ROLE_LABEL, nullptr));
    gtk_widget_set_focusable(widget, link);
    gtk_accessible_update_property(GTK_ACCESSIBLE(widget), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   target.label.c_str(), -1);
    g_object_set_data(G_OBJECT(widget), kOwnerKey, this);
    g_object_set_data(G_OBJECT(widget), kIndexKey, GSIZE_TO_POINTER(i));
    // Whole pixels of the window that cover the element's points.
    const double left = std::floor(target.frame.minX()), top = std::floor(target.frame.minY());
    gtk_widget_set_size_request(widget, std::max(1, static_cast<int>(std::ceil(target.frame.maxX() - left))),
                                std::max(1, static_cast<int>(std::ceil(target.frame.maxY() - top))));
    gtk_fixed_put(GTK_FIXED(layer_), widget, left, top);
    widgets_.push_back(widget);
  }
  const bool keep = was && *was < targets_.size() && targets_[*was].role == AccessibleTarget::Role::link;
  focus(keep ? was : nextFocus(targets_, std::nullopt, 1));
}

std::optional<ui::FocusRing> DesktopAccess::focusRing() const {
  const auto index = focused();
  if (!ringShown_ || !index) return std::nullopt;
  return focusRingFor(targets_[*index]);
}

std::optional<std::size_t> DesktopAccess::focused() const {
  for (std::size_t i = 0; i < widgets_.size(); ++i)
    if (gtk_widget_is_focus(widgets_[i])) return i;
  return std::nullopt;
}

void DesktopAccess::focus(std::optional<std::size_t> index) {
  if (!index || *index >= widgets_.size()) return;
  gtk_widget_grab_focus(widgets_[*index]);
  if (ringShown_) actions_.focusChanged();
}

void DesktopAccess::showRing(bool shown) {
  if (ringShown_ == shown) return;
  ringShown_ = shown;
  if (focused()) actions_.focusChanged();
}

bool DesktopAccess::key(guint keyval, GdkModifierType state) {
  const auto modifiers = state & gtk_accelerator_get_default_mod_mask();
  const bool plain = modifiers == 0, shift = modifiers == GDK_SHIFT_MASK;
  if (modifiers == GDK_CONTROL_MASK && gdk_keyval_to_lower(keyval) == GDK_KEY_r) {
    actions_.reload();
    return true;
  }
  if (modifiers == GDK_CONTROL_MASK && gdk_keyval_to_lower(keyval) == GDK_KEY_q) {
    actions_.quit();
    return true;
  }
  // Keys for another widget that has the focus (the open menu) are its own.
  GtkWidget* owner = window_ != nullptr ? gtk_root_get_focus(GTK_ROOT(window_)) : nullptr;
  if (owner != nullptr && g_object_get_data(G_OBJECT(owner), kOwnerKey) != this) return false;
  const auto index = focused();
  int step = 0;
  switch (keyval) {
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
      step = plain ? 1 : shift ? -1 : 0;
      break;
    case GDK_KEY_ISO_Left_Tab:
      step = plain || shift ? -1 : 0;
      break;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
      step = plain ? 1 : 0;
      break;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
      step = plain ? -1 : 0;
      break;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
      if (!plain || !index) return false;
      actions_.open(targets_[*index]);
      return true;
    case GDK_KEY_Menu:
    case GDK_KEY_F10:
      if (keyval == GDK_KEY_Menu ? !plain : !shift) return false;
      actions_.menu(index ? targets_[*index].frame : ui::Rect{});
      return true;
    default:
      return false;
  }
  if (step == 0) return false;
  showRing(true);
  focus(nextFocus(targets_, index, step));
  return true;
}

namespace {

void openTarget(GtkWidget* widget, const char*, GVariant*) {
  auto* owner = static_cast<DesktopAccess*>(g_object_get_data(G_OBJECT(widget), kOwnerKey));
  if (owner != nullptr) owner->activate(GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(widget), kIndexKey)));
}

}  // namespace

void DesktopAccess::activate(std::size_t index) {
  if (index < targets_.size() && targets_[index].role == AccessibleTarget::Role::link)
    actions_.open(targets_[index]);
}

}  // namespace rw::app::desktop
