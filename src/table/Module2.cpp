#include "table/Module2.h"

#include <QTimer>
#include <vector>

#include "about/fAbout.h"
#include "platform/services.h"
#include "ranking/fRank.h"
#include "table/Qel.h"

namespace qel {

namespace {
struct Program {
  Module2 m;
  std::unique_ptr<Qel> qel;
  std::unique_ptr<fRank> rank;
  std::unique_ptr<fAbout> about;
  // Windows unloaded from inside one of their own handlers die once the
  // handler has returned.
  std::vector<std::unique_ptr<fRank>> unloadedRanks;
  std::vector<std::unique_ptr<fAbout>> unloadedAbouts;
};

Program& program() {
  static Program p;
  return p;
}

void buryLater() {
  QTimer::singleShot(0, [] {
    program().unloadedRanks.clear();
    program().unloadedAbouts.clear();
  });
}
}  // namespace

Module2& M() { return program().m; }

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
  LoadQel().form.Show();
}

void SetTopMost(ui::Form& window) { window.makeTopmost(); }

void DragAboutWindow(Integer Button) {
  if (!(Button & ui::vbLeftButton)) return;
  if (fAbout* about = AboutForm()) ui::DragWindow(about->form);
}

Date PlayTimeSince(Date start) {
  Date d = rt::Time() - start;
  if (d < 0) d += 1;
  return d;
}

Qel& LoadQel() {
  Program& p = program();
  p.qel = std::make_unique<Qel>();
  p.qel->Form_Load();
  return *p.qel;
}

Qel& QelForm() { return *program().qel; }
bool QelLoaded() { return program().qel != nullptr; }
fRank* RankForm() { return program().rank.get(); }
fAbout* AboutForm() { return program().about.get(); }

void ShowRank() {
  Program& p = program();
  if (!p.rank) {
    p.rank = std::make_unique<fRank>();
    p.rank->Form_Load();
  }
  p.rank->form.Show();
}

void UnloadRank() {
  Program& p = program();
  if (!p.rank) return;
  p.rank->form.Hide();
  p.unloadedRanks.push_back(std::move(p.rank));
  buryLater();
}

void ShowAbout() {
  Program& p = program();
  if (!p.about) {
    p.about = std::make_unique<fAbout>();
    p.about->Form_Load();
  }
  p.about->form.Show();
}

void UnloadAbout() {
  Program& p = program();
  if (!p.about) return;
  p.about->form.Hide();
  p.unloadedAbouts.push_back(std::move(p.about));
  buryLater();
}

void ResetProgram() {
  Program& p = program();
  p.unloadedRanks.clear();
  p.unloadedAbouts.clear();
  p.rank.reset();
  p.about.reset();
  p.qel.reset();
  p.m = Module2{};
}

}  // namespace qel
