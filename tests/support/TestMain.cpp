// Every test runs with a live application object on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include "platform/vcl/Forms.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication host(argc, argv);
  TApplication application;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
