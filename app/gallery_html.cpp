#include "gallery_html.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>

#include "platform/url.h"

namespace rw::app {

namespace {

// The length of the invisible or reordering character `text` starts with, 0 for any other: C0 controls
// and DEL, C1 controls (U+0080-U+009F), the marks and embeddings, overrides and isolates of bidirectional
// text (U+061C, U+200E, U+200F, U+202A-U+202E, U+2066-U+2069), and the line and paragraph separators.
std::size_t hiddenCharacterLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (byte(0) < 0x20 || byte(0) == 0x7F) return 1;
  if (text.size() >= 2 && byte(0) == 0xC2 && byte(1) >= 0x80 && byte(1) <= 0x9F) return 2;
  if (text.size() >= 2 && byte(0) == 0xD8 && byte(1) == 0x9C) return 2;
  if (text.size() >= 3 && byte(0) == 0xE2) {
    const unsigned second = byte(1), third = byte(2);
    if (second == 0x80 && (third == 0x8E || third == 0x8F || (third >= 0xA8 && third <= 0xAE))) return 3;
    if (second == 0x81 && third >= 0xA6 && third <= 0xA9) return 3;
  }
  return 0;
}

}  // namespace

std::string escapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (const std::size_t hidden = hiddenCharacterLength(text.substr(i)); hidden > 0) {
      out += "&#xFFFD;";
      i += hidden;
      continue;
    }
    const char c = text[i++];
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool isAllowedLinkScheme(std::string_view url) {
  return isOpenableLink(url);
}

namespace {

std::string coordinate(double value) {
  return std::to_string(static_cast<long long>(std::lround(value)));
}

std::string areaHtml(const GalleryLink& link) {
  const auto& f = link.frame;
  std::string out = "      <area shape=\"rect\" coords=\"" + coordinate(f.minX()) + "," +
                    coordinate(f.minY()) + "," + coordinate(f.maxX()) + "," + coordinate(f.maxY()) + "\"";
  if (isAllowedLinkScheme(link.url))
    out += " href=\"" + escapeHtml(link.url) + "\"";
  else
    out += " nohref";
  const std::string text = escapeHtml(link.label + ": " + link.url);
  return out + " alt=\"" + text + "\" title=\"" + text + "\">\n";
}

std::string linkListItem(const GalleryLink& link) {
  std::string out = "        <li>" + escapeHtml(link.label) + ": ";
  if (isAllowedLinkScheme(link.url))
    out += "<a href=\"" + escapeHtml(link.url) + "\">" + escapeHtml(link.url) + "</a>";
  else
    out += "<code>" + escapeHtml(link.url) + "</code> (not linked: its scheme is not one this page opens)";
  return out + "</li>\n";
}

}  // namespace

std::string galleryHtml(const GalleryPage& page) {
  std::ostringstream out;
  out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n  <meta charset=\"utf-8\">\n"
      << "  <meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src 'self'; "
         "style-src 'unsafe-inline'\">\n"
      << "  <title>" << escapeHtml(page.title) << "</title>\n"
      << "  <style>\n"
         "    body { font-family: sans-serif; background: #ececf0; color: #222; margin: 24px; }\n"
         "    figure { display: inline-block; vertical-align: top; margin: 0 24px 24px 0; }\n"
         "    figcaption { font-size: 13px; margin-top: 6px; }\n"
         "    ul { font-size: 12px; padding-left: 18px; max-width: 420px; }\n"
         "  </style>\n</head>\n<body>\n"
      << "  <h1>" << escapeHtml(page.title) << "</h1>\n"
      << "  <p>" << escapeHtml(page.subtitle) << "</p>\n";
  for (std::size_t i = 0; i < page.images.size(); ++i) {
    const GalleryImage& image = page.images[i];
    const std::string map = "map" + std::to_string(i);
    out << "  <figure>\n"
        << "    <img src=\"" << escapeHtml(image.file) << "\" width=\"" << coordinate(image.size.width)
        << "\" height=\"" << coordinate(image.size.height) << "\" usemap=\"#" << map << "\" alt=\""
        << escapeHtml(image.caption) << "\">\n"
        << "    <map name=\"" << map << "\">\n";
    // Rows first: the first area holding a point wins.
    for (const GalleryLink& link : image.links)
      if (!link.widgetWide) out << areaHtml(link);
    for (const GalleryLink& link : image.links)
      if (link.widgetWide) out << areaHtml(link);
    out << "    </map>\n"
        << "    <figcaption>" << escapeHtml(image.caption) << "\n      <ul>\n";
    for (const GalleryLink& link : image.links)
      out << linkListItem(link);
    out << "      </ul>\n    </figcaption>\n  </figure>\n";
  }
  out << "</body>\n</html>\n";
  return out.str();
}

}  // namespace rw::app
