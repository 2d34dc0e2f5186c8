// Static text blocks: a text of one or more lines placed with one call, every line a static
// text of its own, 20 pixels below the previous one.
#pragma once

#include <string>
#include <vector>

#include "core/value.h"

namespace ui::fields {

// The line length used when the caller gives none (the text-line operations' default).
inline constexpr int kDefaultLineLength = 79;

// XSTRING(parent, text, position, bold, line length): parent is a drawing area or window;
// position {x, y} of the first line's lower left corner, or NIL to flow at the layout cursor of
// the parent's cargo (members links and oben, which then moves below the text); bold NIL or a
// logical; line length a number, anything else counts as not given. Returns the last static
// created, NIL when the text has no line.
core::Value XSTRING(const core::Value& parent, const std::string& text, const core::Value& position = {},
                    const core::Value& bold = {}, const core::Value& lineLength = {});

// The lines of a text: hard line breaks (carriage return + line feed) end a line, a longer line
// without its trailing blanks is wrapped at the last blank within the length (cut at the
// length when it has none). A break at the very end starts no further line.
std::vector<std::string> textLines(const std::string& text, std::size_t lineLength);

}  // namespace ui::fields
