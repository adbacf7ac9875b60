// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program_icon.h"

#include <QImage>
#include <QPixmap>
#include <string>

#include "core/resources.h"

QIcon ProgramIcon() {
  std::string bytes;
  QImage image;
  if (!ReadResourceBytes(kResourceIcon, bytes) ||
      !image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()),
                          "PNG")) {
    return QIcon();
  }
  // One large picture; the frame and the task bar scale it to their sizes.
  return QIcon(QPixmap::fromImage(image));
}
