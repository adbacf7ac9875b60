// SPDX-License-Identifier: GPL-3.0-or-later
// The user guide on the screens it opens on: dialog, buttons and text inside the work area, every page's
// text wrapped in its column and reachable by scrolling rather than cut.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include "qt_test_application.h"
#include "ui/user_guide.h"

TEST(UserGuideFitTest, GuideFitsTheWorkAreaAndWrapsItsText) {
  EnsureQtApplication();
  const QRect rows[] = {QRect(0, 0, 1024, 738), QRect(0, 0, 1366, 738), QRect(0, 0, 1920, 1050)};
  for (const QRect& area : rows) {
    UserGuideDialog guide(nullptr, area);
    guide.show();
    EXPECT_LE(guide.width(), area.width() - 20) << area.width();
    EXPECT_LE(guide.height(), area.height() - 40) << area.width();
    auto* scroll = guide.findChild<QScrollArea*>(QStringLiteral("guide-scroll"));
    auto* text = guide.findChild<QLabel*>(QStringLiteral("guide-text"));
    ASSERT_TRUE(scroll && text);
    for (QWidget* inside : {static_cast<QWidget*>(scroll), guide.findChild<QWidget*>("guide-close")}) {
      EXPECT_TRUE(guide.rect().contains(inside->geometry()))
          << area.width() << " " << qPrintable(inside->objectName());
    }
    for (size_t page = 0; page < GuidePages().size(); ++page) {
      guide.ShowPage(static_cast<int>(page));
      QApplication::processEvents();
      EXPECT_LE(text->width(), scroll->viewport()->width()) << area.width() << " page " << page + 1;
      EXPECT_GE(text->height(), text->heightForWidth(text->width()) - 1)
          << area.width() << " page " << page + 1;
    }
  }
}
