#pragma once
// Our window toolkit over Qt Widgets. Every control keeps its properties as
// last set, in twips and 0x00BBGGRR colours, and mirrors them onto its widget
// at 15 twips per pixel. The game reads positions back from the control, never
// from pixel geometry, so values such as a Left of -5 survive exactly.
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/runtime.h"

class QWidget;
class QPainter;
class QAction;
class QMenu;
class QMenuBar;
class QTimer;
class QLabel;
class QPushButton;
class QLineEdit;

namespace qel::ui {

using Colour = std::uint32_t;  // 0x00BBGGRR, or 0x800000nn for system colour nn

inline constexpr double kTwipsPerPixel = 15.0;
int toPixels(double twips);
QColor toQColor(Colour c);

// Mouse buttons as bits, as the game's handlers expect them.
inline constexpr Integer vbLeftButton = 1;
inline constexpr Integer vbRightButton = 2;
inline constexpr Integer vbMiddleButton = 4;

// Font as the game names it; families are mapped to installed look-alikes.
struct FontSpec {
  QString name;
  double size = 9;  // points
  bool bold = false;
};
// Maps the families the game names onto installed fonts and sets the
// application's default font. Call once after the QApplication exists.
void installFontSubstitutes();
QFont toQFont(const FontSpec& f);

using MouseHandler = std::function<void(Integer button, Integer shift, Single x, Single y)>;
using KeyHandler = std::function<void(Integer keyCode, Integer shift)>;
using EventHandler = std::function<void()>;

class Form;
class Container;

// Base of every placed control.
class Control {
 public:
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  double Left() const { return left_; }
  double Top() const { return top_; }
  double Width() const { return width_; }
  double Height() const { return height_; }
  void setLeft(double v);
  void setTop(double v);
  void setWidth(double v);
  void setHeight(double v);
  void Move(double left, double top, double width, double height);

  bool Visible() const { return visible_; }
  void setVisible(bool v);
  bool Enabled() const { return enabled_; }
  void setEnabled(bool v);
  QString ToolTipText() const { return toolTip_; }
  void setToolTipText(const QString& t);

  void setTabStop(bool stop);  // whether Tab and clicks can give it the focus
  void ZOrder();               // bring to the front of its siblings
  void SetFocus();             // give the keyboard focus
  bool hasFocus() const;

  QWidget* widget() const { return widget_; }

 protected:
  Control(QWidget* w, Container* parent);
  void mirrorGeometry();
  QWidget* widget_;

 private:
  // The container deletes the widget with itself when it goes first.
  QPointer<QWidget> alive_;
  double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  QString toolTip_;
};

// Something controls can be placed in: a form's client area or a picture box.
class Container {
 public:
  virtual ~Container() = default;
  virtual QWidget* surface() const = 0;
};

// What an image shows: a whole pixmap, or one cell of a card sheet. A cell
// costs nothing until it is first drawn, so that loading the 53 faces does
// not hold up the first frame.
class Picture {
 public:
  Picture() = default;
  Picture(const QPixmap& whole);  // implicit: any pixmap can be shown whole
  Picture(const QImage& sheet, const QRect& cell);
  bool isNull() const { return whole_.isNull() && sheet_.isNull(); }
  // For a cell: the sheet it lies on and where; a whole pixmap has neither.
  const QImage& sheet() const { return sheet_; }
  QRect cell() const { return cell_; }
  // The pixels it draws at one screen pixel per picture pixel.
  QImage toImage() const;
  void draw(QPainter& p, const QRect& target) const;  // stretched to the target

 private:
  QPixmap whole_;
  QImage sheet_;
  QRect cell_;
  mutable QPixmap cut_;  // the cell, cut at its first draw: later draws are plain blits
};

class Image : public Control {
 public:
  explicit Image(Container* parent);
  void setPicture(const ui::Picture& p);
  const ui::Picture& Picture() const { return picture_; }
  MouseHandler MouseDown;

 private:
  ui::Picture picture_;
};

class PictureBox : public Control, public Container {
 public:
  explicit PictureBox(Container* parent);
  QWidget* surface() const override { return widget_; }
  Colour BackColor() const { return back_; }
  void setBackColor(Colour c);
  KeyHandler KeyDown;

 private:
  Colour back_ = 0x8000000F;
};

class CommandButton : public Control {
 public:
  explicit CommandButton(Container* parent);
  QString Caption() const { return caption_; }
  void setCaption(const QString& c);
  void setFont(const FontSpec& f);
  EventHandler Click;
  void press();  // as a click by the player

 private:
  QString caption_;
};

class Label : public Control {
 public:
  enum Align { LeftJustify = 0, RightJustify = 1, Center = 2 };
  explicit Label(Container* parent);
  QString Caption() const { return caption_; }
  void setCaption(const QString& c);
  Colour ForeColor() const { return fore_; }
  void setForeColor(Colour c);
  Colour BackColor() const { return back_; }
  void setBackColor(Colour c);
  void setTransparent(bool t);  // BackStyle: transparent or opaque
  void setBorder(bool single);
  void setAlignment(Align a);
  void setFont(const FontSpec& f);
  EventHandler Click;
  MouseHandler MouseMove;

 private:
  void restyle();
  QString caption_;
  Colour fore_ = 0x80000012;
  Colour back_ = 0x8000000F;
  bool transparent_ = false;
  bool border_ = false;
  Align align_ = LeftJustify;
};

class TextBox : public Control {
 public:
  explicit TextBox(Container* parent);
  QString Text() const;
  void setText(const QString& t);
  Colour BackColor() const { return back_; }
  void setBackColor(Colour c);
  bool Locked() const { return locked_; }
  void setLocked(bool l);

 private:
  void restyle();
  Colour back_ = 0x80000005;
  bool locked_ = false;
};

// A straight line drawn over its container; it takes no mouse events.
class Line : public Control {
 public:
  explicit Line(Container* parent);
  void setEnds(double x1, double y1, double x2, double y2);
  Colour BorderColor() const { return colour_; }
  void setBorderColor(Colour c);

 private:
  friend class LineWidget;
  double x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
  Colour colour_ = 0;
};

// A menu entry: a menu of the bar, an item in a menu, or a command on the bar.
class MenuItem {
 public:
  QString Caption() const { return caption_; }
  bool Enabled() const { return enabled_; }
  void setEnabled(bool e);
  EventHandler Click;
  void trigger();                         // as the player choosing it: nothing when disabled
  void setShortcut(const QString& keys);  // e.g. "F2"
  QAction* action() const { return action_; }
  QMenu* menu() const { return menu_; }

 private:
  friend class Form;
  MenuItem() = default;
  QString caption_;
  bool enabled_ = true;
  QAction* action_ = nullptr;
  QMenu* menu_ = nullptr;
};

class Timer {
 public:
  Timer();
  ~Timer();
  int Interval() const { return interval_; }
  void setInterval(int ms);  // 0 stops it
  EventHandler TimerEvent;

 private:
  std::unique_ptr<QTimer> timer_;
  int interval_ = 0;
};

// A picture from a file or the resources. A top-down 24-bit BMP kept
// uncompressed in the resources is taken as it lies in the program's data,
// with nothing decoded or copied; anything else is decoded.
QImage LoadPicture(const QString& file);

// The card sheet cut into cells, counted row by row from 0.
class PictureClip {
 public:
  PictureClip() = default;
  void setPicture(const QImage& sheet, int rows, int cols);
  const QImage& Picture() const { return sheet_; }
  ui::Picture GraphicCell(int n) const;

 private:
  QImage sheet_;
  int rows_ = 1, cols_ = 1;
};

// A top-level window: optional menu bar above a client area that holds the
// controls. Left/Top/Width/Height are the outer frame in twips; ScaleWidth and
// ScaleHeight the client area, without the menu bar. A sizable form holds the
// width the program last gave it (the window manager is told so); the player
// sizes its height alone.
class Form : public Container {
 public:
  enum class Frame { Sizable, FixedToolWindow, None };
  explicit Form(Frame frame);
  ~Form() override;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  QWidget* surface() const override;
  QWidget* widget() const;  // the top-level window

  double Left() const;
  double Top() const;
  double Width() const;
  double Height() const;
  void setLeft(double v);
  void setTop(double v);
  void setWidth(double v);
  void setHeight(double v);
  double ScaleWidth() const;
  double ScaleHeight() const;
  // The client size the form has before it is first shown.
  void setClientSize(double width, double height);
  bool minimized() const;

  QString Caption() const { return caption_; }
  void setCaption(const QString& c);
  void setBackColor(Colour c);
  void setIcon(const QIcon& icon);
  void setFont(const FontSpec& f);

  bool Visible() const;
  void Show();  // modeless; an open window only comes forward
  void Hide();
  // Focus order of the controls, first to last; the first that can take the
  // focus gets it when the form first shows.
  void setTabOrder(const std::vector<Control*>& order);

  // Menus
  MenuItem* addMenu(const QString& caption);                  // on the bar, with a menu
  MenuItem* addBarCommand(const QString& caption);            // on the bar, no menu
  MenuItem* addItem(MenuItem* menu, const QString& caption);  // in a menu
  void addSeparator(MenuItem* menu);

  // Persistent drawing onto the client area: kept and repainted on exposure.
  void setDrawWidth(int pixels) { drawWidth_ = pixels; }
  int DrawWidth() const { return drawWidth_; }
  // A box with corners (x1, y1) and (x2, y2) in twips, outlined with the draw
  // width, and filled when fill is set.
  void drawBox(double x1, double y1, double x2, double y2, Colour c, bool fill);
  const QImage& drawing() const;

  // Events
  EventHandler Resize;
  std::function<void(Integer& cancel)> Unload;  // player closes the window
  MouseHandler MouseMove;

  // Keeps the window above every window that is not topmost, without moving,
  // resizing or showing it.
  void makeTopmost();
  bool topmost() const;

 private:
  friend class FormWidget;
  friend class SurfaceWidget;
  QMenuBar* bar();
  void applyWantedSize();
  Frame frame_;
  double wantedWidth_ = -1;  // outer size set before the frame was known
  double wantedHeight_ = -1;
  int sideFrame_ = 0;  // pixels the frame adds to the width
  MenuItem* keepItem(const QString& caption, QAction* action, QMenu* menu);
  class FormWidget* window_;
  class SurfaceWidget* client_;
  QMenuBar* menuBar_ = nullptr;
  QString caption_;
  int drawWidth_ = 1;
  std::vector<std::unique_ptr<MenuItem>> menus_;
  Control* firstFocus_ = nullptr;
  bool shownOnce_ = false;
};

// The screen's size in twips.
double ScreenWidth();
double ScreenHeight();

// A message box with the text, the OK button alone and no icon; the title is
// the application's. Returns when the player closes it.
void MsgBox(const QString& text);
// Tests catch message boxes instead of showing them.
void setMessageBoxHandler(std::function<void(const QString&)> handler);

// Ends the program at once; no unload handler runs.
void End();
void setEndHandler(std::function<void()> handler);

}  // namespace qel::ui
