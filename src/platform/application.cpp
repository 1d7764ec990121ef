#include "platform/application.h"

#include <QApplication>

#include "platform/controls.h"
#include "platform/services.h"

// The card sheet, the icon and the help file live in the core library's
// resources, which a static library must register itself.
static void registerResources() {
  Q_INIT_RESOURCE(assets);
  Q_INIT_RESOURCE(cards);
}

namespace qel::ui {

Application::Application(int& argc, char** argv)
    : app_(std::make_unique<QApplication>(argc, argv)) {
  QApplication::setApplicationName("Qel");
  registerResources();
  installFontSubstitutes();
  trackPresses();
}

Application::~Application() = default;

int Application::exec() { return QApplication::exec(); }

}  // namespace qel::ui
