#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "platform/controls.h"
#include "platform/runtime.h"

static void registerAssets() {
  Q_INIT_RESOURCE(assets);
  Q_INIT_RESOURCE(cards);
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The real user's settings are never touched: everything lives in a
  // folder of this run.
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
  QApplication app(argc, argv);
  registerAssets();
  QApplication::setApplicationName("Qel");
  qel::ui::installFontSubstitutes();
  qel::rt::setSettingsFolder(home.path());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
