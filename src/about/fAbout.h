#pragma once
// The about window: product name, version, copyright and a link over colour bands.
#include <array>
#include <memory>

#include "platform/controls.h"

namespace qel {

class fAbout {
 public:
  fAbout();
  ~fAbout();

  // --- Controls ---------------------------------------------------------------
  ui::Form form{ui::Form::Frame::None};
  std::unique_ptr<ui::Label> lblProductName;
  std::unique_ptr<ui::Label> lblVersion;
  std::unique_ptr<ui::Label> lblCopyright;
  std::array<std::unique_ptr<ui::Line>, 1> LinHTTP;
  std::array<std::unique_ptr<ui::Label>, 1> LblHTTP;
  std::unique_ptr<ui::Image> ImgIcon;
  std::array<std::unique_ptr<ui::CommandButton>, 2> cmdOK;  // only element 1 exists
  std::unique_ptr<ui::CommandButton> cmdDummy;

  // The link's colours: at rest, and while the mouse is over it.
  static constexpr ui::Colour kLinkNormal = 0x00FFC0C0;
  static constexpr ui::Colour kLinkHover = 0x00FFFF00;

  // --- Event handlers ---------------------------------------------------------------
  void Form_Load();
  void cmdOK_Click(Integer Index);
  void LblHTTP_Click(Integer Index);
  void LblHTTP_MouseMove(Integer Index, Integer Button, Integer Shift, Single X, Single Y);
  void Form_MouseMove(Integer Button, Integer Shift, Single X, Single Y);
  void lblCopyright_MouseMove(Integer Button, Integer Shift, Single X, Single Y);
  void lblProductName_MouseMove(Integer Button, Integer Shift, Single X, Single Y);

  // --- The window's own procedures (public so that tests can drive them) -------------
  // Colour of band d of the background, 0x00BBGGRR.
  static ui::Colour BandColour(int d);
  void PaintBands();

 private:
  void CreateControls();
  void SetLinkColour(ui::Colour c);
};

}  // namespace qel
