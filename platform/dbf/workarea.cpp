#include "platform/dbf/workarea.h"

#include <functional>
#include <map>
#include <memory>

#include "core/failure.h"
#include "core/text.h"
#include "platform/fs/fs.h"

namespace platform::dbf {

namespace {

struct Area {
  std::unique_ptr<Table> table;
  std::string alias;
};

// Work areas belong to the program thread, as in the xBase runtimes.
struct Registry {
  std::map<int, Area> areas;
  int current = 1;
  Settings settings;

  int lowestFree() const {
    int n = 1;
    for (const auto& [number, area] : areas) {
      if (number != n) break;
      ++n;
    }
    return n;
  }
};

Registry& registry() {
  thread_local Registry r;
  return r;
}

std::string stemOf(const std::string& winPath) {
  std::string file = platform::fs::fileName(winPath);
  auto dot = file.rfind('.');
  return dot == std::string::npos ? file : file.substr(0, dot);
}

}  // namespace

std::filesystem::path hostPath(const std::string& name, const char* defaultExtension) {
  if (core::isBlank(name)) throw core::RuntimeFailure("no file name given");
  std::string win = platform::fs::absolute(name);
  if (platform::fs::fileName(win).find('.') == std::string::npos) win += defaultExtension;
  auto host = platform::fs::toHost(win);
  if (!host) throw core::RuntimeFailure("path not found: " + win);
  return *host;
}

int use(const std::string& name, int area, const UseOptions& options) {
  Registry& r = registry();
  if (area == kCurrentArea) area = r.current;
  if (area < 0) throw core::RuntimeFailure("work area " + std::to_string(area) + " does not exist");
  if (area == 0) area = r.lowestFree();
  closeArea(area);
  r.current = area;
  std::string alias = options.alias.empty() ? stemOf(platform::fs::absolute(name)) : options.alias;
  if (int other = areaOf(alias); other != 0) {
    if (!options.alias.empty()) throw core::RuntimeFailure("alias already in use: " + alias);
    alias += '_';
    alias += std::to_string(area);
  }
  OpenOptions open{options.exclusive, options.readOnly, &r.settings};
  auto table = std::make_unique<Table>(hostPath(name, ".dbf"), open);
  r.areas[area] = Area{std::move(table), alias};
  return area;
}

void closeArea() {
  closeArea(registry().current);
}

void closeArea(int area) {
  Registry& r = registry();
  auto it = r.areas.find(area);
  if (it == r.areas.end()) return;
  std::unique_ptr<Table> table = std::move(it->second.table);
  r.areas.erase(it);
  table->close();  // errors reach the caller; the area is free either way
}

void closeAll() {
  Registry& r = registry();
  std::vector<int> numbers = usedAreas();
  std::string firstError;
  for (int n : numbers) {
    try {
      closeArea(n);
    } catch (const core::RuntimeFailure& e) {
      if (firstError.empty()) firstError = e.what();
    }
  }
  r.current = 1;
  if (!firstError.empty()) throw core::RuntimeFailure(firstError);
}

void select(int area) {
  Registry& r = registry();
  if (area < 0) throw core::RuntimeFailure("work area " + std::to_string(area) + " does not exist");
  r.current = area == 0 ? r.lowestFree() : area;
}

bool selectAlias(const std::string& alias) {
  int n = areaOf(alias);
  if (n == 0) return false;
  registry().current = n;
  return true;
}

int selected() {
  return registry().current;
}

std::string aliasOf(int area) {
  const Registry& r = registry();
  auto it = r.areas.find(area);
  return it == r.areas.end() ? std::string() : it->second.alias;
}

std::string alias() {
  return aliasOf(registry().current);
}

int areaOf(const std::string& alias) {
  const std::string want = core::upper(core::alltrim(alias));
  if (want.empty()) return 0;
  for (const auto& [number, area] : registry().areas)
    if (core::upper(area.alias) == want) return number;
  return 0;
}

bool used() {
  return used(registry().current);
}

bool used(int area) {
  return registry().areas.count(area) != 0;
}

Table* tableIn(int area) {
  Registry& r = registry();
  auto it = r.areas.find(area);
  return it == r.areas.end() ? nullptr : it->second.table.get();
}

Table& current() {
  Table* t = tableIn(registry().current);
  if (t == nullptr)
    throw core::RuntimeFailure("work area " + std::to_string(registry().current) + " is not in use");
  return *t;
}

std::vector<int> usedAreas() {
  std::vector<int> out;
  for (const auto& [number, area] : registry().areas) out.push_back(number);
  return out;
}

Settings& settings() {
  return registry().settings;
}

namespace {

std::function<bool()> inOwnArea(int area, std::function<bool()> condition) {
  return [area, condition = std::move(condition)] {
    Registry& r = registry();
    const int previous = r.current;
    r.current = area;
    struct Restore {
      Registry& r;
      int previous;
      ~Restore() { r.current = previous; }
    } restore{r, previous};
    return condition();
  };
}

}  // namespace

void setFilter(std::function<bool()> condition) {
  if (!condition) return current().setFilter(std::function<bool()>{});
  current().setFilter(inOwnArea(selected(), std::move(condition)));
}

bool locate(std::function<bool()> condition, bool fromCurrent) {
  return current().locate(inOwnArea(selected(), std::move(condition)), fromCurrent);
}

void orderListAdd(const std::string& indexName) {
  current().orderListAdd(hostPath(indexName, ".ntx"));
}

void createIndex(const std::string& indexName, const std::string& keyExpression, bool unique,
                 bool descending) {
  current().createIndex(hostPath(indexName, ".ntx"), keyExpression, unique, descending);
}

void createTable(const std::string& name, const std::vector<FieldInfo>& fields) {
  Table::create(hostPath(name, ".dbf"), fields);
}

}  // namespace platform::dbf
