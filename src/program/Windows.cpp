#include "program/Windows.h"

#include <QObject>
#include <memory>

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
  // Holds the unloaded windows that wait for their deferred delete.
  std::unique_ptr<QObject> unloaded;
};

Windows& windows() {
  static Windows w;
  return w;
}

// Owns an unloaded window until Qt's deferred delete.
template <class Window>
class Unloaded : public QObject {
 public:
  Unloaded(std::unique_ptr<Window> window, QObject* parent)
      : QObject(parent), window_(std::move(window)) {}

 private:
  std::unique_ptr<Window> window_;
};

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

// A window unloaded from inside one of its own handlers dies once the
// handler has returned: a deferred delete waits until control is back in
// the event loop that called the handler, even when the handler has run a
// modal box since.
template <class Window>
void unloadWindow(std::unique_ptr<Window>& slot) {
  if (!slot) return;
  slot->form.Hide();
  std::unique_ptr<QObject>& unloaded = windows().unloaded;
  if (!unloaded) unloaded = std::make_unique<QObject>();
  (new Unloaded<Window>(std::move(slot), unloaded.get()))->deleteLater();
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
  if (QelLoaded() && QelForm().Startbtn->Visible()) QelForm().startbtn_Click();
}

fRank* RankForm() { return windows().rank.get(); }
void ShowRank() { showWindow(windows().rank); }
void UnloadRank() { unloadWindow(windows().rank); }

void ConfirmWaitingResult() {
  if (fRank* rank = RankForm()) rank->SaveWaitingResult();
}

void ShowRankForResult() {
  // An open window, view-only or already confirmed, gives way to a new one.
  UnloadRank();
  M().RankViewOnly = 0;
  ShowRank();
}

fAbout* AboutForm() { return windows().about.get(); }
ui::Form* AboutWindow() { return windows().about ? &windows().about->form : nullptr; }
void ShowAbout() { showWindow(windows().about); }
void UnloadAbout() { unloadWindow(windows().about); }

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
  w.unloaded.reset();
  w.rank.reset();
  w.about.reset();
  w.qel.reset();
  M() = Module2{};
}

}  // namespace qel
