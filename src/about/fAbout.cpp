#include "about/fAbout.h"

#include <QIcon>
#include <QPixmap>

#include "platform/services.h"
#include "program/Windows.h"
#include "table/Module2.h"

namespace qel {

namespace {
const QString kProductName = QStringLiteral("   Solitaire(Qel)");
const QString kCopyright = QStringLiteral("Copyright (C) 2026 Qel");
const QString kLinkAddress = QStringLiteral("https://www.debian.org/");
const QString kLinkTip = QString::fromUtf8("ホームページを見てね");

constexpr ui::Colour kBackColour = 0x00C0C0FF;
constexpr double kClientWidth = 4290;
constexpr double kClientHeight = 2235;
constexpr int kBandCount = 257;  // d = 0 .. 256
}  // namespace

fAbout::fAbout() { CreateControls(); }

fAbout::~fAbout() = default;

void fAbout::CreateControls() {
  form.setBackColor(kBackColour);
  form.setClientSize(kClientWidth, kClientHeight);

  lblProductName = std::make_unique<ui::Label>(&form);
  lblProductName->Move(840, 120, 2775, 375);
  lblProductName->setCaption(kProductName);
  lblProductName->setFont({"Times New Roman", 15.75, true});
  lblProductName->setForeColor(0x0000FFFF);
  lblProductName->setTransparent(true);

  lblVersion = std::make_unique<ui::Label>(&form);
  lblVersion->Move(1800, 600, 1815, 255);
  lblVersion->setFont({"Times New Roman", 14.25, false});
  lblVersion->setForeColor(0x000000FF);
  lblVersion->setTransparent(true);

  lblCopyright = std::make_unique<ui::Label>(&form);
  lblCopyright->Move(1680, 960, 2535, 255);
  lblCopyright->setCaption(kCopyright);
  lblCopyright->setFont({"Times New Roman", 9, false});
  lblCopyright->setForeColor(0x00C0FFFF);
  lblCopyright->setTransparent(true);

  LinHTTP[0] = std::make_unique<ui::Line>(&form);
  LinHTTP[0]->setEnds(1080, 1320, 3960, 1320);
  LinHTTP[0]->setBorderColor(kLinkNormal);

  LblHTTP[0] = std::make_unique<ui::Label>(&form);
  LblHTTP[0]->Move(840, 1440, 3255, 240);
  LblHTTP[0]->setCaption(kLinkAddress);
  LblHTTP[0]->setToolTipText(kLinkTip);
  LblHTTP[0]->setFont({"MS Sans Serif", 9.75, false});
  LblHTTP[0]->setForeColor(kLinkNormal);
  LblHTTP[0]->setTransparent(true);

  ImgIcon = std::make_unique<ui::Image>(&form);
  ImgIcon->Move(120, 240, 540, 540);
  ImgIcon->setPicture(QPixmap(":/assets/icon32.png"));

  cmdOK[1] = std::make_unique<ui::CommandButton>(&form);
  cmdOK[1]->Move(3360, 1800, 855, 375);
  cmdOK[1]->setCaption("O K");
  cmdOK[1]->setFont({"Times New Roman", 9.75, false});

  // Lies outside the client area, never seen: it holds the first focus so
  // that Enter or Space right after the window opens do nothing.
  cmdDummy = std::make_unique<ui::CommandButton>(&form);
  cmdDummy->Move(4800, 2760, 375, 255);

  form.setTabOrder({lblCopyright.get(), LblHTTP[0].get(), lblProductName.get(), cmdDummy.get(),
                    cmdOK[1].get(), lblVersion.get()});

  cmdOK[1]->Click = [this] { cmdOK_Click(1); };
  LblHTTP[0]->Click = [this] { LblHTTP_Click(0); };
  LblHTTP[0]->MouseMove = [this](Integer b, Integer s, Single x, Single y) {
    LblHTTP_MouseMove(0, b, s, x, y);
  };
  form.MouseMove = [this](Integer b, Integer s, Single x, Single y) { Form_MouseMove(b, s, x, y); };
  lblCopyright->MouseMove = [this](Integer b, Integer s, Single x, Single y) {
    lblCopyright_MouseMove(b, s, x, y);
  };
  lblProductName->MouseMove = [this](Integer b, Integer s, Single x, Single y) {
    lblProductName_MouseMove(b, s, x, y);
  };
}

void fAbout::Form_Load() {
  PaintBands();
  lblVersion->setCaption("Version " + rt::CStr(rt::VersionMajor) + "." +
                         rt::CStr(rt::VersionMinor) + "." + rt::CStr(rt::VersionRevision));
  SetTopMost(form);
  CentreOverMainWindow(form);
}

ui::Colour fAbout::BandColour(int d) {
  const auto channel = [d](double divisor) {
    return static_cast<ui::Colour>(rt::CInt(d / divisor));
  };
  return channel(1.2) + 256 * channel(1.7) + 65536 * channel(1.9);
}

void fAbout::PaintBands() {
  // The band height is in twips but serves as the pen width in pixels too,
  // so each stripe reaches well past its box and the next band paints over
  // most of it: a smooth gradient from near black down to dusky salmon.
  const Long b = rt::CLng(static_cast<Single>(form.ScaleHeight()) / 256);
  form.setDrawWidth(static_cast<Integer>(b));
  const double width = form.ScaleWidth();
  for (int d = 0; d < kBandCount; ++d)
    form.drawBox(0, static_cast<double>(d) * b, width, static_cast<double>(d) * b + b,
                 BandColour(d), true);
}

void fAbout::cmdOK_Click(Integer) { form.Hide(); }

void fAbout::LblHTTP_Click(Integer Index) { ui::ShellOpen(LblHTTP[Index]->Caption()); }

void fAbout::SetLinkColour(ui::Colour c) {
  LblHTTP[0]->setForeColor(c);
  LinHTTP[0]->setBorderColor(c);
}

void fAbout::LblHTTP_MouseMove(Integer, Integer Button, Integer, Single, Single) {
  DragAboutWindow(Button);
  SetLinkColour(kLinkHover);
}

void fAbout::Form_MouseMove(Integer Button, Integer, Single, Single) {
  DragAboutWindow(Button);
  SetLinkColour(kLinkNormal);
}

void fAbout::lblCopyright_MouseMove(Integer Button, Integer, Single, Single) {
  DragAboutWindow(Button);
  SetLinkColour(kLinkNormal);
}

void fAbout::lblProductName_MouseMove(Integer Button, Integer, Single, Single) {
  DragAboutWindow(Button);
  SetLinkColour(kLinkNormal);
}

}  // namespace qel
