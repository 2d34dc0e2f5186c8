#include "ui/fields/static_text.h"

#include "core/globals.h"
#include "core/object.h"
#include "core/text.h"
#include "platform/gui/codes.h"
#include "platform/gui/control.h"

namespace gui = platform::gui;

namespace ui::fields {

std::vector<std::string> textLines(const std::string& text, std::size_t lineLength) {
  std::vector<std::string> lines;
  if (lineLength == 0) lineLength = kDefaultLineLength;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    const bool hardBreak = end != std::string::npos;
    if (!hardBreak) end = text.size();
    // Trailing blanks go before wrapping, so they never make a line of their own.
    std::string rest = core::rtrim(text.substr(start, end - start));
    // Over-long lines wrap at the last blank that keeps the piece within the length.
    while (rest.size() > lineLength) {
      std::size_t cut = rest.rfind(' ', lineLength);
      if (cut == std::string::npos || cut == 0) {
        lines.push_back(rest.substr(0, lineLength));
        rest = rest.substr(lineLength);
      } else {
        lines.push_back(rest.substr(0, cut));
        rest = rest.substr(cut + 1);
      }
    }
    lines.push_back(rest);
    start = hardBreak ? end + 2 : text.size();
  }
  return lines;
}

core::Value XSTRING(const core::Value& parent, const std::string& text, const core::Value& position,
                    const core::Value& bold, const core::Value& lineLength) {
  auto& g = core::globals();
  const bool isBold = bold.logicalOr(false);
  const std::string font = isBold ? g.getOr("Fo_Ari10F", "10.Arial Fett").textOr("10.Arial Fett")
                                  : g.getOr("Fo_Ari10", "10.Arial").textOr("10.Arial");
  gui::Control::Ref area = gui::requireControl(parent);

  // A given position is copied; without one the text flows at the cursor of the parent's cargo.
  const bool useCursor = position.isNil();
  core::Value cargo;
  double x = 0;
  double y = 0;
  if (useCursor) {
    cargo = area->cargo();
    x = core::memberOf(cargo, "links").number();
    y = core::memberOf(cargo, "oben").number();
  } else {
    x = position[1].number();
    y = position[2].number();
  }

  const std::size_t length = lineLength.isNumber() && lineLength.number() >= 1
                                 ? static_cast<std::size_t>(lineLength.number())
                                 : kDefaultLineLength;
  core::Value last;
  for (const std::string& line : textLines(text, length)) {
    auto label = gui::Static::make(area);
    label->setType(gui::stype::kText);
    label->setCaption(core::rtrim(line));
    label->setFont(font);
    label->setAutoSize(true);
    label->create({static_cast<int>(x), static_cast<int>(y)}, label->size(), true);
    last = core::Value(label);
    y -= 20;
  }
  if (useCursor) core::setMember(cargo, "oben", y - 10);
  return last;
}

}  // namespace ui::fields
