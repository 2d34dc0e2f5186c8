// The browse: a list with columns over a data source that the program walks with callbacks.
//
// The browse asks for rows only when the program refreshes it (refreshAll, refreshCurrent), on
// the thread that calls the refresh: it goes to the first row, reads each row's cells in
// column order (every column's data callback once per row, first column first) and skips on
// until the skip callback moves no more or kMaxRows rows are read, then returns to the row it
// stood on. When the operator marks a row, the owner thread handles ev::kItemMarked by moving
// the source there (first row, then skip); a double click or Enter sends ev::kItemSelected, a
// right click on a heading ev::kHeaderRightDown with (mouse position, column number).
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/gui/control.h"

namespace platform::gui {

class Browse;

class BrowseColumn : public Control {
 public:
  using Settings = std::vector<std::pair<int, core::Value>>;
  // A column with settings as (code, value) pairs (codes.h colset: heading 123, width 116,
  // heading font 119, alignment 110; other codes are kept as given).
  static std::shared_ptr<BrowseColumn> make(const Settings& settings = {});
  // Applies the given settings over the present ones.
  void configure(const Settings& settings);
  Settings settings() const;
  core::Value setting(int code) const;  // NIL when not set
  std::string heading() const;
  int width() const;
  int alignment() const;
  // The cell value of the current row: called with no arguments.
  void setDataCallback(core::Value callback);
  core::Value dataCallback() const;
  // Optional: called with the cell's value; an array {foreground, background} of colour numbers
  // colours the cell.
  void setColourCallback(core::Value callback);
  core::Value colourCallback() const;

 protected:
  explicit BrowseColumn(const Settings& settings);

 private:
  friend class Browse;
  mutable std::mutex mutex_;
  Settings settings_;
  core::Value data_;
  core::Value colour_;
};

class Browse : public Control {
 public:
  static constexpr int kMaxRows = 5000;
  static constexpr int kRowHeight = 22;

  // The navigation callbacks: skip(n) returns the rows moved; goTop, goBottom; physPos returns
  // an identifier of the current row; pos, goPos(n), firstPos, lastPos serve the scroll bar.
  struct Navigation {
    core::Value skip, goTop, goBottom, physPos, pos, goPos, firstPos, lastPos;
  };

  static std::shared_ptr<Browse> make(const Ref& parent, const Ref& owner = nullptr);
  void setNavigation(Navigation navigation);
  Navigation navigation() const;

  void setHorizontalScroll(bool on);
  void setUserColumnResize(bool on);
  // 1: cell cursor, 2: no cursor, 3: row cursor (a whole row is marked).
  void setCursorMode(int mode);

  void addColumn(const std::shared_ptr<BrowseColumn>& column);
  int columnCount() const;
  std::shared_ptr<BrowseColumn> column(int index1) const;

  void refreshAll();
  void refreshCurrent();
  // Finishes pending drawing (the window thread has drawn when it returns).
  void stabilize();

  // What the browse shows: the rows read at the last refresh and the current row (1-based).
  std::vector<std::vector<std::string>> shownRows() const;
  int currentRow() const;

  void handleEvent(const Event& e) override;

  // The columns' settings changed: headings, widths, alignment, fonts again.
  void applyColumns();

 protected:
  Browse(const Ref& parent, const Ref& owner);

 private:
  core::Value call(const core::Value& cb, std::vector<core::Value> args = {}) const;
  std::vector<std::string> readRow(const std::vector<std::shared_ptr<BrowseColumn>>& columns,
                                   std::vector<std::pair<int, int>>* colours) const;
  void moveTo(int row);  // row 1-based among the shown rows

  mutable std::mutex mutex_;
  Navigation nav_;
  std::vector<std::shared_ptr<BrowseColumn>> columns_;
  int current_ = 1;
};

}  // namespace platform::gui
