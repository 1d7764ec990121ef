#include "platform/controls.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QResource>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtEndian>
#include <cmath>

namespace qel::ui {

int toPixels(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

QColor toQColor(Colour c) {
  if (c & 0x80000000u) {
    const QPalette pal = QApplication::palette();
    switch (c & 0xFF) {
      case 5:
        return pal.color(QPalette::Base);  // window background
      case 8:
        return pal.color(QPalette::Text);  // window text
      case 11:
        return pal.color(QPalette::Midlight);  // inactive border
      case 15:
        return pal.color(QPalette::Button);  // button face
      case 18:
        return pal.color(QPalette::ButtonText);  // button text
      default:
        return pal.color(QPalette::Window);
    }
  }
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

void installFontSubstitutes() {
  // Qt would otherwise fall back glyph by glyph to a fixed-pitch Gothic.
  QFont::insertSubstitutions(QString::fromUtf8("ＭＳ Ｐゴシック"), {"IPAPGothic", "IPAGothic"});
  QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "DejaVu Sans"});
  QFont::insertSubstitutions("Times New Roman", {"Liberation Serif", "DejaVu Serif"});
  QFont base("IPAPGothic");
  base.setPointSizeF(9);
  QApplication::setFont(base);
}

QFont toQFont(const FontSpec& f) {
  QFont q(f.name);
  q.setPointSizeF(f.size);
  q.setBold(f.bold);
  // IPAPGothic sets digits wider than the face it stands in for; narrowed a
  // little, a clock such as 00:00:01 fits its cell as designed.
  if (f.name == QString::fromUtf8("ＭＳ Ｐゴシック")) q.setStretch(92);
  return q;
}

namespace {

Integer buttonBits(Qt::MouseButtons b) {
  Integer bits = 0;
  if (b & Qt::LeftButton) bits |= vbLeftButton;
  if (b & Qt::RightButton) bits |= vbRightButton;
  if (b & Qt::MiddleButton) bits |= vbMiddleButton;
  return bits;
}

Integer shiftBits(Qt::KeyboardModifiers m) {
  Integer bits = 0;
  if (m & Qt::ShiftModifier) bits |= 1;
  if (m & Qt::ControlModifier) bits |= 2;
  if (m & Qt::AltModifier) bits |= 4;
  return bits;
}

Single twipsOf(double px) { return static_cast<Single>(px * kTwipsPerPixel); }

// Hands a mouse event to a handler as the game takes it: button bits, shift
// state and the position in twips.
void deliverMouse(const MouseHandler& handler, Qt::MouseButtons buttons, const QMouseEvent* e) {
  if (handler)
    handler(buttonBits(buttons), shiftBits(e->modifiers()), twipsOf(e->position().x()),
            twipsOf(e->position().y()));
}

void fillWith(QWidget* w, Colour c) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, toQColor(c));
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

}  // namespace

// --- Control -----------------------------------------------------------------

Control::Control(QWidget* w, Container* parent) : widget_(w), alive_(w) {
  if (parent) w->setParent(parent->surface());
  w->show();
}

Control::~Control() { delete alive_.data(); }

void Control::mirrorGeometry() {
  widget_->setGeometry(toPixels(left_), toPixels(top_), toPixels(width_), toPixels(height_));
}

void Control::setLeft(double v) {
  left_ = v;
  mirrorGeometry();
}
void Control::setTop(double v) {
  top_ = v;
  mirrorGeometry();
}
void Control::setWidth(double v) {
  width_ = v;
  mirrorGeometry();
}
void Control::setHeight(double v) {
  height_ = v;
  mirrorGeometry();
}
void Control::Move(double left, double top, double width, double height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  mirrorGeometry();
}

void Control::setVisible(bool v) {
  visible_ = v;
  widget_->setVisible(v);
}

void Control::setEnabled(bool v) {
  enabled_ = v;
  widget_->setEnabled(v);
}

void Control::setToolTipText(const QString& t) {
  toolTip_ = t;
  widget_->setToolTip(t);
}

void Control::setTabStop(bool stop) {
  widget_->setFocusPolicy(stop ? Qt::StrongFocus : Qt::NoFocus);
}
void Control::ZOrder() { widget_->raise(); }
void Control::SetFocus() { widget_->setFocus(Qt::OtherFocusReason); }
bool Control::hasFocus() const { return widget_->window()->focusWidget() == widget_; }

// --- Image -------------------------------------------------------------------

namespace {
class ImageWidget : public QWidget {
 public:
  explicit ImageWidget(Image* owner) : owner_(owner) { setFocusPolicy(Qt::NoFocus); }
  ui::Picture picture;

 protected:
  void paintEvent(QPaintEvent*) override {
    if (picture.isNull()) return;
    QPainter p(this);
    picture.draw(p, rect());
  }
  void mousePressEvent(QMouseEvent* e) override { deliverMouse(owner_->MouseDown, e->button(), e); }
  // Moves over an image stay with it (it has no MouseMove): they must not
  // reach the container's handler, not even with a button held.
  void mouseMoveEvent(QMouseEvent*) override {}

 private:
  Image* owner_;
};
}  // namespace

Picture::Picture(const QPixmap& whole) : whole_(whole) {}
Picture::Picture(const QImage& sheet, const QRect& cell) : sheet_(sheet), cell_(cell) {}

QImage Picture::toImage() const { return sheet_.isNull() ? whole_.toImage() : sheet_.copy(cell_); }

void Picture::draw(QPainter& p, const QRect& target) const {
  if (!sheet_.isNull() && cut_.isNull()) cut_ = QPixmap::fromImage(toImage());
  p.drawPixmap(target, sheet_.isNull() ? whole_ : cut_);
}

Image::Image(Container* parent) : Control(new ImageWidget(this), parent) {}

void Image::setPicture(const ui::Picture& p) {
  picture_ = p;
  static_cast<ImageWidget*>(widget_)->picture = p;
  widget_->update();
}

// --- PictureBox ----------------------------------------------------------------

namespace {
class PictureBoxWidget : public QWidget {
 public:
  explicit PictureBoxWidget(PictureBox* owner) : owner_(owner) { setFocusPolicy(Qt::StrongFocus); }

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    // Letters and digits carry their virtual-key code; the case of a letter
    // and the shift keys do not change it.
    const int k = e->key();
    const Integer code = (k >= 0x20 && k <= 0x7E) ? static_cast<Integer>(k) : 0;
    if (owner_->KeyDown) owner_->KeyDown(code, shiftBits(e->modifiers()));
  }
  void mousePressEvent(QMouseEvent*) override { setFocus(Qt::MouseFocusReason); }

 private:
  PictureBox* owner_;
};
}  // namespace

PictureBox::PictureBox(Container* parent) : Control(new PictureBoxWidget(this), parent) {
  fillWith(widget_, back_);
}

void PictureBox::setBackColor(Colour c) {
  back_ = c;
  fillWith(widget_, c);
}

// --- CommandButton ---------------------------------------------------------------

namespace {
class ButtonWidget : public QPushButton {
 protected:
  void keyPressEvent(QKeyEvent* e) override {
    // Enter presses the button that has the focus, as Space does.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !e->isAutoRepeat()) {
      click();
      return;
    }
    QPushButton::keyPressEvent(e);
  }
  // Moves over a button stay with it: it has no MouseMove of its own, and
  // they must not reach the container's handler.
  void mouseMoveEvent(QMouseEvent* e) override {
    QPushButton::mouseMoveEvent(e);
    e->accept();
  }
};
}  // namespace

CommandButton::CommandButton(Container* parent) : Control(new ButtonWidget, parent) {
  auto* b = static_cast<QPushButton*>(widget_);
  b->setAutoDefault(false);
  b->setDefault(false);
  QObject::connect(b, &QPushButton::clicked, b, [this] {
    if (Click) Click();
  });
}

void CommandButton::setCaption(const QString& c) {
  caption_ = c;
  static_cast<QPushButton*>(widget_)->setText(c);
}

void CommandButton::setFont(const FontSpec& f) { widget_->setFont(toQFont(f)); }

void CommandButton::press() {
  if (Visible() && Enabled()) static_cast<QPushButton*>(widget_)->click();
}

// --- Label -------------------------------------------------------------------

namespace {
class LabelWidget : public QLabel {
 public:
  explicit LabelWidget(Label* owner) : owner_(owner) {
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setTextFormat(Qt::PlainText);
  }

 protected:
  void mouseMoveEvent(QMouseEvent* e) override { deliverMouse(owner_->MouseMove, e->buttons(), e); }
  void mousePressEvent(QMouseEvent* e) override { pressed_ = e->button() == Qt::LeftButton; }
  void mouseReleaseEvent(QMouseEvent* e) override {
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->pos());
    pressed_ = false;
    if (click && owner_->Click) owner_->Click();
  }

 private:
  Label* owner_;
  bool pressed_ = false;
};
}  // namespace

Label::Label(Container* parent) : Control(new LabelWidget(this), parent) {
  static_cast<QLabel*>(widget_)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  restyle();
}

void Label::setCaption(const QString& c) {
  caption_ = c;
  static_cast<QLabel*>(widget_)->setText(c);
}

void Label::setForeColor(Colour c) {
  fore_ = c;
  restyle();
}
void Label::setBackColor(Colour c) {
  back_ = c;
  restyle();
}
void Label::setTransparent(bool t) {
  transparent_ = t;
  restyle();
}

void Label::setBorder(bool single) {
  border_ = single;
  auto* l = static_cast<QLabel*>(widget_);
  l->setFrameStyle(single ? (QFrame::Panel | QFrame::Sunken) : QFrame::NoFrame);
  l->setLineWidth(1);
  setAlignment(align_);  // the vertical placement follows the border
}

void Label::setAlignment(Align a) {
  align_ = a;
  Qt::Alignment h = a == Center         ? Qt::AlignHCenter
                    : a == RightJustify ? Qt::AlignRight
                                        : Qt::AlignLeft;
  // A bordered one-line cell reads best centred vertically.
  static_cast<QLabel*>(widget_)->setAlignment(h | (border_ ? Qt::AlignVCenter : Qt::AlignTop));
}

void Label::setFont(const FontSpec& f) { widget_->setFont(toQFont(f)); }

void Label::restyle() {
  QPalette pal = widget_->palette();
  pal.setColor(QPalette::WindowText, toQColor(fore_));
  pal.setColor(QPalette::Window, toQColor(back_));
  widget_->setPalette(pal);
  widget_->setAutoFillBackground(!transparent_);
}

// --- TextBox -----------------------------------------------------------------

TextBox::TextBox(Container* parent) : Control(new QLineEdit, parent) { restyle(); }

QString TextBox::Text() const { return static_cast<QLineEdit*>(widget_)->text(); }
void TextBox::setText(const QString& t) { static_cast<QLineEdit*>(widget_)->setText(t); }
void TextBox::setBackColor(Colour c) {
  back_ = c;
  restyle();
}
void TextBox::setLocked(bool l) {
  locked_ = l;
  static_cast<QLineEdit*>(widget_)->setReadOnly(l);
}
void TextBox::restyle() {
  QPalette pal = widget_->palette();
  pal.setColor(QPalette::Base, toQColor(back_));
  widget_->setPalette(pal);
}

// --- Line --------------------------------------------------------------------

class LineWidget : public QWidget {
 public:
  explicit LineWidget(Line* owner) : owner_(owner) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(QPen(toQColor(owner_->colour_), 1));
    const QPoint o = pos();
    p.drawLine(toPixels(owner_->x1_) - o.x(), toPixels(owner_->y1_) - o.y(),
               toPixels(owner_->x2_) - o.x(), toPixels(owner_->y2_) - o.y());
  }

 private:
  Line* owner_;
};

Line::Line(Container* parent) : Control(new LineWidget(this), parent) {}

void Line::setEnds(double x1, double y1, double x2, double y2) {
  x1_ = x1;
  y1_ = y1;
  x2_ = x2;
  y2_ = y2;
  Move(std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1) + kTwipsPerPixel,
       std::abs(y2 - y1) + kTwipsPerPixel);
}

void Line::setBorderColor(Colour c) {
  colour_ = c;
  widget_->update();
}

// --- MenuItem ------------------------------------------------------------------

void MenuItem::setEnabled(bool e) {
  enabled_ = e;
  if (action_) action_->setEnabled(e);
}

void MenuItem::trigger() {
  if (enabled_ && Click) Click();
}

void MenuItem::setShortcut(const QString& keys) {
  if (action_) action_->setShortcut(QKeySequence(keys));
}

// --- Timer -------------------------------------------------------------------

Timer::Timer() : timer_(std::make_unique<QTimer>()) {
  // A clock should not tick early: coarse timers may fire 5% before time.
  timer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] {
    if (TimerEvent) TimerEvent();
  });
}

Timer::~Timer() = default;

void Timer::setInterval(int ms) {
  // Setting an interval starts the count afresh, also when it was already
  // running at that interval: a new game's first tick comes a full second in.
  interval_ = ms;
  if (ms <= 0) {
    timer_->stop();
  } else {
    timer_->start(ms);
  }
}

// --- PictureClip -----------------------------------------------------------------

namespace {
// A top-down, uncompressed 24-bit BMP's rows are Format_BGR888 lines padded
// to 4 bytes; QImage takes them where they are when they start aligned.
QImage wrapTopDownBmp(const uchar* data, qint64 size) {
  const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(data + at); };
  const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(data + at); };
  if (size < 54 || data[0] != 'B' || data[1] != 'M') return {};
  const qint64 offset = u32(10);
  const qint64 width = qint32(u32(18));
  const qint64 height = -qint64(qint32(u32(22)));
  if (u32(14) < 40 || u16(26) != 1 || u16(28) != 24 || u32(30) != 0) return {};
  const qint64 stride = (width * 3 + 3) & ~qint64(3);
  if (width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF ||
      offset + stride * height > size || (quintptr(data + offset) & 3) != 0)
    return {};
  return QImage(data + offset, int(width), int(height), stride, QImage::Format_BGR888);
}
}  // namespace

QImage LoadPicture(const QString& file) {
  const QResource res(file);
  if (res.isValid() && res.compressionAlgorithm() == QResource::NoCompression) {
    QImage wrapped = wrapTopDownBmp(res.data(), res.size());
    if (!wrapped.isNull()) return wrapped;
  }
  return QImage(file);
}

void PictureClip::setPicture(const QImage& sheet, int rows, int cols) {
  sheet_ = sheet;
  rows_ = rows;
  cols_ = cols;
}

ui::Picture PictureClip::GraphicCell(int n) const {
  if (sheet_.isNull() || n < 0 || n >= rows_ * cols_) return {};
  const int w = sheet_.width() / cols_;
  const int h = sheet_.height() / rows_;
  return {sheet_, QRect((n % cols_) * w, (n / cols_) * h, w, h)};
}

namespace {
bool g_ending = false;  // End has been called: windows close without asking
}  // namespace

// --- Form --------------------------------------------------------------------

class SurfaceWidget : public QWidget {
 public:
  explicit SurfaceWidget(Form* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
  }
  QColor back = QColor(0xEF, 0xEF, 0xEF);
  QImage drawing;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), back);
    if (!drawing.isNull()) p.drawImage(0, 0, drawing);
  }
  void mouseMoveEvent(QMouseEvent* e) override { deliverMouse(owner_->MouseMove, e->buttons(), e); }

 private:
  Form* owner_;
};

class FormWidget : public QWidget {
 public:
  explicit FormWidget(Form* owner) : owner_(owner) {}

  // A window manager started after the window frames it where it stands:
  // the widget hears nothing of it, its window only gets exposed again.
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched == windowHandle() && e->type() == QEvent::Expose) owner_->applyWantedSize();
    return false;
  }

  void layoutChildren() {
    int top = 0;
    if (owner_->menuBar_) {
      top = owner_->menuBar_->sizeHint().height();
      owner_->menuBar_->setGeometry(0, 0, width(), top);
    }
    owner_->client_->setGeometry(0, top, width(), std::max(0, height() - top));
  }

 protected:
  void moveEvent(QMoveEvent*) override { owner_->applyWantedSize(); }
  void resizeEvent(QResizeEvent*) override {
    owner_->applyWantedSize();
    layoutChildren();
    if (owner_->Resize) owner_->Resize();
  }
  bool event(QEvent* e) override {
    if (e->type() == QEvent::WinIdChange && windowHandle())
      windowHandle()->installEventFilter(this);
    return QWidget::event(e);
  }
  void changeEvent(QEvent* e) override {
    QWidget::changeEvent(e);
    if (e->type() != QEvent::WindowStateChange) return;
    // There is no maximise box; a manager that maximises anyway is undone.
    const Qt::WindowStates big = Qt::WindowMaximized | Qt::WindowFullScreen;
    if (owner_->frame_ == Form::Frame::Sizable && (windowState() & big)) {
      setWindowState(windowState() & ~big);
      return;
    }
    if (owner_->Resize) owner_->Resize();
  }
  void closeEvent(QCloseEvent* e) override {
    if (g_ending) {
      e->accept();
      return;
    }
    Integer cancel = 0;
    if (owner_->Unload) owner_->Unload(cancel);
    if (cancel)
      e->ignore();
    else
      e->accept();
  }

 private:
  Form* owner_;
};

Form::Form(Frame frame) : frame_(frame) {
  window_ = new FormWidget(this);
  client_ = new SurfaceWidget(this, window_);
  Qt::WindowFlags flags;
  switch (frame) {
    case Frame::Sizable:
      flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
      break;
    case Frame::FixedToolWindow:
      flags = Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint;
      break;
    case Frame::None:
      flags = Qt::Window | Qt::FramelessWindowHint;
      break;
  }
  window_->setWindowFlags(flags);
  window_->setAttribute(Qt::WA_DeleteOnClose, false);
}

Form::~Form() { delete window_; }

QWidget* Form::surface() const { return client_; }
QWidget* Form::widget() const { return window_; }

namespace {
// Frame thickness the window manager adds around the client (0 before the
// first show and where there is no window manager). Asked of the window: the
// widget keeps the frame it had at its last move or resize.
QSize frameExtra(const QWidget* w) {
  const QWindow* window = w->windowHandle();
  if (!window) return {0, 0};
  const QMargins m = window->frameMargins();
  return {m.left() + m.right(), m.top() + m.bottom()};
}
}  // namespace

double Form::Left() const { return window_->frameGeometry().x() * kTwipsPerPixel; }
double Form::Top() const { return window_->frameGeometry().y() * kTwipsPerPixel; }
double Form::Width() const { return window_->frameGeometry().width() * kTwipsPerPixel; }
double Form::Height() const { return window_->frameGeometry().height() * kTwipsPerPixel; }

void Form::setLeft(double v) { window_->move(toPixels(v), window_->frameGeometry().y()); }
void Form::setTop(double v) { window_->move(window_->frameGeometry().x(), toPixels(v)); }

void Form::setWidth(double v) {
  const QSize extra = frameExtra(window_);
  // Until the window manager has framed the window its frame is unknown;
  // the outer size asked for is applied again once it is.
  wantedWidth_ = extra.isNull() ? v : -1;
  // A maximised or full-screen frame drops its sides for a while; the
  // window's own frame is the widest the manager has given it.
  sideFrame_ = std::max(sideFrame_, extra.width());
  const int w = std::max(1, toPixels(v) - sideFrame_);
  // Equal minimum and maximum width: the window manager offers the player
  // the height alone. One that ignores this may still make it another width.
  window_->setFixedWidth(w);
  if (w != window_->width()) window_->resize(w, window_->height());
}

void Form::setHeight(double v) {
  const QSize extra = frameExtra(window_);
  wantedHeight_ = extra.isNull() ? v : -1;
  const int h = std::max(1, toPixels(v) - extra.height());
  if (frame_ != Frame::Sizable)
    window_->setFixedHeight(h);
  else if (h != window_->height())
    window_->resize(window_->width(), h);
}

void Form::applyWantedSize() {
  if (frameExtra(window_).isNull()) return;
  if (wantedWidth_ >= 0) setWidth(wantedWidth_);
  if (wantedHeight_ >= 0) setHeight(wantedHeight_);
}

void Form::setClientSize(double width, double height) {
  const int top = menuBar_ ? menuBar_->sizeHint().height() : 0;
  const QSize size(toPixels(width), toPixels(height) + top);
  // Only the main window's frame is sizable, and only in height; the others
  // keep their size whatever the window manager offers.
  if (frame_ == Frame::Sizable) {
    window_->setFixedWidth(size.width());
    window_->resize(size);
  } else {
    window_->setFixedSize(size);
  }
  window_->layoutChildren();
}

double Form::ScaleWidth() const { return client_->width() * kTwipsPerPixel; }
double Form::ScaleHeight() const {
  const int top = menuBar_ ? menuBar_->sizeHint().height() : 0;
  return std::max(0, window_->height() - top) * kTwipsPerPixel;
}

bool Form::minimized() const { return window_->windowState() & Qt::WindowMinimized; }

void Form::setCaption(const QString& c) {
  caption_ = c;
  window_->setWindowTitle(c);
}

void Form::setBackColor(Colour c) {
  client_->back = toQColor(c);
  client_->update();
}

void Form::setIcon(const QIcon& icon) { window_->setWindowIcon(icon); }
void Form::setFont(const FontSpec& f) { window_->setFont(toQFont(f)); }

bool Form::Visible() const { return window_->isVisible(); }

void Form::Show() {
  if (!shownOnce_) {
    shownOnce_ = true;
    if (firstFocus_) firstFocus_->SetFocus();
  }
  // Coming forward includes coming back from the task bar.
  if (window_->windowState() & Qt::WindowMinimized)
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void Form::Hide() { window_->hide(); }

void Form::setTabOrder(const std::vector<Control*>& order) {
  firstFocus_ = nullptr;
  for (size_t i = 0; i + 1 < order.size(); ++i)
    QWidget::setTabOrder(order[i]->widget(), order[i + 1]->widget());
  for (Control* c : order) {
    if (c->Visible() && c->Enabled() && (c->widget()->focusPolicy() & Qt::TabFocus)) {
      firstFocus_ = c;
      break;
    }
  }
}

QMenuBar* Form::bar() {
  if (!menuBar_) {
    menuBar_ = new QMenuBar(window_);
    window_->layoutChildren();
  }
  return menuBar_;
}

MenuItem* Form::keepItem(const QString& caption, QAction* action, QMenu* menu) {
  auto item = std::unique_ptr<MenuItem>(new MenuItem);
  item->caption_ = caption;
  item->action_ = action;
  item->menu_ = menu;
  MenuItem* raw = item.get();
  // A menu only opens; commands and items act when chosen.
  if (!menu) QObject::connect(action, &QAction::triggered, action, [raw] { raw->trigger(); });
  menus_.push_back(std::move(item));
  return raw;
}

MenuItem* Form::addMenu(const QString& caption) {
  QMenu* menu = bar()->addMenu(caption);
  return keepItem(caption, menu->menuAction(), menu);
}

MenuItem* Form::addBarCommand(const QString& caption) {
  return keepItem(caption, bar()->addAction(caption), nullptr);
}

MenuItem* Form::addItem(MenuItem* menu, const QString& caption) {
  QAction* action = menu->menu_->addAction(caption);
  // Shortcuts of menu items act wherever the focus is in this window.
  action->setShortcutContext(Qt::WindowShortcut);
  return keepItem(caption, action, nullptr);
}

void Form::addSeparator(MenuItem* menu) { menu->menu_->addSeparator(); }

void Form::drawBox(double x1, double y1, double x2, double y2, Colour c, bool fill) {
  QImage& img = client_->drawing;
  const QSize need(std::max(1, client_->width()), std::max(1, client_->height()));
  if (img.size() != need) {
    QImage grown(need, QImage::Format_RGB32);
    grown.fill(client_->back);
    if (!img.isNull()) {
      QPainter p(&grown);
      p.drawImage(0, 0, img);
    }
    img = grown;
  }
  QPainter p(&img);
  const QColor col = toQColor(c);
  if (fill) {
    // Box and outline in one colour: the outline reaches half the pen width
    // past each edge. Pixels count whose centre lies inside, the top and left
    // edges included, so that a band that starts exactly on a centre shows
    // there, whatever the rasteriser would make of the tie.
    const double half = std::max(1, drawWidth_) / 2.0;
    const auto first = [](double edge) { return static_cast<int>(std::ceil(edge - 0.5)); };
    const int left = first(std::min(x1, x2) / kTwipsPerPixel - half);
    const int right = first(std::max(x1, x2) / kTwipsPerPixel + half);
    const int top = first(std::min(y1, y2) / kTwipsPerPixel - half);
    const int bottom = first(std::max(y1, y2) / kTwipsPerPixel + half);
    p.fillRect(QRect(left, top, right - left, bottom - top), col);
    client_->update();
    return;
  }
  QPen pen(col, std::max(1, drawWidth_), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
  p.setPen(pen);
  p.setBrush(fill ? QBrush(col) : Qt::NoBrush);
  p.drawRect(QRectF(x1 / kTwipsPerPixel, y1 / kTwipsPerPixel, (x2 - x1) / kTwipsPerPixel,
                    (y2 - y1) / kTwipsPerPixel));
  client_->update();
}

const QImage& Form::drawing() const { return client_->drawing; }

void Form::makeTopmost() {
  if (topmost()) return;
  const bool wasVisible = window_->isVisible();
  const QRect g = window_->geometry();
  window_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  window_->setGeometry(g);
  if (wasVisible) window_->show();
}

bool Form::topmost() const { return window_->windowFlags() & Qt::WindowStaysOnTopHint; }

// --- Screen, message box, end ------------------------------------------------------

double ScreenWidth() {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() * kTwipsPerPixel : 0;
}

double ScreenHeight() {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() * kTwipsPerPixel : 0;
}

namespace {
std::function<void(const QString&)>& messageBoxHandler() {
  static std::function<void(const QString&)> h;
  return h;
}
std::function<void()>& endHandler() {
  static std::function<void()> h;
  return h;
}
}  // namespace

void setMessageBoxHandler(std::function<void(const QString&)> handler) {
  messageBoxHandler() = std::move(handler);
}

void MsgBox(const QString& text) {
  if (messageBoxHandler()) {
    messageBoxHandler()(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text,
                  QMessageBox::Ok);
  // Modal: it must not end up behind a topmost window it blocks.
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
}

void setEndHandler(std::function<void()> handler) { endHandler() = std::move(handler); }

void End() {
  if (endHandler()) {
    endHandler()();
    return;
  }
  g_ending = true;
  QCoreApplication::exit(0);
}

}  // namespace qel::ui
