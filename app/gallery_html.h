// The gallery's index.html: each drawn widget with an image map whose areas carry its links.
//
// Titles, nicks and URLs come from the payload, which another program writes, so every text and URL is
// HTML-escaped, and only links of the schemes a person expects to follow from here ("corvantis2:",
// "https:", "http:", "mailto:", "tel:") become links; any other URL is shown as text and said to be not
// linked.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/geometry.h"

namespace rw::app {

struct GalleryLink {
  ui::Rect frame;  // points, on the image
  std::string url;
  std::string label;  // what the area stands for, e.g. "Reminder: Swimming"
  bool widgetWide = false;
};

struct GalleryImage {
  std::string caption;
  std::string file;  // relative to index.html
  ui::Size size;     // points: the image is shown at this size, so areas are in points
  std::vector<GalleryLink> links;
};

struct GalleryPage {
  std::string title;
  std::string subtitle;
  std::vector<GalleryImage> images;
};

/// `text` with &, <, >, " and ' replaced by character references, for element content and quoted
/// attribute values alike. Control characters (C0, DEL, C1) and the characters that reorder or hide text
/// (bidirectional marks, embeddings, overrides and isolates such as U+202E, line and paragraph separators)
/// become U+FFFD, so a payload's title cannot turn the page's text around or hide part of it.
std::string escapeHtml(std::string_view text);

/// `rw::isOpenableLink` (platform/url.h): an absolute URL of one of the schemes "corvantis2", "https",
/// "http", "mailto" or "tel", in any case.
bool isAllowedLinkScheme(std::string_view url);

/// The whole page. Areas of row links come before the widget-wide area, so a click on a row follows the
/// row's link (a browser takes the first area that holds the point).
std::string galleryHtml(const GalleryPage& page);

}  // namespace rw::app
