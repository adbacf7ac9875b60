// The user guide on the screens it is opened on: the whole dialog, its buttons and every page's text inside
// the work area, the text wrapped in its column (and scrolled, not cut, when a page is long).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <cstdlib>

#include "qt_test_application.h"
#include "ui/user_guide.h"

namespace {

TEST(UserGuideFitTest, GuideFitsTheWorkAreaAndWrapsItsText) {
  EnsureQtApplication();
  const struct {
    const char* name;
    QRect workArea;
  } rows[] = {
      {"1024 x 768", QRect(0, 0, 1024, 738)},
      {"1366 x 768", QRect(0, 0, 1366, 738)},
      {"1920 x 1080", QRect(0, 0, 1920, 1050)},
  };
  for (const auto& row : rows) {
    UserGuideDialog guide(nullptr, row.workArea);
    guide.show();
    QApplication::processEvents();
    EXPECT_LE(guide.width(), row.workArea.width() - 20) << row.name;
    EXPECT_LE(guide.height(), row.workArea.height() - 40) << row.name;
    for (const char* button : {"guide-previous", "guide-next", "guide-close"}) {
      QWidget* widget = guide.findChild<QPushButton*>(QString::fromUtf8(button));
      EXPECT_TRUE(guide.rect().contains(widget->geometry())) << row.name << " " << button;
    }
    auto* scroll = guide.findChild<QScrollArea*>(QStringLiteral("guide-scroll"));
    auto* text = guide.findChild<QLabel*>(QStringLiteral("guide-text"));
    ASSERT_TRUE(scroll && text) << row.name;
    EXPECT_TRUE(guide.rect().contains(scroll->geometry())) << row.name;
    for (size_t page = 0; page < GuidePages().size(); ++page) {
      guide.ShowPage(static_cast<int>(page));
      QApplication::processEvents();
      // Wrapped within the column: never wider than what the scroll area shows, and all of its height
      // reachable by scrolling.
      EXPECT_LE(text->width(), scroll->viewport()->width()) << row.name << " page " << page + 1;
      EXPECT_GE(text->height(), text->heightForWidth(text->width()) - 1) << row.name << " page " << page + 1;
      if (const char* dir = std::getenv("NEMORA_SCREENSHOTS")) {
        guide.grab().save(
            QString("%1/guide-%2-page-%3.png").arg(dir).arg(row.workArea.width()).arg(page + 1));
      }
    }
  }
}

}  // namespace
