#include "ui/classes/classes.h"

namespace ui::classes {

namespace {
core::Value emptyArray() {
  return core::Value::array();
}
}  // namespace

const core::ClassDef& ZFELD() {
  return core::defineClass(
      "zFeld", {"Master", "Bezeich", "Name",   "Typ",     "Length", "Decim",   "P1000",   "Capital",
                "Wert",   "Tabelle", "Wert0",  "Auswahl", "UpdRel", "Gast_Nr", "ListBox", "Ausricht",
                "Range",  "lSetUpd", "nRecNo", "oIcon",   "oPers",  "xDiv",    "aChild"},
      [](core::Object& self) {
        self.set("Gast_Nr", 0);
        self.set("Ausricht", "LO");
        self.set("Range", core::arr(-9999999999.0, 9999999999.0));
        self.set("lSetUpd", false);
        self.set("aChild", emptyArray());
      });
}

const core::ClassDef& ZTHREAD() {
  return core::defineClass("zThread", {"nErrStat", "lHG"}, [](core::Object& self) {
    self.set("nErrStat", 0);
    self.set("lHG", false);
  });
}

const core::ClassDef& ZTABPAGE() {
  return core::defineClass("zTabPage", {});
}

const core::ClassDef& ZMENU() {
  return core::defineClass("zMenu", {"Orig", "RecNo", "Url_Nr", "Gast_nr", "Url_rec", "Gast_Rec", "Ores_Rec",
                                     "ArrObj", "ListWin", "dTag", "nZimmNr"});
}

const core::ClassDef& ZNATION() {
  return core::defineClass("zNation", {"Key", "Bez"});
}

const core::ClassDef& ZKEY() {
  return core::defineClass("zKey", {"Key", "Bez"});
}

const core::ClassDef& ZERRLOG() {
  return core::defineClass("zErrLog", {"Date", "Time", "Text"});
}

int DUMMY() {
  return 1;
}

}  // namespace ui::classes
