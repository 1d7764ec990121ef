// The card sheet as the program holds it, the picture clip's cells and how
// an image draws them.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QResource>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

#include "platform/controls.h"

namespace qel::test {
namespace {

const QString kSheet = ":/assets/cards.bmp";

QImage rgb32(const QImage& i) { return i.convertToFormat(QImage::Format_RGB32); }

// The sheet as Qt's own image reader decodes it.
const QImage& decodedSheet() {
  static const QImage sheet = rgb32(QImage(kSheet));
  return sheet;
}

QRect cellRect(int k) { return QRect(71 * (k % 13), 96 * (k / 13), 71, 96); }

TEST(CardSheet, IsShownFromTheResourcesAsItLiesWithTheDecodersPixels) {
  ASSERT_EQ(decodedSheet().size(), QSize(923, 480));
  const QImage sheet = ui::LoadPicture(kSheet);
  EXPECT_EQ(rgb32(sheet), decodedSheet());
  // Nothing decoded or copied: the pixels are those of the program's data.
  const QResource res(kSheet);
  ASSERT_EQ(res.compressionAlgorithm(), QResource::NoCompression);
  EXPECT_GE(sheet.constBits(), res.data());
  EXPECT_LE(sheet.constBits() + sheet.sizeInBytes(), res.data() + res.size());
}

TEST(CardSheet, OtherPicturesAreDecoded) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QByteArray topDown = [] {
    QResource res(kSheet);
    return QByteArray(reinterpret_cast<const char*>(res.data()), res.size());
  }();
  struct Case {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"top-down.bmp", topDown},
      {"bottom-up.bmp", {}},
      {"sheet.png", {}},
  };
  for (Case& c : cases) {
    const QString path = dir.filePath(c.name);
    if (c.bytes.isEmpty()) {
      ASSERT_TRUE(decodedSheet().save(path)) << c.name;
    } else {
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(c.bytes);
    }
    EXPECT_EQ(rgb32(ui::LoadPicture(path)), decodedSheet()) << c.name;
  }
  EXPECT_TRUE(ui::LoadPicture(dir.filePath("missing.bmp")).isNull());
}

TEST(PictureClip, CellsAreCountedRowByRowOnTheSheet) {
  ui::PictureClip clip;
  clip.setPicture(ui::LoadPicture(kSheet), 5, 13);
  for (int k : {0, 1, 12, 13, 51, 55, 64}) {
    const ui::Picture cell = clip.GraphicCell(k);
    EXPECT_EQ(cell.sheet().cacheKey(), clip.Picture().cacheKey()) << k;
    EXPECT_EQ(cell.cell(), cellRect(k)) << k;
    EXPECT_EQ(rgb32(cell.toImage()), decodedSheet().copy(cellRect(k))) << k;
  }
  EXPECT_TRUE(clip.GraphicCell(-1).isNull());
  EXPECT_TRUE(clip.GraphicCell(65).isNull());
  EXPECT_TRUE(ui::PictureClip().GraphicCell(0).isNull());
}

// What the image widget paints, one screen pixel per sheet pixel, at its
// first paint and again from what it keeps.
TEST(ImagePicture, DrawsItsCellPixelForPixel) {
  ui::PictureClip clip;
  clip.setPicture(ui::LoadPicture(kSheet), 5, 13);
  struct Host : ui::Container {
    std::unique_ptr<QWidget> w = std::make_unique<QWidget>();
    QWidget* surface() const override { return w.get(); }
  } host;
  ui::Image image(&host);
  image.Move(0, 0, 1065, 1440);
  for (int k : {0, 26, 55}) {
    image.setPicture(clip.GraphicCell(k));
    for (int paint = 0; paint < 2; ++paint)
      EXPECT_EQ(rgb32(image.widget()->grab().toImage()), decodedSheet().copy(cellRect(k)))
          << k << " paint " << paint;
  }
}

}  // namespace
}  // namespace qel::test
