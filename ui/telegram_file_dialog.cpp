// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/telegram_file_dialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "content/telegram_document.h"
#include "content/telegram_file.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/settings.h"
#include "core/text.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

bool OpenTelegramFileAndSay(const std::string& path) {
  if (!OpenTelegramFile(path)) return false;
  // The message line still held the last generation's words; say what the sheets show now.
  const QString name = QFileInfo(QFile::decodeName(path.c_str())).fileName();
  // Said by the event thread once it has installed the telegrams, so the count is theirs.
  PostToEventThread([name = FromQString(name)] {
    SetStatusText(FormatText(u"電報を %d 通読み込みました：%s", {TelegramCount(), name}));
  });
  return true;
}

void ChooseTelegramFile() {
  // The dialog opens where the last file was chosen, for a learner who loads a series of files.
  static QString lastDirectory;
  const bool latin = LatinMode.load() != 0;
  QFileDialog dialog(TheMainWindow(),
                     latin ? QStringLiteral("欧文電報テキストファイルを選択")
                           : QStringLiteral("和文電報テキストファイルを選択"),
                     lastDirectory);
  dialog.setObjectName(QStringLiteral("telegramFileDialog"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(
      {latin ? QStringLiteral("欧文電報テキスト (*.txt)") : QStringLiteral("和文電報テキスト (*.txt)"),
       QStringLiteral("すべてのファイル (*.*)")});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().first();
  lastDirectory = dialog.directory().absolutePath();
  OpenTelegramFileAndSay(QFile::encodeName(path).toStdString());
}
