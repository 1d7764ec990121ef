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

namespace {
// A show loads the window, running its load handler, only when it is not
// loaded; an open window just comes forward.
template <class Window>
void showWindow(std::unique_ptr<Window>& slot) {
  if (!slot) {
    slot = std::make_unique<Window>();
    slot->Form_Load();
  }
  slot->form.Show();
}

template <class Window>
void unloadWindow(std::unique_ptr<Window>& slot, std::vector<std::unique_ptr<Window>>& unloaded) {
  if (!slot) return;
  slot->form.Hide();
  unloaded.push_back(std::move(slot));
  buryLater();
}
}  // namespace

void ShowRank() { showWindow(program().rank); }
void UnloadRank() { unloadWindow(program().rank, program().unloadedRanks); }
void ShowAbout() { showWindow(program().about); }
void UnloadAbout() { unloadWindow(program().about, program().unloadedAbouts); }

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
