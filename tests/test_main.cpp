#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/application.h"
#include "platform/runtime.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The real user's settings are never touched: everything lives in a
  // folder of this run.
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
  qel::ui::Application app(argc, argv);
  qel::rt::setSettingsFolder(home.path());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
