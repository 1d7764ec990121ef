// The about window: bands, texts, placement, hiding, the link and dragging.
#include <QImage>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "about/fAbout.h"
#include "fixture.h"
#include "platform/services.h"

namespace qel::test {
namespace {

constexpr ui::Colour kNormal = 0x00FFC0C0;
constexpr ui::Colour kHover = 0x00FFFF00;

QRgb rgbOf(ui::Colour c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Points of the client area, in pixels, on each part of the window.
const QPoint kBareSurface(10, 100);
const QPoint kOnProductName(100, 20);
const QPoint kOnVersion(150, 48);
const QPoint kOnCopyright(150, 72);
const QPoint kOnLink(100, 104);
const QPoint kOnIcon(20, 30);
const QPoint kOnOk(250, 132);

class AboutFixture : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    ui::setShellOpenHandler([this](const QString& f) { opened << f; });
    Qel& q = loadQel();
    q.form.setLeft(1500);
    q.form.setTop(900);
    q.form.Show();
    ShowAbout();
    about = AboutForm();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about->form.widget()));
    // The toolkit drops a move to where the mouse already is: start each
    // test with the mouse away from the about window.
    QTest::mouseMove(q.form.widget()->windowHandle(), QPoint(5, 5));
  }
  void TearDown() override {
    ui::setShellOpenHandler({});
    ProgramFixture::TearDown();
  }

  QWindow* window() const { return about->form.widget()->windowHandle(); }
  QPoint position() const { return about->form.widget()->pos(); }
  ui::Colour linkColour() const { return about->LblHTTP[0]->ForeColor(); }
  ui::Colour lineColour() const { return about->LinHTTP[0]->BorderColor(); }

  // Presses a button at a point of the client area, moves the mouse by delta
  // in two steps and releases it there. A drag runs its own loop from the
  // first move on, so the rest of the gesture is sent from inside it.
  void gesture(QPoint from, QPoint delta, Qt::MouseButton button = Qt::LeftButton) {
    QWindow* w = window();
    const QPoint start = w->mapToGlobal(from);
    QTest::mousePress(w, button, {}, from);
    bool done = false;
    QTimer::singleShot(0, [&] {
      QTest::mouseMove(w, w->mapFromGlobal(start + delta));
      QTest::mouseRelease(w, button, {}, w->mapFromGlobal(start + delta));
      done = true;
    });
    QTest::mouseMove(w, w->mapFromGlobal(start + delta / 2));
    for (int i = 0; i < 10 && !done; ++i) QCoreApplication::processEvents();
    ASSERT_TRUE(done);
  }
  void hoverAt(QPoint p) { QTest::mouseMove(window(), p); }

  fAbout* about = nullptr;
  QStringList opened;
};

using AboutWindow = AboutFixture;
using AboutLink = AboutFixture;
using AboutDrag = AboutFixture;

TEST(AboutBands, ColoursRoundHalvesToEven) {
  struct Row {
    int d, red, green, blue;
  };
  const Row rows[] = {{0, 0, 0, 0},         {1, 1, 1, 1},        {3, 2, 2, 2},
                      {9, 8, 5, 5},         {15, 12, 9, 8},      {128, 107, 75, 67},
                      {254, 212, 149, 134}, {256, 213, 151, 135}};
  for (const Row& r : rows)
    EXPECT_EQ(fAbout::BandColour(r.d),
              static_cast<ui::Colour>(r.red + 256 * r.green + 65536 * r.blue))
        << "band " << r.d;
}

TEST_F(AboutWindow, BandsCoverTheClientAreaAsTheirStripesFall) {
  EXPECT_EQ(about->form.DrawWidth(), 9);
  const QImage& img = about->form.drawing();
  ASSERT_EQ(img.size(), QSize(286, 149));  // 4290 x 2235 twips

  // Band d paints its box 9 twips high at 9 d twips down, outlined with a
  // 9 pixel pen: a stripe from half a pen above to half a pen below. A pixel
  // row shows the last band whose stripe covers its centre.
  for (int y = 0; y < img.height(); ++y) {
    const double centre = y + 0.5;
    int band = -1;
    for (int d = 0; d <= 256; ++d) {
      const double top = d * 9 / 15.0 - 4.5;
      const double bottom = (d * 9 + 9) / 15.0 + 4.5;
      if (centre >= top && centre < bottom) band = d;
    }
    ASSERT_GE(band, 0);
    const QRgb want = rgbOf(fAbout::BandColour(band));
    for (int x : {0, 143, 285})
      ASSERT_EQ(img.pixel(x, y) | 0xFF000000, want) << "row " << y << " column " << x;
  }
  EXPECT_EQ(img.pixel(0, 0) | 0xFF000000, rgbOf(fAbout::BandColour(8)));
  EXPECT_EQ(img.pixel(0, 148) | 0xFF000000, rgbOf(fAbout::BandColour(255)));

  // What is on the screen is the kept drawing, also after hiding and showing.
  for (int pass = 0; pass < 2; ++pass) {
    const QImage shown = about->form.surface()->grab().toImage();
    for (QPoint p : {kBareSurface, QPoint(2, 2), QPoint(284, 147)})
      EXPECT_EQ(shown.pixel(p) | 0xFF000000, img.pixel(p) | 0xFF000000) << "pass " << pass;
    about->form.Hide();
    about->form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about->form.widget()));
  }
}

TEST_F(AboutWindow, TextsLinkAndTopmostAfterLoad) {
  EXPECT_EQ(about->lblVersion->Caption(), "Version 1.0.1");
  EXPECT_EQ(about->lblProductName->Caption(), "   Solitaire(Qel)");
  EXPECT_FALSE(about->lblCopyright->Caption().isEmpty());
  EXPECT_EQ(about->cmdOK[1]->Caption(), "O K");
  EXPECT_EQ(about->LblHTTP[0]->Caption(), "https://www.debian.org/");
  EXPECT_EQ(about->LblHTTP[0]->ToolTipText(), QString::fromUtf8("ホームページを見てね"));
  EXPECT_EQ(linkColour(), kNormal);
  EXPECT_EQ(lineColour(), kNormal);
  EXPECT_TRUE(about->form.topmost());
  EXPECT_EQ(about->form.Caption(), "");
  EXPECT_EQ(about->form.ScaleWidth(), 4290);
  EXPECT_EQ(about->form.ScaleHeight(), 2235);
  // No text is cut off by its label.
  for (const ui::Label* l : {about->lblProductName.get(), about->lblVersion.get(),
                             about->lblCopyright.get(), about->LblHTTP[0].get()}) {
    const QWidget* w = l->widget();
    EXPECT_LE(w->fontMetrics().horizontalAdvance(l->Caption()), w->width())
        << l->Caption().toStdString();
    // Drawn from the top: the glyphs end at the ascent plus their own depth.
    const QFontMetrics fm = w->fontMetrics();
    EXPECT_LE(fm.ascent() + fm.tightBoundingRect(l->Caption()).bottom(), w->height())
        << l->Caption().toStdString();
  }
  // The focus holder lies wholly outside the client area.
  EXPECT_GE(about->cmdDummy->Left(), about->form.ScaleWidth());
  EXPECT_GE(about->cmdDummy->Top(), about->form.ScaleHeight());
}

TEST_F(AboutWindow, CentredOverTheMainWindowUnclippedByTheScreen) {
  struct Case {
    double mainLeft, mainTop;
    double wantLeft, wantTop;
  };
  const double sw = ui::ScreenWidth(), sh = ui::ScreenHeight();
  const Case cases[] = {
      {1000, 500, 3600, 2900},
      // Near the screen's corner the window goes partly off it.
      {sw - 3000, sh - 3000, sw - 3000 + 4800 - 2200, sh - 3000 + 3600 - 1200},
  };
  Qel& q = QelForm();
  about->form.setWidth(4400);
  about->form.setHeight(2400);
  for (const Case& c : cases) {
    q.form.setLeft(c.mainLeft);
    q.form.setTop(c.mainTop);
    q.form.setWidth(9600);
    q.form.setHeight(7200);
    CentreOverMainWindow(about->form);
    // Positions live in whole pixels: within one pixel of the twips.
    EXPECT_NEAR(about->form.Left(), c.wantLeft, 15);
    EXPECT_NEAR(about->form.Top(), c.wantTop, 15);
  }
  EXPECT_GT(about->form.Left() + about->form.Width(), sw);
}

TEST_F(AboutWindow, OkHidesAndTheNextShowReturnsTheSameWindowWhereItWas) {
  const QPoint centred = position();
  gesture(kBareSurface, QPoint(70, -40));
  const QPoint dragged = position();
  ASSERT_EQ(dragged, centred + QPoint(70, -40));
  hoverAt(kOnLink);
  const QImage bands = about->form.drawing();

  about->cmdOK[1]->press();
  EXPECT_FALSE(about->form.Visible());
  EXPECT_EQ(AboutForm(), about);  // hidden, still loaded

  QelForm().form.setLeft(300);  // the main window moves meanwhile
  QelForm().mnuVersion_Click();
  ASSERT_EQ(AboutForm(), about);
  EXPECT_TRUE(about->form.Visible());
  EXPECT_EQ(position(), dragged);  // not centred again
  EXPECT_EQ(linkColour(), kHover);
  EXPECT_EQ(about->form.drawing(), bands);
  EXPECT_TRUE(about->form.topmost());
}

TEST_F(AboutWindow, FirstFocusIsOutOfSightTabReachesOk) {
  QWidget* w = about->form.widget();
  EXPECT_TRUE(about->cmdDummy->hasFocus());
  for (Qt::Key k : {Qt::Key_Return, Qt::Key_Space}) {
    QTest::keyClick(w->focusWidget(), k);
    EXPECT_TRUE(about->form.Visible());
  }
  QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(about->cmdOK[1]->hasFocus());
  QTest::keyClick(w->focusWidget(), Qt::Key_Return);
  EXPECT_FALSE(about->form.Visible());

  ShowAbout();
  ASSERT_TRUE(about->cmdOK[1]->hasFocus());
  QTest::keyClick(w->focusWidget(), Qt::Key_Space);
  EXPECT_FALSE(about->form.Visible());
}

TEST_F(AboutLink, EachMoveHandlerSetsTextAndLine) {
  using Handler = void (*)(fAbout&, Integer button);
  struct Case {
    const char* name;
    Handler move;
    ui::Colour colour;
  };
  const Case cases[] = {
      {"link", [](fAbout& a, Integer b) { a.LblHTTP_MouseMove(0, b, 0, 0, 0); }, kHover},
      {"surface", [](fAbout& a, Integer b) { a.Form_MouseMove(b, 0, 0, 0); }, kNormal},
      {"copyright", [](fAbout& a, Integer b) { a.lblCopyright_MouseMove(b, 0, 0, 0); }, kNormal},
      {"product", [](fAbout& a, Integer b) { a.lblProductName_MouseMove(b, 0, 0, 0); }, kNormal},
  };
  const QPoint at = position();
  for (const Case& c : cases) {
    for (Integer button : {Integer{0}, ui::vbRightButton, ui::vbMiddleButton}) {
      SCOPED_TRACE(testing::Message() << c.name << " button " << button);
      const ui::Colour other = c.colour == kHover ? kNormal : kHover;
      about->LblHTTP[0]->setForeColor(other);
      about->LinHTTP[0]->setBorderColor(other);
      c.move(*about, button);
      EXPECT_EQ(linkColour(), c.colour);
      EXPECT_EQ(lineColour(), c.colour);
      EXPECT_EQ(position(), at);  // no drag without the left button
    }
  }
}

TEST_F(AboutLink, MovesOfTheMouseOverTheWindow) {
  const struct {
    QPoint at;
    ui::Colour after;
  } path[] = {
      {kOnLink, kHover},         {kOnVersion, kHover},  // no handler there: unchanged
      {kOnOk, kHover},           {kOnIcon, kHover},          {kBareSurface, kNormal},
      {kOnLink, kHover},         {kOnCopyright, kNormal},    {kOnLink, kHover},
      {kOnProductName, kNormal}, {QPoint(150, 88), kNormal},  // on the line: the bare surface
  };
  for (const auto& step : path) {
    hoverAt(step.at);
    EXPECT_EQ(linkColour(), step.after) << step.at.x() << "," << step.at.y();
    EXPECT_EQ(lineColour(), step.after);
  }
}

TEST_F(AboutLink, ClickOpensTheLinkTextAndChangesNothingElse) {
  hoverAt(kOnLink);
  const QPoint at = position();
  QTest::mouseClick(window(), Qt::LeftButton, {}, kOnLink);
  EXPECT_EQ(opened, QStringList{"https://www.debian.org/"});
  EXPECT_TRUE(about->form.Visible());
  EXPECT_EQ(position(), at);
  EXPECT_EQ(linkColour(), kHover);
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(AboutDrag, TheWindowFollowsALeftDragOfItsSurfaceAndLabels) {
  const struct {
    const char* name;
    QPoint from;
    ui::Colour after;  // the colour step runs once the drag is over
  } starts[] = {{"surface", kBareSurface, kNormal},
                {"product", kOnProductName, kNormal},
                {"copyright", kOnCopyright, kNormal},
                {"link", kOnLink, kHover}};
  for (const auto& s : starts) {
    SCOPED_TRACE(s.name);
    about->LblHTTP[0]->setForeColor(s.after == kHover ? kNormal : kHover);
    const QPoint before = position();
    const QPoint delta(-60, 45);
    gesture(s.from, delta);
    EXPECT_EQ(position(), before + delta);
    EXPECT_EQ(linkColour(), s.after);
  }
  // A drag that starts on the link is no click on it.
  EXPECT_TRUE(opened.isEmpty());
  // The twips read back follow the pixels.
  EXPECT_EQ(about->form.Left(), position().x() * 15.0);
}

TEST_F(AboutDrag, NoDragFromTheVersionTheIconOrWithoutTheLeftButton) {
  const QPoint at = position();
  about->LblHTTP[0]->setForeColor(kHover);
  for (QPoint from : {kOnVersion, kOnIcon, kOnOk}) {
    gesture(from, QPoint(20, 10));
    EXPECT_EQ(position(), at);
    EXPECT_EQ(linkColour(), kHover);
  }
  for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton}) {
    gesture(kBareSurface, QPoint(20, 10), b);
    EXPECT_EQ(position(), at);
  }
  EXPECT_EQ(linkColour(), kNormal);  // the moves themselves still count
}

TEST_F(AboutDrag, DragAboutWindowLooksOnlyAtTheLeftButton) {
  const QPoint at = position();
  for (Integer b : {Integer{0}, Integer{2}, Integer{4}, Integer{6}}) {
    DragAboutWindow(b);
    EXPECT_EQ(position(), at);
  }
  // With bit 1 set but no button really held there is nothing to follow.
  DragAboutWindow(1);
  DragAboutWindow(3);
  EXPECT_EQ(position(), at);
  UnloadAbout();
  DragAboutWindow(1);  // not loaded: there is nothing to move, and nothing is loaded
  EXPECT_EQ(AboutForm(), nullptr);
}

}  // namespace
}  // namespace qel::test
