#include <QApplication>
#include <QWidget>
#include <QWindow>

#include "platform/controls.h"
#include "table/Module2.h"
#include "program/Windows.h"
#include "table/Qel.h"

#ifdef QEL_BENCH_START
#include "first_frame.h"
#endif

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Qel");
  qel::ui::installFontSubstitutes();
  qel::Main();
#ifdef QEL_BENCH_START
  FirstFrame firstFrame(qel::QelForm().form.widget()->windowHandle());
#endif
  const int rc = QApplication::exec();
  // The windows go before the application object does.
  qel::ResetProgram();
  return rc;
}
