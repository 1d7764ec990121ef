// The floor a start-up is measured against: a bare Qt window of the game's
// size with a menu bar and a Japanese label, in the game's font set-up, timed
// the same way as the game. The ratio of the two shows what costs are ours.
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QWidget>

#include "first_frame.h"
#include "platform/controls.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Qel");
  qel::ui::installFontSubstitutes();
  QWidget w;
  w.resize(640, 480);
  auto* bar = new QMenuBar(&w);
  bar->addMenu(QString::fromUtf8("ゲーム(&G)"))->addAction(QString::fromUtf8("終了(&E)"));
  bar->addMenu(QString::fromUtf8("ヘルプ(&H)"));
  bar->setGeometry(0, 0, 640, bar->sizeHint().height());
  auto* label = new QLabel(QString::fromUtf8("残り枚数"), &w);
  label->move(8, bar->height() + 8);
  w.show();
  FirstFrame frame(&w);
  return QApplication::exec();
}
