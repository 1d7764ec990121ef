#pragma once
// A fresh program for each test: the shared module as at start-up, a fixed
// clock, a seeded generator, message boxes and program end caught.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>

#include "platform/controls.h"
#include "platform/runtime.h"
#include "table/Module2.h"
#include "table/Qel.h"

namespace qel::test {

class ProgramFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    ASSERT_TRUE(store.isValid());
    rt::setSettingsFolder(store.path());
    setClock(QTime(10, 0, 0));
    rt::seedGenerator(12345);
    ui::setMessageBoxHandler([this](const QString& t) { messages << t; });
    ui::setEndHandler([this] { ++ends; });
  }
  void TearDown() override {
    ResetProgram();
    rt::setClock({});
    ui::setMessageBoxHandler({});
    ui::setEndHandler({});
  }

  // Sets the clock to a time of day on a fixed date.
  void setClock(QTime t, QDate d = QDate(2026, 12, 10)) {
    now = QDateTime(d, t);
    rt::setClock([this] { return now; });
  }
  // The main window as Main leaves it, without showing it.
  Qel& loadQel() { return LoadQel(); }

  QTemporaryDir store;
  QDateTime now;
  QStringList messages;
  int ends = 0;
};

}  // namespace qel::test
