#include "table/Module2.h"

#include "platform/controls.h"
#include "platform/services.h"
#include "program/Windows.h"

namespace qel {

Module2& M() {
  static Module2 m;
  return m;
}

RankRowKeys RankKeys(int row) {
  const QString digit = rt::Str(row);
  return {"n" + digit, "r" + digit, "t" + digit, "d" + digit};
}

void Main() {
  Module2& m = M();
  rt::Randomize();
  {
    // All 41 reads from one version of the file, though a save may land meanwhile.
    const rt::SettingsSnapshot store(kStoreApp);
    for (int i = 0; i <= 9; ++i) {
      const RankRowKeys key = RankKeys(i);
      m.RankName[i] = rt::GetSetting(kStoreApp, kStoreSection, key.name, "none");
      m.RankCols[i] = rt::GetSetting(kStoreApp, kStoreSection, key.cols, "0");
      m.RankTime[i] = rt::GetSetting(kStoreApp, kStoreSection, key.time, "99:99:99");
      m.RankDate[i] = rt::GetSetting(kStoreApp, kStoreSection, key.date, "0000/00/00 00:00:00");
    }
    m.LastPlayerName = rt::GetSetting(kStoreApp, kStoreSection, kLastNameKey, "Qel");
  }
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
