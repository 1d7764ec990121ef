#pragma once
// The main window: the game table.
#include <array>
#include <memory>

#include "platform/controls.h"
#include "table/Module2.h"

namespace qel {

class Qel {
 public:
  Qel();
  ~Qel();

  // --- Controls ---------------------------------------------------------------
  ui::Form form{ui::Form::Frame::Sizable};
  std::unique_ptr<ui::CommandButton> Startbtn;
  std::unique_ptr<ui::CommandButton> cmdGiveUp;
  std::array<std::unique_ptr<ui::Label>, 2> Label1;
  std::unique_ptr<ui::Label> lblLast;
  std::unique_ptr<ui::Label> lblTime;
  std::array<std::unique_ptr<ui::CommandButton>, 2> cmdUpDown;
  std::unique_ptr<ui::PictureBox> picTable;
  std::array<std::unique_ptr<ui::PictureBox>, 3> picDum;
  std::unique_ptr<ui::PictureBox> picScdown;
  std::array<std::unique_ptr<ui::Image>, 53> DC;  // 0: the stock image, 1..52: the cards
  ui::PictureClip Cardclip;
  ui::Timer Timer1;

  ui::MenuItem* mnuGame = nullptr;
  ui::MenuItem* mnuGStart = nullptr;
  ui::MenuItem* mnuScore = nullptr;
  ui::MenuItem* mnuExit = nullptr;
  ui::MenuItem* mnuOption = nullptr;
  ui::MenuItem* mnuHelp = nullptr;
  ui::MenuItem* mnuPlay = nullptr;
  ui::MenuItem* mnuVersion = nullptr;

  // 1 while no game runs (from the load until the first game, and after a win).
  Integer GameOver = 0;

  // The stock image's tool tips: a new row, or the rest of a row that the
  // empty stock cut short.
  static inline const QString kDealTip = QString::fromUtf8("次の１列を配る");
  static inline const QString kResumeTip = QString::fromUtf8("続きを配る");

  // --- Public procedure: how other windows start a game ----------------------------
  void startbtn_Click();

  // --- Event handlers ---------------------------------------------------------------
  void Form_Load();
  void Form_Resize();
  void Form_Unload(Integer& Cancel);
  void DC_MouseDown(Integer Index, Integer Button, Integer Shift, Single X, Single Y);
  void cmdGiveUp_Click();
  void cmdUpDown_Click(Integer Index);
  void picTable_KeyDown(Integer KeyCode, Integer Shift);
  void Timer1_Timer();
  void mnuGStart_Click();
  void mnuScore_Click();
  void mnuExit_Click();
  void mnuOption_Click();
  void mnuPlay_Click();
  void mnuVersion_Click();

  // --- The window's own procedures (public so that tests can drive them) -------------
  void ResetTable();
  void UpdateScroll();
  void ShuffleDeck();
  void DealRound();
  void CompactColumn();
  // The stock count label and its colour for PileCount(0).
  void ShowStockCount();
  // Moves the selected cards back to their column and clears the selection.
  void DropSelection();
  // Sum test of the three selected cards; back to the stock or dropped; the win.
  void RemoveSelection();
  // Whether (ClearedCols, ElapsedTime) earns a row against row 9 of the ranking.
  bool ResultEntersRanking() const;
  // Shows the ranking for (ClearedCols, ElapsedTime) when it enters; false
  // when it doesn't. A result still waiting in the ranking window is stored
  // first.
  bool RankResult();
  // No game to give up: "Start" in the place of "Give Up", no deals.
  void ShowIdleControls();

 private:
  void CreateControls();
  void CreateMenus();
  void PickCard(Integer k);
};

}  // namespace qel
