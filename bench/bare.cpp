// A bare Qt window of the same size, timed the same way as the game: the
// ratio of the two shows what start-up costs are ours.
#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

class QuitOnExpose : public QObject {
 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Expose && static_cast<QWindow*>(o)->isExposed())
      QCoreApplication::exit(0);
    return false;
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w;
  w.resize(640, 480);
  w.show();
  QuitOnExpose q;
  w.windowHandle()->installEventFilter(&q);
  return QApplication::exec();
}
