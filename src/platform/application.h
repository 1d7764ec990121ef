#pragma once
// The application object, set up once as the game and its tests need it.
#include <memory>

class QApplication;

namespace qel::ui {

// Creates the application and gives it what the program assumes from the
// first window on: its name (the title of message boxes), the font
// substitutes, the built-in pictures and help file, and the watch on presses
// that window drags start from. argc and argv must outlive it.
class Application {
 public:
  Application(int& argc, char** argv);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Runs the event loop until the program ends; returns its exit code.
  int exec();

 private:
  std::unique_ptr<QApplication> app_;
};

}  // namespace qel::ui
