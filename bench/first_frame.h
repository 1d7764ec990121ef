#pragma once
// Ends the program at its window's first painted frame and reports it on
// stderr as "first-frame <seconds> <peak kB>": the CLOCK_MONOTONIC time and
// VmHWM, both read once the first expose has been handled, that is after the
// widgets have painted and the backing store has been flushed. bench/launch
// reads the same clock just before it starts the program.
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <ctime>

class FirstFrame : public QObject {
 public:
  // The window must have been shown.
  explicit FirstFrame(QWidget* window) { window->windowHandle()->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (done_ || e->type() != QEvent::Expose || !static_cast<QWindow*>(o)->isExposed())
      return false;
    done_ = true;
    o->event(e);  // paints and flushes now, so that the time comes after it
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "first-frame %lld.%09ld %ld\n", static_cast<long long>(now.tv_sec),
                 now.tv_nsec, peakKb());
    QCoreApplication::exit(0);
    return true;
  }

 private:
  static long peakKb() {
    long kb = -1;
    if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
      char line[256];
      while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atol(line + 6);
      std::fclose(f);
    }
    return kb;
  }
  bool done_ = false;
};
