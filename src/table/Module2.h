#pragma once
// The shared module: start-up, the state that crosses windows, and the
// procedures the other windows call.
#include <QString>
#include <array>

#include "platform/runtime.h"
#include "table/Rules.h"

namespace qel {

namespace ui {
class Form;
}

struct Module2 {
  // Game state (main window only)
  table::PileCounts PileCount{};   // 0: stock, 1..7: columns
  std::array<Integer, 53> Deck{};  // stock ring, slots 1..52
  Integer DealPos = 0;
  Integer DeckTail = 0;
  Integer FirstRound = 0;
  Integer ResumeCol = 0;
  Integer SelCount = 0;
  std::array<Integer, 3> SelCard{};
  std::array<Integer, 3> SelPos{};
  Integer SelCol = 0;
  std::array<Integer, 53> ColumnCards{};
  Integer VisibleRows = 0;
  Date StartTime = 0;

  // Result hand-over and ranking
  Date ElapsedTime = 0;
  Integer ClearedCols = 0;
  Integer RankViewOnly = 0;
  std::array<QString, 10> RankName{};
  std::array<QString, 10> RankCols{};
  std::array<QString, 10> RankTime{};
  std::array<QString, 10> RankDate{};
  QString LastPlayerName;
};

// The one shared module of the running program.
Module2& M();

// The settings store's application, section and keys. A ranking row's keys
// are the field's letter joined with Str(row), whose leading blank is the
// key's own ("n 0" ... "d 9").
inline const QString kStoreApp = QStringLiteral("qel");
inline const QString kStoreSection = QStringLiteral("data");
struct RankRowKeys {
  QString name, cols, time, date;
};
RankRowKeys RankKeys(int row);
inline const QString kLastNameKey = QStringLiteral("norg");

// Start-up: reads the ranking and the last name, loads and shows the main window.
void Main();

// Keeps a window above all others without moving or resizing it.
void SetTopMost(ui::Form& window);

// Moves the about window with the mouse while the left button is held.
void DragAboutWindow(Integer Button);

// Play time from start to now, both times of day. A game that runs past
// midnight counts the day it crossed instead of going negative.
Date PlayTimeSince(Date start);

}  // namespace qel
