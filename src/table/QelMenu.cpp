// Menu commands, the elapsed-time clock, the help command and program end.
#include <exception>

#include "platform/services.h"
#include "program/Windows.h"
#include "table/Qel.h"

namespace qel {

void Qel::Form_Unload(Integer&) {
  // The ranking window has no unload handling: a result waiting in it is
  // dropped unsaved. The program ends once no window is left.
  UnloadAbout();
  UnloadRank();
}

void Qel::Timer1_Timer() {
  // Taken afresh at every tick, so a late or missed tick never drifts.
  lblTime->setCaption(rt::Format(PlayTimeSince(M().StartTime), "hh:mm:ss"));
}

void Qel::mnuGStart_Click() { startbtn_Click(); }

void Qel::mnuScore_Click() {
  Module2& m = M();
  m.ElapsedTime = 0;
  m.RankViewOnly = 1;
  ShowRank();
}

void Qel::mnuExit_Click() { ui::End(); }

void Qel::mnuOption_Click() { DealRound(); }

void Qel::mnuPlay_Click() {
  // Only a failure to reach the viewer is ours to report; what the viewer
  // makes of the file is its own business.
  try {
    ui::WinHelp(form, rt::HelpFile());
  } catch (const std::exception& e) {
    ui::MsgBox(QString::fromUtf8(e.what()));
  } catch (...) {
    ui::MsgBox(QString::fromUtf8("ヘルプを開けませんでした。"));
  }
}

void Qel::mnuVersion_Click() { ShowAbout(); }

}  // namespace qel
