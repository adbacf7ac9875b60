// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/user_guide.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <string>

#include "core/resources.h"
#include "ui/fonts.h"
#include "ui/qt_text.h"

namespace {

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 440;
constexpr int kGuideWidth = 1080;
constexpr int kGuideHeight = 560;
constexpr int kLeastTextWidth = 380;

}  // namespace

const std::vector<GuidePage>& GuidePages() {
  static const std::vector<GuidePage> pages = {
      {kResourceGuideFirstPicture + 0, u"はじめに・受信練習",
       u"最初に行うこと\n"
       u"① RX START を押してください\n"
       u"② 送信練習は「キー電鍵」にチェックしてください\n"
       u"③ 苦手電報は成績CSVが作成された後に利用できます\n\n"
       u"「受信」を選んで RX START を押すと、ネモラが電報を局の手順どおりにモールス符号で打ちます。"
       u"聞こえた符号は右の用紙「ユーザー入力」に写し取られ、左の「お手本」と違う文字は赤で示されます。"
       u"速さと音の高さは上のスライダーで変えられます。一旦停止で休み、RX STOP で終わります。"
       u"デモ送信はお手本の電報を打って聞かせます。\n\n"
       u"「筆記受信」にチェックすると、聞こえた文字を自分で打ち込みます（和文はかな入力かローマ字）。"
       u"区切りは＝、電報の終わりは＋です。お手本はその電報を送り終えるまで隠れています。\n\n"
       u"用紙はドラッグで動かし、ホイールで拡大・縮小できます。用紙をダブルクリックすると、"
       u"元の大きさと位置に戻ります。"},
      {kResourceGuideFirstPicture + 1, u"送信練習（キーボードで打つ）",
       u"「送信」を選び、「キー電鍵」にチェックを入れてから RX START を押します。"
       u"キーボードの J が短点、K が長点です。J と K を押す長さで符号を作ります。\n\n"
       u"AUTO にチェックを入れると、J と K は自動キーヤーの左右のパドルになり、押している間は"
       u"短点または長点が正しい間隔で続きます。\n\n"
       u"打った文字は一字ごとにお手本と比べられます。判定が厳しすぎると感じたら、"
       u"判定しやすさや符号長許容度のスライダーをゆるめてください。"},
      {kResourceGuideFirstPicture + 2, u"電鍵・パドルをつなぐ",
       u"本物の電鍵やパドルは、USB シリアル変換器の制御線につなぎます。ネモラはポートを開いている間、"
       u"DTR と RTS をオンに保つので、これを接点の電源にします。\n\n"
       u"・DTR を接点の共通側へ\n・短点の接点を DSR へ\n・長点の接点を CTS へ\n"
       u"（縦振り電鍵は DSR 側だけで足ります。データの送受信はしません。）\n\n"
       u"ポートの一覧から変換器を選び、「キー電鍵」のチェックを外して送信練習を始めると、"
       u"最初の 1.5 秒で電鍵の種類を見分けて表示します。"
       u"Linux では利用者を dialout グループに加え（sudo adduser 利用者名 dialout）、"
       u"ログインし直してから使ってください。"},
      {kResourceGuideFirstPicture + 3, u"受信環境",
       u"左の列のチェックで、無線で受けたような音にできます。空電雑音、局間混信、フェージング、"
       u"フラッター、不安定送信、チャープ、符号長ばらつきを組み合わせられます。\n\n"
       u"混雑度は混信してくる局の数、ノイズレベルは雑音の強さ、受信フィルタ幅は聞こえる帯域の広さです。"
       u"その下の「受信環境・無線機効果」では AGC やエコー、電源ハムなど、受信機らしいくせを加えます。\n\n"
       u"これらは受信練習とデモ送信の間だけ働きます。自分で打つ送信練習の音はきれいなままです。"},
      {kResourceGuideFirstPicture + 4, u"電報ファイル",
       u"「電報読込」で、自分で用意した電報のテキストファイルを開けます。一つのファイルに何通でも入ります。\n"
       u"\n"
       u"和文の形式では、各電報が [VALA] で始まり、[VALA] 番号、[VALB] 局名、[VALC] 字数、"
       u"[VALD] 時刻、[VALE] あて先、[TEXT] 本文 の六つの見出しの次の行に中身を書きます。\n\n"
       u"欧文の形式では、各電報が [Preamble] で始まり、[Preamble] の行、[To] あて先、"
       u"[Text] 本文 の三つを書きます。見出しは大文字と小文字まで区別されます。\n\n"
       u"文字コードは UTF-8 でも、Windows で作った Shift_JIS でも読めます。"},
      {kResourceGuideFirstPicture + 5, u"ランダム電報",
       u"「ランダム生成」を押すと、練習用の電報を新しく作ります。和文では 10 通、欧文では 200 通です。\n\n"
       u"長さや語の難しさは「学習レベル」で、話題は「カテゴリ」で選びます。"
       u"「第2世代ランダム」にチェックを入れると、文の形がより多彩な電報になります。\n\n"
       u"「苦手電報」にチェックを入れておくと、和文の電報では、これまでの記録で間違いの多かった文字を本文に多"
       u"めに"
       u"まぜます。生成しただけでは練習は始まりません。RX START を押して始めてください。"},
      {kResourceGuideFirstPicture + 6, u"電報ごとの結果",
       u"一通の電報を終えるたびに結果の画面が開きます。正答率を大きく示し、評価の文字、得点と減点、"
       u"入力した文字数・正解・誤答を並べます。色は出来ばえに合わせて変わります。\n\n"
       u"ボタンを押すと次の電報へ進みます。最後の電報のあとは練習全体の記録が残ります。"
       u"「自動難易度」や「正答率で速度自動調整」にチェックがあれば、結果に応じてレベルや速さが変わります。"},
      {kResourceGuideFirstPicture + 7, u"成績の画面",
       u"「現在の成績」は、練習の記録をグラフと表で見せます。上のボタンで、いま進めている練習、日ごと、"
       u"直近 7 日、今月、文字ごとの成績に切り替えます。\n\n"
       u"グラフの青は入力した文字数、緑は正解、赤は誤答です。下の欄には合計時間や平均 CPM、"
       u"苦手な文字の順位、最近 10 回の記録、練習バッジが並びます。\n\n"
       u"「ホーム」では今日の練習量とレベル、苦手な文字、おすすめの練習をひと目で確かめられます。"},
      {kResourceGuideFirstPicture + 8, u"ファイルの置き場所",
       u"設定は telegram_practice.ini、練習の記録は telegram_practice_log.csv、"
       u"文字ごとの記録は telegram_practice_char_log.csv、電報ごとの記録は telegram_practice_log.txt に"
       u"書かれます。\n\n"
       u"置き場所は、プログラムのあるフォルダに書き込めるならそこ、インストールした場合は "
       u"~/.local/share/nemora です。環境変数 NEMORA_HOME を決めておけば、そのフォルダを使います。\n\n"
       u"成績の画面の「現在」の最後に、記録ファイルの場所がそのまま表示されます。"},
  };
  return pages;
}

GuideSize FitGuide(const QRect& workArea) {
  GuideSize size;
  // The window's frame and title take some room of their own beside the client area.
  size.width = std::min(kGuideWidth, workArea.width() - 24);
  size.height = std::min(kGuideHeight, workArea.height() - 48);
  // The picture shrinks with the window, so the text keeps a column wide enough to read.
  const int pictureRoom = size.width - 2 * 20 - 16 - kLeastTextWidth;
  const double scale = std::clamp(static_cast<double>(pictureRoom) / kPictureWidth, 0.35, 1.0);
  size.pictureWidth = static_cast<int>(kPictureWidth * scale);
  size.pictureHeight = static_cast<int>(kPictureHeight * scale);
  return size;
}

UserGuideDialog::UserGuideDialog(QWidget* parent, QRect workArea) : QDialog(parent) {
  setWindowTitle(QStringLiteral("取扱説明"));
  setObjectName(QStringLiteral("12000"));
  setModal(true);
  if (workArea.isEmpty()) {
    QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    workArea = screen ? screen->availableGeometry() : QRect(0, 0, kGuideWidth + 24, kGuideHeight + 48);
  }
  const GuideSize fit = FitGuide(workArea);
  pictureSize_ = QSize(fit.pictureWidth, fit.pictureHeight);
  resize(fit.width, fit.height);
  const QFont body = MakeFont(FontRole::kMeiryo, 20, false);
  picture_ = new QLabel(this);
  picture_->setObjectName(QStringLiteral("guide-picture"));
  picture_->setFixedSize(pictureSize_);
  picture_->setAlignment(Qt::AlignCenter);
  title_ = new QLabel(this);
  title_->setObjectName(QStringLiteral("guide-title"));
  title_->setFont(MakeFont(FontRole::kMeiryo, 28, true));
  title_->setStyleSheet(QStringLiteral("color: rgb(28, 55, 92);"));
  text_ = new QLabel(this);
  text_->setObjectName(QStringLiteral("guide-text"));
  text_->setFont(body);
  text_->setWordWrap(true);
  text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  text_->setTextFormat(Qt::PlainText);
  pageNumber_ = new QLabel(this);
  pageNumber_->setFont(body);
  previous_ = new QPushButton(QStringLiteral("前へ"), this);
  next_ = new QPushButton(QStringLiteral("次へ"), this);
  auto* close = new QPushButton(QStringLiteral("閉じる"), this);
  previous_->setObjectName(QStringLiteral("guide-previous"));
  next_->setObjectName(QStringLiteral("guide-next"));
  close->setObjectName(QStringLiteral("guide-close"));
  for (QPushButton* button : {previous_, next_, close}) {
    button->setFont(MakeFont(FontRole::kMeiryo, 20, true));
    button->setMinimumSize(120, 38);
  }
  connect(previous_, &QPushButton::clicked, this, [this]() { ShowPage(page_ - 1); });
  connect(next_, &QPushButton::clicked, this, [this]() { ShowPage(page_ + 1); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  // A long page on a small screen scrolls instead of being cut.
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("guide-scroll"));
  scroll->setWidget(text_);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setStyleSheet(QStringLiteral("background: transparent;"));
  auto* words = new QVBoxLayout;
  words->addWidget(title_);
  words->addSpacing(8);
  words->addWidget(scroll, 1);
  auto* page = new QHBoxLayout;
  page->addWidget(picture_, 0, Qt::AlignTop);
  page->addSpacing(16);
  page->addLayout(words, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(pageNumber_);
  buttons->addStretch(1);
  buttons->addWidget(previous_);
  buttons->addWidget(next_);
  buttons->addWidget(close);
  auto* all = new QVBoxLayout(this);
  all->setContentsMargins(20, 20, 20, 16);
  all->addLayout(page, 1);
  all->addSpacing(12);
  all->addLayout(buttons);
  ShowPage(0);
}

void UserGuideDialog::ShowPage(int index) {
  const std::vector<GuidePage>& pages = GuidePages();
  page_ = std::clamp(index, 0, static_cast<int>(pages.size()) - 1);
  const GuidePage& page = pages[page_];
  std::string bytes;
  QImage image;
  if (ReadResourceBytes(page.pictureId, bytes)) {
    image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "PNG");
  }
  if (image.isNull()) {
    picture_->setPixmap(QPixmap());
  } else {
    picture_->setPixmap(
        QPixmap::fromImage(image.scaled(pictureSize_, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  }
  title_->setText(ToQString(page.title));
  text_->setText(ToQString(page.text));
  pageNumber_->setText(QStringLiteral("%1 / %2").arg(page_ + 1).arg(pages.size()));
  previous_->setEnabled(page_ > 0);
  next_->setEnabled(page_ + 1 < static_cast<int>(pages.size()));
}

void UserGuideDialog::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(237, 244, 252));
}

void OpenUserGuide(QWidget* parent) {
  UserGuideDialog dialog(parent);
  dialog.exec();
}
