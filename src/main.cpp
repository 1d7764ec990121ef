#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include "platform/controls.h"
#include "table/Module2.h"
#include "table/Qel.h"

namespace {
// bench/run times the start to the first exposed frame of the main window.
class QuitOnExpose : public QObject {
 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Expose && static_cast<QWindow*>(o)->isExposed())
      QCoreApplication::exit(0);
    return false;
  }
};
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Qel");
  qel::ui::installFontSubstitutes();
  qel::Main();
  QuitOnExpose quitOnExpose;
  if (qEnvironmentVariableIsSet("QEL_BENCH_QUIT_ON_EXPOSE"))
    qel::QelForm().form.hWnd()->windowHandle()->installEventFilter(&quitOnExpose);
  const int rc = QApplication::exec();
  // The windows go before the application object does.
  qel::ResetProgram();
  return rc;
}
