// Real mouse and key events sent through the main window: the toolkit's own
// hit-testing decides which image a press reaches.
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <utility>
#include <vector>

#include "fixture.h"

namespace qel::test {
namespace {

class Clicks : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    Main();
    q = &QelForm();
    win = q->form.widget()->windowHandle();
    ASSERT_NE(win, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(win));
    rt::seedGenerator(2024);
    // Record which image each press reaches, then let it go on.
    for (int n = 0; n <= 52; ++n) {
      ui::MouseHandler wired = q->DC[n]->MouseDown;
      q->DC[n]->MouseDown = [this, n, wired](Integer button, Integer shift, Single x, Single y) {
        presses.emplace_back(n, button);
        wired(button, shift, x, y);
      };
    }
  }

  // A point of a control, given in its own pixels, in the window's pixels.
  QPoint inWindow(const ui::Control& c, QPoint local) const {
    return c.widget()->mapTo(q->form.widget(), local);
  }
  QPoint centreOf(const ui::Control& c) const { return inWindow(c, c.widget()->rect().center()); }

  void click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    presses.clear();
    QTest::mouseClick(win, button, Qt::NoModifier, at);
  }

  QImage shot() const {
    return q->form.widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }

  Qel* q = nullptr;
  QWindow* win = nullptr;
  std::vector<std::pair<int, Integer>> presses;  // image index, button
};

using Presses = std::vector<std::pair<int, Integer>>;

TEST_F(Clicks, ThePressReachesTheCardInFrontAndDrawsItToTheLeft) {
  click(centreOf(*q->Startbtn));
  ASSERT_EQ(q->GameOver, 0);
  ASSERT_EQ(M().PileCount[0], 31);
  EXPECT_TRUE(q->picTable->hasFocus());

  // Column 3 holds three overlapping cards; the last one is whole.
  const Integer top = M().Deck[3], middle = M().Deck[10], last = M().Deck[17];
  const ui::Image& lastImage = *q->DC[last];
  const QPoint lowLeft(2, lastImage.widget()->height() - 10);
  const QImage before = shot();
  const QPoint probe = inWindow(lastImage, lowLeft) - QPoint(4, 0);  // just left of the column
  ASSERT_EQ(QColor(before.pixel(probe)), QColor(0, 0xC0, 0)) << "table green";

  // The centre of the top card lies under the two cards dealt after it.
  click(centreOf(*q->DC[top]));
  EXPECT_EQ(presses, (Presses{{last, ui::vbLeftButton}}));
  EXPECT_EQ(M().SelCount, 1);
  EXPECT_EQ(M().SelCard[0], last);
  EXPECT_EQ(lastImage.Left(), 2455 - 90);
  EXPECT_EQ(lastImage.widget()->x(), ui::toPixels(2365));
  const QImage after = shot();
  EXPECT_EQ(after.pixel(probe), lastImage.Picture().toImage().pixel(lowLeft - QPoint(4 - 6, 0)))
      << "the card is drawn 6 pixels further left";

  // The strip of the top card that shows still belongs to it.
  click(inWindow(*q->DC[top], QPoint(30, 6)));
  EXPECT_EQ(presses, (Presses{{top, ui::vbLeftButton}}));
  EXPECT_EQ(M().SelCount, 2);
  EXPECT_EQ(M().SelCard[1], top);
  EXPECT_EQ(q->DC[middle]->Left(), 2455);

  // The right button drops the selection.
  click(centreOf(*q->DC[middle]), Qt::RightButton);
  EXPECT_EQ(presses, (Presses{{last, ui::vbRightButton}}));
  EXPECT_EQ(M().SelCount, 0);
  EXPECT_EQ(lastImage.Left(), 2455);
  EXPECT_EQ(q->DC[top]->Left(), 2455);
}

TEST_F(Clicks, HiddenCardsNeverTakeAPressAndTheStockImageDeals) {
  click(centreOf(*q->DC[0]));  // no game yet: ignored
  EXPECT_EQ(presses, (Presses{{0, ui::vbLeftButton}}));
  EXPECT_EQ(M().PileCount[0], 52);
  click(centreOf(*q->Startbtn));
  ASSERT_EQ(M().PileCount[0], 31);

  // The 31 stock cards lie hidden at (45, 840) in the table, partly clear of
  // column 1.
  const ui::Image& parked = *q->DC[M().Deck[30]];
  ASSERT_FALSE(parked.Visible());
  ASSERT_EQ(parked.Left(), 45);
  const QPoint clear = inWindow(*q->picTable, QPoint(ui::toPixels(45) + 1, ui::toPixels(840) + 60));
  ASSERT_LT(clear.x(), inWindow(*q->DC[M().Deck[1]], QPoint(0, 0)).x());
  click(clear);
  EXPECT_TRUE(presses.empty());
  EXPECT_EQ(M().SelCount, 0);

  click(centreOf(*q->DC[0]), Qt::MiddleButton);
  EXPECT_EQ(presses, (Presses{{0, ui::vbMiddleButton}}));
  EXPECT_EQ(M().PileCount[0], 24);
  EXPECT_EQ(q->lblLast->Caption(), "24");
  // The new card of column 1 now covers the one above it.
  const Integer dealt = M().Deck[22];
  click(inWindow(*q->DC[M().Deck[15]], QPoint(30, 40)));
  EXPECT_EQ(presses, (Presses{{dealt, ui::vbLeftButton}}));
  EXPECT_EQ(M().SelCard[0], dealt);
  EXPECT_EQ(q->DC[dealt]->Left(), 85 - 90);
}

TEST_F(Clicks, KeysAAndZAndTheScrollButtonsThroughTheWindow) {
  click(centreOf(*q->Startbtn));
  // A column deeper than the window; scrolling reads only the count.
  M().PileCount[1] = Integer(M().VisibleRows + 4);
  q->UpdateScroll();
  const double down = 360 - 240 * 4;
  ASSERT_EQ(q->picTable->Top(), down);
  ASSERT_TRUE(q->cmdUpDown[0]->widget()->isVisible());
  ASSERT_TRUE(q->picTable->hasFocus());

  QTest::keyClick(win, 'a');
  EXPECT_EQ(q->picTable->Top(), 360);
  QTest::keyClick(win, Qt::Key_Z, Qt::ShiftModifier);
  EXPECT_EQ(q->picTable->Top(), down);
  QTest::keyClick(win, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(q->picTable->Top(), 360);
  QTest::keyClick(win, 'x');
  EXPECT_EQ(q->picTable->Top(), 360);

  click(centreOf(*q->cmdUpDown[1]));
  EXPECT_EQ(q->picTable->Top(), down);
  EXPECT_TRUE(q->picTable->hasFocus());
  QTest::keyClick(win, 'a');  // the keys act again after a button
  EXPECT_EQ(q->picTable->Top(), 360);
  QTest::keyClick(win, 'z');
  click(centreOf(*q->cmdUpDown[0]));
  EXPECT_EQ(q->picTable->Top(), 360);
  EXPECT_TRUE(q->picTable->hasFocus());
}

}  // namespace
}  // namespace qel::test
