#include "gallery_html.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>

#include "platform/url.h"

namespace rw::app {

std::string escapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
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
