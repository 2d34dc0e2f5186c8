#include "ui/browse/zbrowse.h"

#include <algorithm>
#include <cmath>

#include "core/failure.h"
#include "core/globals.h"
#include "core/object.h"
#include "core/text.h"
#include "platform/dbf/workarea.h"
#include "platform/gui/codes.h"

namespace dbf = platform::dbf;
namespace gui = platform::gui;
using core::Value;

namespace ui::browse {

namespace {

// Column setting codes the list uses; the other fixed ones are handed on as given.
constexpr int kHeading = 123, kFont = 119, kWidth = 116, kAlignment = 110;

Value callback(std::function<Value(const std::vector<Value>&)> f) {
  return Value(core::Callback(std::move(f)));
}

// Key comparison as the table's range test makes it: with exact comparison off, a key that
// begins with the bound equals it ("ABCX" lies within "ABC" … "ABC").
int compareKey(const Value& key, const Value& bound) {
  if (key.isText() && bound.isText()) {
    const std::string& a = key.text();
    const std::string& b = bound.text();
    bool exact = dbf::settings().exact;
    std::string_view left = exact ? std::string_view(a) : std::string_view(a).substr(0, b.size());
    int c = left.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  if (key.isNumber() && bound.isNumber())
    return key.number() < bound.number() ? -1 : key.number() > bound.number();
  if (key.isDate() && bound.isDate()) return key.date() < bound.date() ? -1 : key.date() > bound.date();
  throw core::RuntimeFailure("range bound of another type than the key: " + key.typeLetter() + "/" +
                             bound.typeLetter());
}

// The seek value just above every key that begins with the bound: "ABC" -> "ABD", 20 -> 21.
Value upperSeekValue(const Value& bound) {
  if (bound.isText()) {
    std::string s = bound.text();
    if (s.empty()) return Value(s);
    s.back() = static_cast<char>(static_cast<unsigned char>(s.back()) + 1);
    return Value(s);
  }
  if (bound.isDate()) return Value(bound.date() + 1);
  return Value(bound.number() + 1);
}

dbf::Table& table(const Value& alias) {
  if (!dbf::selectAlias(alias.text())) throw core::RuntimeFailure("alias does not exist: " + alias.text());
  return dbf::current();
}

}  // namespace

ZBrowse::ZBrowse(const Ref& parent, const Ref& owner) : gui::Browse(parent, owner) {
  for (const char* name : {"Pos",      "Spalten", "Array",   "Array0", "File",  "Alias", "Index",
                           "Invers",   "Filter",  "Bereich", "SkipOk", "RecNo", "SpNr",  "lSort",
                           "bBereich", "Pos1",    "Rec1",    "PosL",   "RecL",  "Liste", "LstPos"})
    declareMember(name);
}

std::shared_ptr<ZBrowse> ZBrowseClass::New(const gui::Control::Ref& parent,
                                           const gui::Control::Ref& owner) const {
  std::shared_ptr<ZBrowse> b(new ZBrowse(parent, owner));
  b->Init(parent, owner);
  return b;
}

const ZBrowseClass& ZBROWSE() {
  static const ZBrowseClass cls;
  return cls;
}

void ZBrowse::Init(const Ref&, const Ref&) {
  set("Index", "");
  set("Invers", false);
  set("SkipOk", true);
  set("lSort", false);
  set("Filter", callback([](const std::vector<Value>&) { return Value(true); }));
  std::weak_ptr<ZBrowse> weak = std::static_pointer_cast<ZBrowse>(self());
  setHandler(gui::ev::kHeaderRightDown, callback([weak](const std::vector<Value>& args) {
               if (auto b = weak.lock())
                 b->Sort(args.size() > 0 ? args[0] : Value(), args.size() > 1 ? args[1] : Value());
               return Value();
             }));
}

void normaliseWidth(Value& description) {
  auto& d = description.elements();
  if (d.size() < 3) d.resize(3);
  if (d[2].isNil()) d[2] = Value(5);
}

void ZBrowse::Create(const Ref&, const Ref&) {
  create();  // no position, no size, not visible: PosSize places and shows it
  hide();
  setHorizontalScroll(false);
  setUserColumnResize(false);
  setCursorMode(3);
  set("Pos", 1);
  if (!get("File").isNil()) {
    createTableMode();
  } else {
    createArrayMode();
  }

  set("SpNr", 0);
  Value spalten = get("Spalten");
  const std::size_t count = spalten.size();
  double total = 0;
  std::vector<std::shared_ptr<gui::BrowseColumn>> created;
  for (std::size_t i = 1; i <= count; ++i) {
    Value d = spalten[i];
    normaliseWidth(d);
    gui::BrowseColumn::Settings settings = {{kHeading, d[1]},
                                            {117, 0},
                                            {118, 9},
                                            {102, 0},
                                            {kFont, core::globals().getOr("Fo_Ari10F", "10.Arial Fett")},
                                            {101, 1},
                                            {103, 1},
                                            {104, 7},
                                            {kWidth, d[3]}};
    if (d.size() >= 4) {
      std::string a = d[4].textOr("");
      settings.push_back({kAlignment, Value(a == "C" ? 1 : a == "R" ? 2 : 0)});
    }
    auto column = gui::BrowseColumn::make(settings);
    if (get("File").isNil()) {
      // Every column reads the cell of the column whose turn it is: the browse reads whole
      // rows, first column first.
      std::weak_ptr<ZBrowse> weak = std::static_pointer_cast<ZBrowse>(self());
      column->setDataCallback(callback([weak](const std::vector<Value>&) -> Value {
        auto b = weak.lock();
        if (!b) return Value(" ");
        Value array = b->get("Array");
        if (array.size() == 0) return Value(" ");
        Value spalten = b->get("Spalten");
        long n = b->get("SpNr").integer();
        b->set("SpNr", n + 1);
        Value desc = spalten[static_cast<std::size_t>(n % static_cast<long>(spalten.size())) + 1];
        return core::memberOf(array[static_cast<std::size_t>(b->get("Pos").integer())], desc[2].text());
      }));
    } else if (d[2].isText()) {
      const std::string field = d[2].text();
      column->setDataCallback(
          callback([field](const std::vector<Value>&) { return dbf::current().get(field); }));
    } else {
      column->setDataCallback(d[2]);
    }
    addColumn(column);
    if (d.size() >= 5) column->setColourCallback(d[5]);
    total += column->setting(kWidth).numberOr(0);
  }
  for (std::size_t i = 1; i <= count && total > 0; ++i) {
    Value d = spalten[i];
    d[3] = Value(d[3].number() * 1000.0 / total);
  }
}

void ZBrowse::createTableMode() {
  dbf::use(get("File").text(), 0);
  const std::string index = get("Index").textOr("");
  if (!index.empty()) dbf::orderListAdd(index);
  Value filter = get("Filter");
  if (filter.isCallback()) dbf::current().setFilter([filter] { return filter.call().logicalOr(true); });
  set("Alias", dbf::alias());
  dbf::Table& t = dbf::current();

  Value liste = get("Liste");
  if (!liste.isNil()) {
    // A list of record numbers instead of a key range: the rows are the list's records.
    if (liste.size() == 0) {
      set("Rec1", 0);
      set("RecL", 0);
      set("Liste", core::arr(0));
    } else {
      set("Rec1", liste[1]);
      set("RecL", liste[liste.size()]);
    }
    set("LstPos", 1);
    set("bBereich", callback([](const std::vector<Value>&) { return Value(true); }));
  } else if (get("Bereich").isNil() || (get("Bereich").isText() && get("Bereich").text().empty())) {
    t.goTop();
    set("Pos1", t.relPos());
    set("Rec1", static_cast<double>(t.recNo()));
    t.goBottom();
    set("PosL", t.relPos());
    set("RecL", static_cast<double>(t.recNo()));
    set("bBereich", callback([](const std::vector<Value>&) { return Value(true); }));
  } else {
    Value bereich = get("Bereich");
    if (!bereich.isArray()) bereich = core::arr(bereich, bereich);
    set("Bereich", bereich);
    const Value low = bereich[1], high = bereich[2];
    set("bBereich", callback([low, high](const std::vector<Value>&) {
          Value key = dbf::current().keyValue();
          return Value(compareKey(key, low) >= 0 && compareKey(key, high) <= 0);
        }));
    t.seek(low, true);
    set("Pos1", t.relPos());
    set("Rec1", static_cast<double>(t.recNo()));
    if (t.eof() || t.bof() || !inRange()) set("Rec1", 0);
    t.seek(upperSeekValue(high), true);
    t.skip(-1);
    set("PosL", t.relPos());
    set("RecL", static_cast<double>(t.recNo()));
  }
  if (get("Invers").logicalOr(false)) {
    Value p1 = get("Pos1"), r1 = get("Rec1");
    set("Pos1", get("PosL"));
    set("Rec1", get("RecL"));
    set("PosL", p1);
    set("RecL", r1);
  }
  t.goTo(static_cast<std::uint32_t>(get("Rec1").integer()));

  const Value alias = get("Alias");
  std::weak_ptr<ZBrowse> weak = std::static_pointer_cast<ZBrowse>(self());
  auto withList = [this] { return !get("Liste").isNil(); };
  Navigation nav;
  nav.skip = callback([weak](const std::vector<Value>& a) {
    auto b = weak.lock();
    return Value(b ? b->DBSkip(a.empty() ? 1 : a[0].integer()) : 0L);
  });
  nav.goTop = callback([alias, weak, withList](const std::vector<Value>&) {
    if (auto b = weak.lock(); b && withList()) {
      b->listGoTo(1);
    } else {
      table(alias).goTop();
    }
    return Value();
  });
  nav.goBottom = callback([alias, weak, withList](const std::vector<Value>&) {
    if (auto b = weak.lock(); b && withList()) {
      b->listGoTo(static_cast<long>(b->get("Liste").size()));
    } else {
      table(alias).goBottom();
    }
    return Value();
  });
  nav.physPos = callback(
      [alias](const std::vector<Value>&) { return Value(static_cast<double>(table(alias).recNo())); });
  nav.pos =
      callback([weak](const std::vector<Value>&) { return Value(weak.lock() ? weak.lock()->dbPos() : 0.0); });
  nav.goPos = callback([weak](const std::vector<Value>& a) {
    if (auto b = weak.lock()) b->GoPos(a.empty() ? 0 : a[0].number());
    return Value();
  });
  nav.firstPos = callback([](const std::vector<Value>&) { return Value(0); });
  nav.lastPos = callback([](const std::vector<Value>&) { return Value(100); });
  setNavigation(nav);
}

void ZBrowse::createArrayMode() {
  std::weak_ptr<ZBrowse> weak = std::static_pointer_cast<ZBrowse>(self());
  auto count = [weak] {
    auto b = weak.lock();
    return b ? std::max<long>(1, static_cast<long>(b->get("Array").size())) : 1L;
  };
  Navigation nav;
  nav.skip = callback([weak](const std::vector<Value>& a) {
    auto b = weak.lock();
    return Value(b ? b->ArrSkip(a.empty() ? 1 : a[0].integer()) : 0L);
  });
  nav.goTop = callback([weak](const std::vector<Value>&) {
    if (auto b = weak.lock()) b->set("Pos", 1);
    return Value();
  });
  nav.goBottom = callback([weak, count](const std::vector<Value>&) {
    if (auto b = weak.lock()) b->set("Pos", count());
    return Value();
  });
  auto pos = callback(
      [weak](const std::vector<Value>&) { return weak.lock() ? weak.lock()->get("Pos") : Value(1); });
  nav.physPos = pos;
  nav.pos = pos;
  nav.goPos = callback([weak](const std::vector<Value>& a) {
    if (auto b = weak.lock()) b->set("Pos", a.empty() ? Value(1) : a[0]);
    return Value();
  });
  nav.firstPos = callback([](const std::vector<Value>&) { return Value(1); });
  nav.lastPos = callback([count](const std::vector<Value>&) { return Value(count()); });
  setNavigation(nav);
}

bool ZBrowse::inRange() {
  return get("bBereich").call().logicalOr(false);
}

long ZBrowse::DBSkip(long nSkip, const Value& aliasArg) {
  if (!get("Liste").isNil()) return listSkip(nSkip);
  dbf::Table& t = table(aliasArg.isNil() ? get("Alias") : aliasArg);
  const long direction = (get("Invers").logicalOr(false) ? -1 : 1) * (nSkip > 0 ? 1 : -1);
  const auto rec1 = static_cast<std::uint32_t>(get("Rec1").integer());
  const auto recL = static_cast<std::uint32_t>(get("RecL").integer());
  long moved = 0;
  for (long i = 0; i < std::labs(nSkip); ++i) {
    const std::uint32_t here = t.recNo();
    if ((here == rec1 && nSkip < 0) || (here == recL && nSkip > 0)) break;
    t.skip(direction);
    if (t.eof() || t.bof() || !inRange()) {
      t.goTo(here);
      break;
    }
    ++moved;
  }
  moved *= nSkip > 0 ? 1 : -1;
  set("SkipOk", moved == nSkip);
  return moved;
}

long ZBrowse::listSkip(long nSkip) {
  const long count = static_cast<long>(get("Liste").size());
  const long old = get("LstPos").isNumber() ? get("LstPos").integer() : 1;
  const long now = std::clamp(old + nSkip, 1L, std::max(1L, count));
  listGoTo(now);
  set("SkipOk", now - old == nSkip);
  return now - old;
}

void ZBrowse::listGoTo(long index) {
  set("LstPos", index);
  table(get("Alias"))
      .goTo(static_cast<std::uint32_t>(get("Liste")[static_cast<std::size_t>(index)].integer()));
}

long ZBrowse::ArrSkip(long nSkip) {
  const long old = get("Pos").integer();
  long pos = old + nSkip;
  const long count = static_cast<long>(get("Array").size());
  if (pos > count) pos = count;
  if (pos < 1) pos = 1;
  set("Pos", pos);
  set("SkipOk", nSkip == pos - old);
  return pos - old;
}

void ZBrowse::PosSize(const Value& aPos, const Value& aSize) {
  if (!get("Alias").isNil()) table(get("Alias"));
  Value spalten = get("Spalten");
  double total = 0;
  for (int i = 1; i <= columnCount(); ++i) {
    const double w = spalten[static_cast<std::size_t>(i)][3].number() * (aSize[1].number() - 25) / 1000;
    auto c = column(i);
    const std::string heading = spalten[static_cast<std::size_t>(i)][1].textOr("");
    c->configure({{kHeading, Value(core::left(heading, static_cast<long>(w * 1.6)))}, {kWidth, Value(w)}});
    total += c->setting(kWidth).numberOr(0);
  }
  applyColumns();
  aSize[1] = Value(total + 17);
  aSize[2] = Value(std::floor((aSize[2].number() - 29) / 22) * 22 + 29);
  setPosSize(gui::Point{static_cast<int>(aPos[1].number()), static_cast<int>(aPos[2].number())},
             gui::Size{static_cast<int>(aSize[1].number()), static_cast<int>(aSize[2].number())});
  show();
  Refresh();
}

double ZBrowse::dbPos() {
  const Value liste = get("Liste");
  if (!liste.isNil()) {
    const double n = static_cast<double>(liste.size());
    return n <= 1 ? 0 : (get("LstPos").numberOr(1) - 1) / (n - 1) * 100;
  }
  dbf::Table& t = table(get("Alias"));
  const double pos1 = get("Pos1").number(), posL = get("PosL").number();
  if (posL <= pos1) return 100;
  return (t.relPos() - pos1) / (posL - pos1) * 100;
}

void ZBrowse::GoPos(double n) {
  const Value liste = get("Liste");
  if (!liste.isNil()) {
    listGoTo(1 + std::lround((static_cast<double>(liste.size()) - 1) * n / 100));
    return;
  }
  dbf::Table& t = table(get("Alias"));
  const double pos1 = get("Pos1").number(), posL = get("PosL").number();
  t.goRelPos(pos1 + (posL - pos1) * n / 100);
}

ZBrowse& ZBrowse::Refresh() {
  if (!get("Alias").isNil()) table(get("Alias"));
  refreshAll();
  refreshCurrent();
  stabilize();
  return *this;
}

ZBrowse& ZBrowse::Destroy() {
  set("RecNo", 0);
  const Value alias = get("Alias");
  if (alias.isText() && dbf::areaOf(alias.text()) > 0) {
    dbf::select(dbf::areaOf(alias.text()));
    set("RecNo", static_cast<double>(dbf::current().recNo()));
    dbf::closeArea();
  }
  dbf::select(1);
  destroy();
  return *this;
}

void ZBrowse::Sort(const Value& mousePos, const Value& column) {
  if (sortHandler_) sortHandler_(mousePos, static_cast<int>(column.numberOr(0)));
}

void ZBrowse::setSortHandler(std::function<void(const Value&, int)> handler) {
  sortHandler_ = std::move(handler);
}

}  // namespace ui::browse
