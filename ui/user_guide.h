// SPDX-License-Identifier: GPL-3.0-or-later
// The user guide 取扱説明: a paged modal dialog, each page a screenshot of Nemora (guide pictures
// 5101..5109, made by tools/make-guide-pictures.sh) beside a short explanation, with 前へ / 次へ / 閉じる.
#pragma once
#include <QDialog>
#include <QRect>
#include <vector>

class QLabel;
class QPushButton;

struct GuidePage {
  int pictureId;  // resource id of the page's PNG
  const char16_t* title;
  const char16_t* text;
};
const std::vector<GuidePage>& GuidePages();

// The guide's size in a work area: 1080 x 560 where that fits, else the work area less the frame, with the
// picture shrunk to leave the text a readable column.
struct GuideSize {
  int width = 0, height = 0;
  int pictureWidth = 0, pictureHeight = 0;
};
GuideSize FitGuide(const QRect& workArea);

class UserGuideDialog : public QDialog {
 public:
  // workArea empty: the work area of the parent's screen.
  explicit UserGuideDialog(QWidget* parent, QRect workArea = QRect());
  void ShowPage(int index);
  int Page() const { return page_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int page_ = 0;
  QSize pictureSize_;
  QLabel* picture_;
  QLabel* title_;
  QLabel* text_;
  QLabel* pageNumber_;
  QPushButton* previous_;
  QPushButton* next_;
};

// The 取扱説明 command: the guide from its first page, modal over parent.
void OpenUserGuide(QWidget* parent);
