#pragma once
// The ranking window: the 10 best results, a new result placed among them.
#include <array>
#include <memory>

#include "platform/controls.h"

namespace qel {

class fRank {
 public:
  fRank();
  ~fRank();

  ui::Form form{ui::Form::Frame::FixedToolWindow};
  std::array<std::unique_ptr<ui::Label>, 15> Label1;
  std::array<std::unique_ptr<ui::TextBox>, 10> txtName;
  std::array<std::unique_ptr<ui::Label>, 10> lblName;
  std::array<std::unique_ptr<ui::Label>, 10> lblRetsu;
  std::array<std::unique_ptr<ui::Label>, 10> lblTime;
  std::array<std::unique_ptr<ui::Label>, 10> lblDate;
  std::unique_ptr<ui::CommandButton> Command1;

  void Form_Load();
  void Command1_Click();
  // Stores the rows as "OK" does when a new result waits in them, without
  // closing the window or starting a game.
  void SaveWaitingResult();

  // Marks the row of a new result; "OK" finds the row by it.
  static constexpr ui::Colour kNewRowColour = 0x0080FFFF;

 private:
  void CreateControls();
  // Screen row `screen` shows table row `row` of the ranking.
  void ShowTableRow(int screen, int row);
  void SaveRanking();
};

}  // namespace qel
