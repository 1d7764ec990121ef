#pragma once
// Ends the program at the first exposed frame of a window: the benchmarks
// time a start from the process's launch to that frame.
#include <QCoreApplication>
#include <QEvent>
#include <QWindow>

class QuitOnExpose : public QObject {
 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Expose && static_cast<QWindow*>(o)->isExposed())
      QCoreApplication::exit(0);
    return false;
  }
};
