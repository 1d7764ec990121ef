#include "platform/application.h"
#include "program/Windows.h"
#include "table/Module2.h"

#ifdef QEL_BENCH_START
#include "first_frame.h"
#include "table/Qel.h"
#endif

int main(int argc, char** argv) {
  qel::ui::Application app(argc, argv);
  qel::Main();
#ifdef QEL_BENCH_START
  FirstFrame firstFrame(qel::QelForm().form.widget());
#endif
  const int rc = app.exec();
  // The windows go before the application object does.
  qel::ResetProgram();
  return rc;
}
