// Times the player's actions on the real window, each followed by a
// synchronous repaint: a new game, a deal, a pick and a dropped selection.
#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/application.h"
#include "platform/controls.h"
#include "program/Windows.h"
#include "table/Module2.h"
#include "table/Qel.h"
#include "table/TableGeometry.h"

using namespace qel;

static double timeIt(const std::function<void()>& action) {
  QElapsedTimer t;
  t.start();
  action();
  QelForm().form.widget()->repaint();
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

static void report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-22s median %6.3f ms   worst %6.3f ms   (%zu runs)\n", what, ms[ms.size() / 2],
              ms.back(), ms.size());
}

int main(int argc, char** argv) {
  ui::Application app(argc, argv);
  Main();
  Qel& q = QelForm();
  QApplication::processEvents();
  std::vector<double> start, deal, pick, drop;
  for (int i = 0; i < 200; ++i) {
    start.push_back(timeIt([&] { q.startbtn_Click(); }));
    deal.push_back(timeIt([&] { q.DC_MouseDown(0, ui::vbLeftButton, 0, 0, 0); }));
    // The last card of the first live column: always a permitted pick.
    Integer card = 0;
    for (Integer n = 1; n <= table::kFullStock && !card; ++n)
      if (q.DC[static_cast<size_t>(n)]->Visible() &&
          q.DC[static_cast<size_t>(n)]->Top() == table::PlaceTop(M().PileCount[1] - 1) &&
          q.DC[static_cast<size_t>(n)]->Left() == table::ColumnLeft(1))
        card = n;
    if (card) pick.push_back(timeIt([&] { q.DC_MouseDown(card, ui::vbLeftButton, 0, 0, 0); }));
    drop.push_back(timeIt([&] { q.DC_MouseDown(card, ui::vbRightButton, 0, 0, 0); }));
    QApplication::processEvents();
  }
  report("new game", start);
  report("deal a row", deal);
  if (!pick.empty()) report("pick a card", pick);
  report("drop the selection", drop);
  std::printf("one 60 Hz frame: 16.667 ms\n");
  ResetProgram();
  return 0;
}
