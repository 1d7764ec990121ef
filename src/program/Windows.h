#pragma once
// The program's three windows, each at most once: who loads, shows and
// unloads them. The windows and the shared module call through here, so
// none of them needs another window's header.
namespace qel {

class Qel;
class fRank;
class fAbout;
namespace ui {
class Form;
}

Qel& LoadQel();  // creates the main window and runs its load handler
void ShowQel();  // shows the main window modeless
Qel& QelForm();  // the main window (exists after Main)
bool QelLoaded();
// Starts the next game in the main window, when it is loaded and its table
// is idle ("Start" shown in the place of "Give Up"): a game the player has
// started since is kept.
void StartNextGame();

fRank* RankForm();  // nullptr while not loaded
void ShowRank();    // loads (running its load handler) when not loaded, then shows
void UnloadRank();
// Stores a result still waiting in the open ranking window as its "OK"
// would, but leaves the window open and starts no game.
void ConfirmWaitingResult();
// Shows the ranking window for a finished game's result, loaded afresh so
// that its load handler places the result.
void ShowRankForResult();

fAbout* AboutForm();      // nullptr while not loaded
ui::Form* AboutWindow();  // the about window's form, nullptr while not loaded
void ShowAbout();
void UnloadAbout();

// Places a secondary window's centre over the main window's centre, from
// the outer sizes of both; nothing when the main window is not loaded.
void CentreOverMainWindow(ui::Form& window);

// Tests: destroys every window and starts the shared module afresh, as at
// program start.
void ResetProgram();

}  // namespace qel
