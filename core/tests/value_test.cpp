#include <gtest/gtest.h>

#include <thread>

#include "core/failure.h"
#include "core/globals.h"
#include "core/object.h"

using core::Value;

TEST(Values, TypeLetters) {
  struct Case {
    Value v;
    const char* letter;
  };
  const Case cases[] = {
      {Value(), "U"},
      {Value("x"), "C"},
      {Value(core::Memo{"long"}), "M"},
      {Value(1.5), "N"},
      {Value(core::Date()), "D"},
      {Value(true), "L"},
      {Value::array(), "A"},
      {Value(core::Callback([](const std::vector<Value>&) { return Value(); })), "B"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.v.typeLetter(), c.letter);
}

TEST(Values, ArraysAreSharedAndChangedInPlace) {
  Value a = core::arr("zov.exe", "4.3G");
  Value alias = a;
  alias.elements().push_back(Value(""));
  alias[1] = Value("ZOV.EXE");
  EXPECT_EQ(a.size(), 3u);
  EXPECT_EQ(a[1].text(), "ZOV.EXE");
  EXPECT_THROW(a[0], core::RuntimeFailure);
  EXPECT_THROW(a[4], core::RuntimeFailure);
  EXPECT_THROW(a[1].number(), core::RuntimeFailure) << "a text read as a number is a type error";
}

TEST(Values, CallbacksGetTheirArguments) {
  Value cb = core::Callback(
      [](const std::vector<Value>& args) { return Value(args[0].number() + args[1].number()); });
  EXPECT_EQ(cb.call({Value(2), Value(3)}).number(), 5);
}

TEST(Values, ObjectMembersAreFoundWithoutRegardToCase) {
  const auto& cls = core::defineClass("zDirProbe", {"Dir", "Vers", "Name", "lAnd"});
  Value rec = cls.create();
  core::setMember(rec, "LAND", Value("01.02.2018"));
  EXPECT_EQ(core::memberOf(rec, "land").text(), "01.02.2018");
  EXPECT_TRUE(core::memberOf(rec, "Dir").isNil());
  EXPECT_THROW(core::memberOf(rec, "Missing"), core::RuntimeFailure);
  EXPECT_THROW(core::memberOf(Value("text"), "Dir"), core::RuntimeFailure);
}

TEST(Values, GlobalsByNameWithoutRegardToCase) {
  auto& g = core::globals();
  g.clear();
  g.declare("nStepR", 0.25);
  EXPECT_EQ(g.get("NSTEPR").number(), 0.25);
  g.set("nstepr", 0.5);
  EXPECT_EQ(g.get("nStepR").number(), 0.5);
  EXPECT_THROW(g.get("yUndeclared"), core::RuntimeFailure);
  EXPECT_EQ(g.getOr("yUndeclared", Value(7)).number(), 7);
  // One writer, one reader, no torn values.
  std::thread writer([&] {
    for (int i = 0; i < 10000; ++i) g.set("nStepR", Value(i % 2 ? 1.0 : 0.0));
  });
  for (int i = 0; i < 10000; ++i) {
    double v = g.get("nStepR").number();
    ASSERT_TRUE(v == 0.0 || v == 1.0 || v == 0.5);
  }
  writer.join();
  g.clear();
}
