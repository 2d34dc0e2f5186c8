// zBrowse: the framework's list over a table (table mode: File) or over an array of row
// objects (array mode: Array), built from compact column descriptions (Spalten), with column
// widths as shares of the list's width.
//
//   auto b = ui::browse::ZBROWSE().New(drawingArea);
//   b->set("Spalten", …); b->set("Array", records); b->set("lSort", false);
//   b->Create(); b->PosSize(arr(20, 70), arr(580, 225));
//
// Its members are found by name without regard to case (b->get("Pos")).
#pragma once

#include <functional>
#include <memory>

#include "core/value.h"
#include "platform/gui/browse.h"

namespace ui::browse {

class ZBrowse : public platform::gui::Browse {
 public:
  std::string className() const override { return "zBrowse"; }

  void Init(const Ref& parent, const Ref& owner);
  void Create(const Ref& parent = nullptr, const Ref& owner = nullptr);
  long DBSkip(long nSkip, const core::Value& alias = {});
  long ArrSkip(long nSkip);
  // Places the list, turns the width shares into column widths and snaps the height to whole
  // rows; aPos and aSize are arrays, aSize is changed in place.
  void PosSize(const core::Value& aPos, const core::Value& aSize);
  double dbPos();
  void GoPos(double n);
  ZBrowse& Refresh();
  ZBrowse& Destroy();
  // The heading's right mouse button asks for the sort menu (mouse position, column number).
  void Sort(const core::Value& mousePos, const core::Value& column);
  // Where Sort hands the request until the sort menu exists.
  void setSortHandler(std::function<void(const core::Value& mousePos, int column)> handler);

 private:
  friend struct ZBrowseClass;
  ZBrowse(const Ref& parent, const Ref& owner);
  void createTableMode();
  void createArrayMode();
  bool inRange();
  long listSkip(long nSkip);
  void listGoTo(long index);
  std::function<void(const core::Value&, int)> sortHandler_;
};

struct ZBrowseClass {
  std::string name() const { return "zBrowse"; }
  // new(parent, owner): an instance on which Init has run.
  std::shared_ptr<ZBrowse> New(const platform::gui::Control::Ref& parent,
                               const platform::gui::Control::Ref& owner = nullptr) const;
};
const ZBrowseClass& ZBROWSE();

// Width shares: each description's width as per mille of the sum of the created widths.
// Descriptions without a width get 5.
void normaliseWidth(core::Value& description);

}  // namespace ui::browse
