#include "program/Windows.h"

#include <QTimer>
#include <memory>
#include <vector>

#include "about/fAbout.h"
#include "ranking/fRank.h"
#include "table/Module2.h"
#include "table/Qel.h"

namespace qel {

namespace {
struct Windows {
  std::unique_ptr<Qel> qel;
  std::unique_ptr<fRank> rank;
  std::unique_ptr<fAbout> about;
  // Windows unloaded from inside one of their own handlers die once the
  // handler has returned.
  std::vector<std::unique_ptr<fRank>> unloadedRanks;
  std::vector<std::unique_ptr<fAbout>> unloadedAbouts;
};

Windows& windows() {
  static Windows w;
  return w;
}

void buryLater() {
  QTimer::singleShot(0, [] {
    windows().unloadedRanks.clear();
    windows().unloadedAbouts.clear();
  });
}

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

Qel& LoadQel() {
  Windows& w = windows();
  w.qel = std::make_unique<Qel>();
  w.qel->Form_Load();
  return *w.qel;
}

void ShowQel() { windows().qel->form.Show(); }
Qel& QelForm() { return *windows().qel; }
bool QelLoaded() { return windows().qel != nullptr; }

void StartNextGame() {
  if (QelLoaded()) QelForm().startbtn_Click();
}

fRank* RankForm() { return windows().rank.get(); }
void ShowRank() { showWindow(windows().rank); }
void UnloadRank() { unloadWindow(windows().rank, windows().unloadedRanks); }

fAbout* AboutForm() { return windows().about.get(); }
ui::Form* AboutWindow() { return windows().about ? &windows().about->form : nullptr; }
void ShowAbout() { showWindow(windows().about); }
void UnloadAbout() { unloadWindow(windows().about, windows().unloadedAbouts); }

void CentreOverMainWindow(ui::Form& window) {
  if (!QelLoaded()) return;
  // Single precision, unrounded, as the windows' own arithmetic goes.
  const ui::Form& main = QelForm().form;
  const auto mainLeft = static_cast<Single>(main.Left());
  const auto mainTop = static_cast<Single>(main.Top());
  const auto mainWidth = static_cast<Single>(main.Width());
  const auto mainHeight = static_cast<Single>(main.Height());
  const auto ownWidth = static_cast<Single>(window.Width());
  const auto ownHeight = static_cast<Single>(window.Height());
  window.setTop(mainHeight / 2 + mainTop - ownHeight / 2);
  window.setLeft(mainWidth / 2 - ownWidth / 2 + mainLeft);
}

void ResetProgram() {
  Windows& w = windows();
  w.unloadedRanks.clear();
  w.unloadedAbouts.clear();
  w.rank.reset();
  w.about.reset();
  w.qel.reset();
  M() = Module2{};
}

}  // namespace qel
