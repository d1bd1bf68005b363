#pragma once

#include <ostream>
#include <string>

#include "charts/ChartScene.h"

// The scene as an SVG element to stand inside an HTML page: scalable to
// the page's width, its texts as text, nothing fetched. Needs no toolkit.
void WriteSvg(std::ostream& out, const ChartScene& scene);

// text with the characters markup gives meaning to (& < > " ') as
// references, for a page's text and attributes alike.
std::string EscapeMarkup(const std::string& text);
