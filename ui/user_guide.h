// The user guide 取扱説明: a paged modal dialog, each page a screenshot of Nemora (guide pictures
// 5101..5109, made by tools/make-guide-pictures.sh) beside a short explanation, with 前へ / 次へ / 閉じる.
#pragma once
#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;

struct GuidePage {
  int pictureId;  // resource id of the page's PNG
  const char16_t* title;
  const char16_t* text;
};
const std::vector<GuidePage>& GuidePages();

class UserGuideDialog : public QDialog {
 public:
  explicit UserGuideDialog(QWidget* parent);
  void ShowPage(int index);
  int Page() const { return page_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int page_ = 0;
  QLabel* picture_;
  QLabel* title_;
  QLabel* text_;
  QLabel* pageNumber_;
  QPushButton* previous_;
  QPushButton* next_;
};

// The 取扱説明 command: the guide from its first page, modal over parent.
void OpenUserGuide(QWidget* parent);
