// A bare Qt window of the same size, timed the same way as the game: the
// ratio of the two shows what start-up costs are ours.
#include <QApplication>
#include <QWidget>
#include <QWindow>

#include "quit_on_expose.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w;
  w.resize(640, 480);
  w.show();
  QuitOnExpose q;
  w.windowHandle()->installEventFilter(&q);
  return QApplication::exec();
}
