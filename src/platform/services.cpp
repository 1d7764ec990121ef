#include "platform/services.h"

#include <QCursor>
#include <QDesktopServices>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include "platform/helpviewer.h"

namespace qel::ui {

namespace {

std::function<void(Form&, const QString&)>& helpViewer() {
  static std::function<void(Form&, const QString&)> v;
  return v;
}

std::function<void(const QString&)>& shellOpenHandler() {
  static std::function<void(const QString&)> h;
  return h;
}

// Follows the mouse until the left button comes up. Mouse events meant for
// the window's controls are swallowed meanwhile, so that no handler starts a
// second drag from inside this one; the toolkit's own bookkeeping of the
// press still sees them, at the level of the native window.
class ManualDrag : public QObject {
 public:
  ManualDrag(QWidget* window, QPoint pressGlobal)
      : window_(window), startPos_(window->pos()), startMouse_(pressGlobal) {}

  void run(QPoint mouseNow, bool grab) {
    qApp->installEventFilter(this);
    if (grab) window_->grabMouse();
    follow(mouseNow);  // the move that started the drag
    loop_.exec();
    if (grab && window_) window_->releaseMouse();
    qApp->removeEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* obj, QEvent* e) override {
    if (!window_) {
      loop_.quit();
      return false;
    }
    switch (e->type()) {
      case QEvent::MouseMove:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(e);
        // The window is dropped where the button comes up.
        follow(me->globalPosition().toPoint());
        if (!(me->buttons() & Qt::LeftButton)) loop_.quit();
        // Let the native window see it; keep it from the widgets.
        return obj->isWidgetType();
      }
      case QEvent::Hide:
        if (obj == window_) loop_.quit();
        return false;
      default:
        return false;
    }
  }

 private:
  void follow(QPoint mouse) {
    const QPoint to = startPos_ + (mouse - startMouse_);
    if (window_ && window_->pos() != to) window_->move(to);
  }

  QPointer<QWidget> window_;
  QPoint startPos_;
  QPoint startMouse_;
  QEventLoop loop_;
};

bool g_dragging = false;

// Where the left button last went down and where the mouse was last seen,
// so that a drag keeps the grip of the press even when the move that starts
// it already lies far from it.
class PressTracker : public QObject {
 public:
  QPoint lastPress;
  QPoint lastSeen;
  bool known = false;

 protected:
  bool eventFilter(QObject* obj, QEvent* e) override {
    const auto t = e->type();
    if (obj->isWindowType() && (t == QEvent::MouseButtonPress || t == QEvent::MouseMove ||
                                t == QEvent::MouseButtonRelease)) {
      auto* me = static_cast<QMouseEvent*>(e);
      lastSeen = me->globalPosition().toPoint();
      if (t == QEvent::MouseButtonPress && me->button() == Qt::LeftButton) {
        lastPress = lastSeen;
        known = true;
      }
    }
    return false;
  }
};

PressTracker* pressTracker() {
  static QPointer<PressTracker> t;
  if (!t && qApp) {
    t = new PressTracker;
    t->setParent(qApp);
    qApp->installEventFilter(t);
  }
  return t;
}

}  // namespace

void trackPresses() { pressTracker(); }

void WinHelp(Form& owner, const QString& helpFile) {
  if (helpViewer()) {
    helpViewer()(owner, helpFile);
    return;
  }
  showHelpFile(owner.widget(), helpFile);
}

void setHelpViewer(std::function<void(Form&, const QString&)> viewer) {
  helpViewer() = std::move(viewer);
}

void ShellOpen(const QString& file) {
  if (shellOpenHandler()) {
    shellOpenHandler()(file);
    return;
  }
  QDesktopServices::openUrl(QUrl::fromUserInput(file));
}

void setShellOpenHandler(std::function<void(const QString&)> handler) {
  shellOpenHandler() = std::move(handler);
}

void DragWindow(Form& window) {
  if (g_dragging) return;
  if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) return;
  QWidget* w = window.widget();
  if (!w->isVisible()) return;
  // Under X11 the press already gives us every pointer event until the
  // release, window manager or not, and moving the window ourselves follows
  // the mouse exactly, while the manager's move, as started there, can jump
  // on a later drag. Elsewhere the system's move comes first, and ours only where
  // there is nothing to do it (no window manager).
  const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
  if (!x11)
    if (QWindow* native = w->windowHandle(); native && native->startSystemMove()) return;

  g_dragging = true;
  PressTracker* t = pressTracker();
  const bool seen = t && t->known;
  ManualDrag drag(w, seen ? t->lastPress : QCursor::pos());
  drag.run(seen ? t->lastSeen : QCursor::pos(), x11);
  g_dragging = false;
}

}  // namespace qel::ui
