// One telegram sheet: the model ("お手本") or the learner's copy ("ユーザー入力").
#pragma once
#include <QWidget>

class SheetWidget : public QWidget {
  Q_OBJECT
 public:
  SheetWidget(bool model, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool model_;
};
