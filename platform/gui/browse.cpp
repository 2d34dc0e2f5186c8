#include "platform/gui/browse.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <cmath>

#include "core/failure.h"
#include "core/text.h"
#include "platform/gui/codes.h"
#include "platform/gui/detail/bridge.h"
#include "platform/gui/detail/impl.h"
#include "platform/gui/events.h"

namespace platform::gui {

using detail::onGui;

namespace detail {

// What the browse shows: rows read by the program thread at its last refresh.
class BrowseModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  struct Column {
    QString heading;
    QFont font;
    bool hasFont = false;
    int alignment = align::kLeft;
  };

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
  }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(columns.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const auto r = static_cast<std::size_t>(index.row());
    const auto c = static_cast<std::size_t>(index.column());
    if (r >= rows.size() || c >= rows[r].size()) return {};
    switch (role) {
      case Qt::DisplayRole:
        return rows[r][c];
      case Qt::TextAlignmentRole:
        return QVariant(static_cast<int>(qtAlignment(columns[c].alignment) | Qt::AlignVCenter));
      case Qt::ForegroundRole:
      case Qt::BackgroundRole: {
        if (r >= colours.size() || c >= colours[r].size()) return {};
        const int code = role == Qt::ForegroundRole ? colours[r][c].first : colours[r][c].second;
        if (auto q = qcolour(code)) return *q;
        return {};
      }
      default:
        return {};
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns.size()))
      return {};
    const auto& col = columns[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) return col.heading;
    if (role == Qt::FontRole && col.hasFont) return col.font;
    if (role == Qt::TextAlignmentRole)
      return QVariant(static_cast<int>(qtAlignment(col.alignment) | Qt::AlignVCenter));
    return {};
  }

  void setContent(std::vector<std::vector<QString>> newRows,
                  std::vector<std::vector<std::pair<int, int>>> newColours) {
    beginResetModel();
    rows = std::move(newRows);
    colours = std::move(newColours);
    endResetModel();
  }

  void setColumns(std::vector<Column> newColumns) {
    if (newColumns.size() != columns.size()) {
      beginResetModel();
      columns = std::move(newColumns);
      for (auto& row : rows) row.resize(columns.size());
      endResetModel();
      return;
    }
    columns = std::move(newColumns);
    if (!columns.empty()) emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(columns.size()) - 1);
  }

  void setRow(int row, std::vector<QString> cells, std::vector<std::pair<int, int>> cellColours) {
    if (row < 0 || row >= static_cast<int>(rows.size())) return;
    rows[static_cast<std::size_t>(row)] = std::move(cells);
    if (static_cast<std::size_t>(row) < colours.size())
      colours[static_cast<std::size_t>(row)] = std::move(cellColours);
    emit dataChanged(index(row, 0), index(row, std::max(0, static_cast<int>(columns.size()) - 1)));
  }

  std::vector<Column> columns;
  std::vector<std::vector<QString>> rows;
  std::vector<std::vector<std::pair<int, int>>> colours;
  bool quiet = false;  // the program moves the cursor: no event for it
};

namespace {

class BrowseView : public QTableView {
 public:
  using QTableView::QTableView;
  std::weak_ptr<Control> owner;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    QTableView::keyPressEvent(e);
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
      if (auto c = owner.lock()) c->postEvent(ev::kItemSelected, currentIndex().row() + 1);
    }
  }
};

}  // namespace

QWidget* buildBrowse(Control& browse, QWidget* parent) {
  auto* view = new BrowseView(parent);
  auto* model = new BrowseModel(view);
  std::weak_ptr<Control> weak = browse.self();
  view->owner = weak;
  view->setModel(model);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->verticalHeader()->hide();
  view->verticalHeader()->setDefaultSectionSize(Browse::kRowHeight);
  view->verticalHeader()->setMinimumSectionSize(Browse::kRowHeight);
  view->horizontalHeader()->setHighlightSections(false);
  view->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
  auto& m = browse.impl();
  m.model = model;
  view->setHorizontalScrollBarPolicy(m.hScrollBar ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  view->horizontalHeader()->setSectionResizeMode(m.userResize ? QHeaderView::Interactive
                                                              : QHeaderView::Fixed);
  QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view,
                   [weak, model](const QModelIndex& current, const QModelIndex&) {
                     if (model->quiet || !current.isValid()) return;
                     if (auto c = weak.lock()) c->postEvent(ev::kItemMarked, current.row() + 1);
                   });
  QObject::connect(view, &QTableView::doubleClicked, view, [weak](const QModelIndex& index) {
    if (auto c = weak.lock()) c->postEvent(ev::kItemSelected, index.row() + 1);
  });
  QObject::connect(view->horizontalHeader(), &QHeaderView::customContextMenuRequested, view,
                   [weak, view](const QPoint& pos) {
                     auto c = weak.lock();
                     if (!c) return;
                     QHeaderView* header = view->horizontalHeader();
                     const int column = header->logicalIndexAt(pos) + 1;
                     // The position comes in the heading's viewport.
                     const QPoint inView = header->viewport()->mapTo(view, pos);
                     c->postEvent(ev::kHeaderRightDown, core::arr(inView.x(), view->height() - inView.y()),
                                  column);
                   });
  return view;
}

}  // namespace detail

namespace {

detail::BrowseView* viewOf(const Control& c) {
  return dynamic_cast<detail::BrowseView*>(c.impl().widget.data());
}

std::string cellText(const core::Value& v) {
  if (v.isText()) return v.text();
  if (v.isNil()) return "";
  return core::toDisplayText(v);
}

}  // namespace

// --- BrowseColumn -------------------------------------------------------------------------------

BrowseColumn::BrowseColumn(const Settings& settings) : Control(Kind::BrowseColumn, nullptr, nullptr) {
  configure(settings);
}

std::shared_ptr<BrowseColumn> BrowseColumn::make(const Settings& settings) {
  return std::shared_ptr<BrowseColumn>(new BrowseColumn(settings));
}

void BrowseColumn::configure(const Settings& settings) {
  {
    std::lock_guard lock(mutex_);
    for (const auto& [code, value] : settings) {
      bool replaced = false;
      for (auto& present : settings_) {
        if (present.first == code) {
          present.second = value;
          replaced = true;
        }
      }
      if (!replaced) settings_.emplace_back(code, value);
    }
  }
  if (auto browse = std::dynamic_pointer_cast<Browse>(parent())) browse->applyColumns();
}

BrowseColumn::Settings BrowseColumn::settings() const {
  std::lock_guard lock(mutex_);
  return settings_;
}

core::Value BrowseColumn::setting(int code) const {
  std::lock_guard lock(mutex_);
  for (const auto& [c, v] : settings_)
    if (c == code) return v;
  return {};
}

std::string BrowseColumn::heading() const {
  return setting(colset::kHeading).textOr("");
}

int BrowseColumn::width() const {
  core::Value w = setting(colset::kWidth);
  return w.isNumber() ? static_cast<int>(w.number()) : 100;
}

int BrowseColumn::alignment() const {
  return static_cast<int>(setting(colset::kAlignment).numberOr(align::kLeft));
}

void BrowseColumn::setDataCallback(core::Value callback) {
  std::lock_guard lock(mutex_);
  data_ = std::move(callback);
}

core::Value BrowseColumn::dataCallback() const {
  std::lock_guard lock(mutex_);
  return data_;
}

void BrowseColumn::setColourCallback(core::Value callback) {
  std::lock_guard lock(mutex_);
  colour_ = std::move(callback);
}

core::Value BrowseColumn::colourCallback() const {
  std::lock_guard lock(mutex_);
  return colour_;
}

// --- Browse -------------------------------------------------------------------------------------

Browse::Browse(const Ref& parent, const Ref& owner) : Control(Kind::Browse, parent, owner) {
  impl().tabStop = true;
}

std::shared_ptr<Browse> Browse::make(const Ref& parent, const Ref& owner) {
  return std::shared_ptr<Browse>(new Browse(parent, owner));
}

void Browse::setNavigation(Navigation navigation) {
  std::lock_guard lock(mutex_);
  nav_ = std::move(navigation);
}

Browse::Navigation Browse::navigation() const {
  std::lock_guard lock(mutex_);
  return nav_;
}

void Browse::setHorizontalScroll(bool on) {
  onGui([&] {
    impl().hScrollBar = on;
    if (auto* v = viewOf(*this))
      v->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  });
}

void Browse::setUserColumnResize(bool on) {
  onGui([&] {
    impl().userResize = on;
    if (auto* v = viewOf(*this))
      v->horizontalHeader()->setSectionResizeMode(on ? QHeaderView::Interactive : QHeaderView::Fixed);
  });
}

void Browse::setCursorMode(int mode) {
  onGui([&] {
    impl().cursorMode = mode;
    if (auto* v = viewOf(*this)) {
      v->setSelectionBehavior(mode == 1 ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
      v->setSelectionMode(mode == 2 ? QAbstractItemView::NoSelection : QAbstractItemView::SingleSelection);
    }
  });
}

void Browse::addColumn(const std::shared_ptr<BrowseColumn>& column) {
  column->impl().parent = self();
  onGui([&] { column->impl().status = kStatusCreated; });
  {
    std::lock_guard lock(mutex_);
    columns_.push_back(column);
  }
  applyColumns();
}

int Browse::columnCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(columns_.size());
}

std::shared_ptr<BrowseColumn> Browse::column(int index1) const {
  std::lock_guard lock(mutex_);
  if (index1 < 1 || index1 > static_cast<int>(columns_.size())) return nullptr;
  return columns_[static_cast<std::size_t>(index1 - 1)];
}

void Browse::applyColumns() {
  std::vector<std::shared_ptr<BrowseColumn>> columns;
  {
    std::lock_guard lock(mutex_);
    columns = columns_;
  }
  std::vector<detail::BrowseModel::Column> look;
  std::vector<int> widths;
  for (const auto& col : columns) {
    detail::BrowseModel::Column c;
    c.heading = detail::qs(col->heading());
    c.alignment = col->alignment();
    core::Value font = col->setting(colset::kFont);
    if (font.isText() && !font.text().empty()) {
      c.font = detail::toQFont(font.text());
      c.hasFont = true;
    }
    look.push_back(c);
    widths.push_back(col->width());
  }
  onGui([&] {
    for (std::size_t i = 0; i < columns.size(); ++i) columns[i]->impl().size = {widths[i], kRowHeight};
    auto* model = impl().model;
    auto* view = viewOf(*this);
    if (model == nullptr || view == nullptr) return;
    model->setColumns(look);
    for (std::size_t i = 0; i < widths.size(); ++i)
      view->setColumnWidth(static_cast<int>(i), std::max(0, widths[i]));
  });
}

core::Value Browse::call(const core::Value& cb, std::vector<core::Value> args) const {
  if (!cb.isCallback()) return {};
  return cb.call(args);
}

std::vector<std::string> Browse::readRow(const std::vector<std::shared_ptr<BrowseColumn>>& columns,
                                         std::vector<std::pair<int, int>>* colours) const {
  std::vector<std::string> cells;
  for (const auto& col : columns) {
    core::Value v = call(col->dataCallback());
    cells.push_back(cellText(v));
    std::pair<int, int> c{colour::kDefault, colour::kDefault};
    core::Value cc = col->colourCallback();
    if (cc.isCallback()) {
      core::Value r = cc.call({v});
      if (r.isArray() && r.size() >= 2)
        c = {static_cast<int>(r[1].numberOr(colour::kDefault)),
             static_cast<int>(r[2].numberOr(colour::kDefault))};
    }
    if (colours != nullptr) colours->push_back(c);
  }
  return cells;
}

void Browse::refreshAll() {
  const Navigation nav = navigation();
  std::vector<std::shared_ptr<BrowseColumn>> columns;
  {
    std::lock_guard lock(mutex_);
    columns = columns_;
  }
  std::vector<std::vector<QString>> rows;
  std::vector<std::vector<std::pair<int, int>>> colours;
  int current = 1;
  if (!columns.empty() && nav.goTop.isCallback() && nav.skip.isCallback()) {
    const core::Value here = call(nav.physPos);
    call(nav.goTop);
    for (int row = 1; row <= kMaxRows; ++row) {
      if (!here.isNil() && call(nav.physPos).identical(here)) current = row;
      std::vector<std::pair<int, int>> rowColours;
      std::vector<QString> cells;
      for (const auto& text : readRow(columns, &rowColours)) cells.push_back(detail::qs(text));
      rows.push_back(std::move(cells));
      colours.push_back(std::move(rowColours));
      if (call(nav.skip, {core::Value(1)}).numberOr(0) == 0) break;
    }
    // Back to the row the source stood on.
    call(nav.goTop);
    if (current > 1) call(nav.skip, {core::Value(current - 1)});
  }
  {
    std::lock_guard lock(mutex_);
    current_ = current;
  }
  onGui([&] {
    auto* model = impl().model;
    auto* view = viewOf(*this);
    if (model == nullptr || view == nullptr) return;
    model->quiet = true;
    model->setContent(std::move(rows), std::move(colours));
    if (model->rowCount(QModelIndex()) > 0) view->setCurrentIndex(model->index(current - 1, 0));
    model->quiet = false;
  });
}

void Browse::refreshCurrent() {
  std::vector<std::shared_ptr<BrowseColumn>> columns;
  int current = 1;
  {
    std::lock_guard lock(mutex_);
    columns = columns_;
    current = current_;
  }
  std::vector<std::pair<int, int>> colours;
  std::vector<QString> cells;
  for (const auto& text : readRow(columns, &colours)) cells.push_back(detail::qs(text));
  onGui([&] {
    if (auto* model = impl().model) model->setRow(current - 1, std::move(cells), std::move(colours));
  });
}

void Browse::stabilize() {
  onGui([&] {
    if (impl().widget) impl().widget->repaint();
  });
}

std::vector<std::vector<std::string>> Browse::shownRows() const {
  return onGui([&] {
    std::vector<std::vector<std::string>> out;
    if (auto* model = impl().model)
      for (const auto& row : model->rows) {
        std::vector<std::string> cells;
        for (const auto& cell : row) cells.push_back(detail::cp(cell));
        out.push_back(std::move(cells));
      }
    return out;
  });
}

int Browse::currentRow() const {
  std::lock_guard lock(mutex_);
  return current_;
}

void Browse::moveTo(int row) {
  const Navigation nav = navigation();
  if (!nav.goTop.isCallback() || !nav.skip.isCallback() || row < 1) return;
  call(nav.goTop);
  int moved = row > 1 ? static_cast<int>(call(nav.skip, {core::Value(row - 1)}).numberOr(0)) : 0;
  std::lock_guard lock(mutex_);
  current_ = 1 + moved;
}

void Browse::handleEvent(const Event& e) {
  if ((e.code == ev::kItemMarked || e.code == ev::kItemSelected) && e.mp1.isNumber()) {
    const int row = static_cast<int>(e.mp1.integer());
    if (row != currentRow() || e.code == ev::kItemMarked) moveTo(row);
  }
  Control::handleEvent(e);
}

}  // namespace platform::gui
