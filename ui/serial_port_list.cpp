// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/serial_port_list.h"

#include <QSerialPortInfo>

#include "core/app.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "keying/key_port.h"
#include "ui/qt_text.h"

QString NoSerialPortText() {
  return QStringLiteral("ポートなし（要 dialout グループ）");
}

void FillPortList() {
  std::vector<std::u16string> entries;
  for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
    const QString description =
        port.description().isEmpty() ? QStringLiteral("シリアルポート") : port.description();
    entries.push_back(FromQString(QStringLiteral("%1 (%2)").arg(description, port.portName())));
  }
  SetControlItems(kPortCombo, entries);
  SetControlSelection(kPortCombo, 0);
}

void AddSerialKeyHooks(RunControlHooks& hooks) {
  hooks.openKeyPortHook = OpenKeyPort;
  hooks.keyPortIsOpen = KeyPortIsOpen;
  hooks.serialMonitorThread = KeyPortMonitorThread;
  hooks.detectKeyType = DetectKeyType;
  app.closeSerialPort = CloseKeyPort;
}
