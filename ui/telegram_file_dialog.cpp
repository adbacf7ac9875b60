#include "ui/telegram_file_dialog.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

#include "content/telegram_file.h"
#include "ui/main_window.h"

void ChooseTelegramFile() {
  // The dialog opens where the last file was chosen, for a learner who loads a series of files.
  static QString lastDirectory;
  QFileDialog dialog(TheMainWindow(), QStringLiteral("和文電報テキストファイルを選択"), lastDirectory);
  dialog.setObjectName(QStringLiteral("telegramFileDialog"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(
      {QStringLiteral("和文電報テキスト (*.txt)"), QStringLiteral("すべてのファイル (*.*)")});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().first();
  lastDirectory = dialog.directory().absolutePath();
  OpenTelegramFile(QFile::encodeName(path).toStdString());
}
