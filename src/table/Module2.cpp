#include "table/Module2.h"

#include "platform/controls.h"
#include "platform/services.h"
#include "program/Windows.h"

namespace qel {

Module2& M() {
  static Module2 m;
  return m;
}

void Main() {
  Module2& m = M();
  rt::Randomize();
  for (int i = 0; i <= 9; ++i) {
    const QString row = rt::Str(i);
    m.RankName[i] = rt::GetSetting(kStoreApp, kStoreSection, "n" + row, "none");
    m.RankCols[i] = rt::GetSetting(kStoreApp, kStoreSection, "r" + row, "0");
    m.RankTime[i] = rt::GetSetting(kStoreApp, kStoreSection, "t" + row, "99:99:99");
    m.RankDate[i] = rt::GetSetting(kStoreApp, kStoreSection, "d" + row, "0000/00/00 00:00:00");
  }
  m.LastPlayerName = rt::GetSetting(kStoreApp, kStoreSection, "norg", "Qel");
  LoadQel();
  ShowQel();
}

void SetTopMost(ui::Form& window) { window.makeTopmost(); }

void DragAboutWindow(Integer Button) {
  if (!(Button & ui::vbLeftButton)) return;
  if (ui::Form* about = AboutWindow()) ui::DragWindow(*about);
}

Date PlayTimeSince(Date start) {
  Date d = rt::Time() - start;
  if (d < 0) d += 1;
  return d;
}

}  // namespace qel
